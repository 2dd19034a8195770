// The recipe engine: the step table and the runner that applies one step to a
// workspace of its own, exactly as a commit on that step's panel would. Both
// front ends run their steps through it.
#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "core/excite/excitation.h"
#include "core/recipe/recipe.h"
#include "core/synth/series.h"
#include "core/uir/uir.h"
#include "core/workspace/workspace.h"

namespace pelorin::recipe {

// How an entry's value is read before the step runs.
enum class Kind { Word, Whole, Real, Path };

struct KeyDef {
    std::string_view key;
    Kind kind;
    std::string_view words = {};  // the words a Word entry accepts, "a|b"
    bool list = false;            // may be given more than once
};

class Runner;

struct StepDef {
    std::string_view name;
    std::string_view usage;  // the entries as the help shows them
    std::string_view what;
    std::string_view example;
    std::span<const KeyDef> keys;
    void (Runner::*run)(const Step&);  // what the step does
};

// Every step, in the order the help lists them.
std::span<const StepDef> Steps();

// The step called name, or nullptr.
const StepDef* FindStep(std::string_view name);

// What can be checked before any step runs: the step exists, its keys are its
// own, numbers are numbers and words are among those accepted. Throws Refusal.
void CheckStep(const Step& step);

// A control of the panel resource: the entry a step's value stands for.
struct ControlId {
    int panel;
    int control;
};

// What a caller follows of one step's long work, and what it keeps of it.
struct StepHooks {
    SeriesProgress series;                 // a series' members, with the chance to cancel
    CrestProgress synthesis;               // a synthesis' stages or iterations
    std::vector<double>* check = nullptr;  // receives a swift step's spectrum check
    // Receives a series' account, which the caller then gives the operator:
    // a failed write is not refused.
    SeriesReport* report = nullptr;
};

// What an excite step asks for: the record as played, its bandwidth, the
// setup, and where its table goes ("" for none).
struct ExcitationRequest {
    std::vector<double> played;
    double bandwidth_khz = 0.0;
    ExcitationSetup setup;
    std::string csv;
};

// The report of an excite step as it prints it: key: value lines, then one
// line a target.
std::string ExcitationText(const ExcitationReport& report);

// Writes the grid and the targets as a CSV table: mz, frequency_hz,
// r_plus_mm, r_minus_mm, peak_mm, verdict.
void WriteExcitationCsv(const std::string& path, const ExcitationReport& report);

class Runner {
public:
    // out receives what the steps print (show, series accounts, peak-list
    // accounts). With write_files false (a design replayed in the window)
    // the steps write no file: store and export are passed over, as are the
    // CSV files of swift and inspect and the out= of import; a series or a
    // batch is refused.
    explicit Runner(std::ostream& out, bool write_files = true);

    // Runs one step; throws Refusal with the reason it was refused, the
    // workspace then as it was unless the step says otherwise (a series
    // keeps the members written before a failure).
    void Run(const Step& step, const StepHooks& hooks = {});

    const Workspace& workspace() const { return ws_; }
    Workspace& workspace() { return ws_; }
    // Hands the workspace over (a replayed design taken into the window).
    Workspace TakeWorkspace() { return std::move(ws_); }

    // An excite step's request, its entries read and refused as the step
    // reads them, on the waveform in hand or the file it names.
    ExcitationRequest Excitation(const Step& s) const;

private:
    friend std::span<const StepDef> Steps();
    static const StepDef kSteps[];

    void Reset(const Step& s);
    void Cursors(const Step& s);
    void Notch(const Step& s);
    void Smooth(const Step& s);
    void Swim(const Step& s);
    void Freq(const Step& s);
    void Hadamard(const Step& s);
    void Swift(const Step& s);
    void Store(const Step& s);
    void Import(const Step& s);
    void Export(const Step& s);
    void Show(const Step& s);
    void Calibrate(const Step& s);
    void Isolate(const Step& s);
    void Inspect(const Step& s);
    void Excite(const Step& s);
    // Refuses a step that would write files while none may be written.
    void RequireWriting(const Step& s) const;

    // The value of key read as the control reads it, refused outside the
    // control's range; the control's initial value when optional and absent.
    double Entry(const Step& s, std::string_view key, ControlId id, bool optional = false) const;
    // The frequency (kHz) of the m/z given as key=, refused outside the
    // control's range.
    double MzEntry(const Step& s, std::string_view key, ControlId id) const;
    std::pair<const uir::PanelDef*, const uir::ControlDef*> Control(ControlId id) const;
    // A frequency given in kHz as key= or in m/z as key-mz= (through the
    // calibration), refused outside the control's range either way.
    double Khz(const Step& s, std::string_view key, ControlId id) const;
    // Puts the window bounds into cursor1 and cursor2, typed in kHz or from
    // the cursors.
    void Bounds(const Step& s, ControlId from, ControlId to);
    // The window typed in m/z (from-mz=, to-mz=), when the step gives one.
    std::optional<std::pair<double, double>> MzWindowEntries(const Step& s) const;
    void Account(const SeriesReport& report);
    // The phase law a swift step, a series or a batch asks for.
    PhaseChoice Phase(const Step& s) const;

    std::ostream& out_;
    bool write_files_;
    const uir::Resource& panels_;
    Workspace ws_;
    const StepHooks* hooks_ = nullptr;  // those of the step running
};

}  // namespace pelorin::recipe

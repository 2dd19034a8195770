// The synthesis panel: synthesis, the waveform pop-up and the spectrum check.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/synth/fft.h"
#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {
// Profiles longer than this (waveforms above 2^22 samples) synthesise with a
// progress dialog that can cancel.
constexpr std::size_t kLongSynthesisPoints = std::size_t{1} << 21;
// Records from this length on drop their transform plans after use.
constexpr std::size_t kLongRecordSamples = std::size_t{1} << 24;
}  // namespace

PhaseChoice PanelPhaseChoice() {
    const int panel = screen().ProcessHandle;
    PhaseChoice choice;
    if (ui::GetCtrlInt(panel, ids::Process::kPhase) == 1) {
        choice.law = PhaseLaw::Optimised;
        choice.iterations = ui::GetCtrlInt(panel, ids::Process::kIterations);
    }
    return choice;
}

void RecordPhase(StepEntries& entries, const PhaseChoice& choice) {
    if (choice.law != PhaseLaw::Optimised)
        return;
    entries.emplace_back("phase", "optimised");
    entries.emplace_back("iterations", std::to_string(choice.iterations));
}

int PhaseChoice_Callback(int panel, int control, int event) {
    if (event == ui::EVENT_COMMIT || event == ui::EVENT_VALUE_CHANGED)
        ui::SetCtrlDimmed(panel, ids::Process::kIterations, ui::GetCtrlInt(panel, control) != 1);
    return 0;
}

void ProcessSwift(int popup, int check, int factor) {
    StepEntries entries = {{"factor", std::to_string(factor)}};
    const PhaseChoice choice = PanelPhaseChoice();
    RecordPhase(entries, choice);
    std::vector<double> spectrum;
    WaveformFigures figures;
    PlayedOnceFigures played;
    PlayedOnceSpectrum shown;
    // The optimisation takes a while: its progress is shown, and Cancel keeps
    // the best phases found so far.
    std::unique_ptr<ui::Progress> progress_shown;
    recipe::StepHooks hooks;
    if (check == 1)
        hooks.check = &spectrum;
    if (choice.law == PhaseLaw::Optimised) {
        progress_shown = ui::CurrentPopups().StartProgress(
            "Optimising the phases", static_cast<std::uint64_t>(choice.iterations));
        hooks.synthesis = [&progress_shown](int done, int total) {
            return progress_shown->Update(
                static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(total),
                "Iteration " + std::to_string(done) + " of " + std::to_string(total));
        };
    } else if (workspace().Magnitude.size() > kLongSynthesisPoints) {
        // A long synthesis can be cancelled between its stages; the profile
        // stays as it was.
        progress_shown = ui::CurrentPopups().StartProgress("Synthesising", 4);
        hooks.synthesis = [&progress_shown](int done, int total) {
            static const char* const kStage[] = {"Phases", "Sines and cosines", "Transform",
                                                 "Spectrum check", "Done"};
            return progress_shown->Update(static_cast<std::uint64_t>(done),
                                          static_cast<std::uint64_t>(total),
                                          kStage[std::clamp(done, 0, 4)]);
        };
    }
    const bool wanted = PlayedOnceWanted();
    ui::RunBusy("Synthesising", [&] {
        design().Apply(MakeStep("swift", entries), "synthesis", hooks);
        // The real-output transform's tables of a long record (4 bytes a
        // sample) are not kept beside what the figures need next.
        if (workspace().Swift.size() >= kLongRecordSamples)
            ForgetPlansLongerThan(workspace().Swift.size() - 1);
    });
    progress_shown.reset();
    ShowEditMenu();
    // What the stored file will hold, and what the ions will feel when it is
    // played once: five transforms of the record's length, measured beside
    // the pop-up (which shows the waveform at once) or the window.
    const Workspace& ws = workspace();
    const auto measure = [&] {
        played = PlayedOnceOfSamples(ws.Swift, ws.bandwidth, WaveformDesign(ws),
                                     wanted ? &shown : nullptr, &figures);
    };
    if (popup == 1) {
        ui::SetWaitCursor(0);
        // Samples 1 / (2 bandwidth) apart: the time axis in microseconds.
        ui::YGraphPopupMeasured(
            "Swift Waveform", ws.Swift, 1000.0 / (2.0 * ws.bandwidth),
            FiguresForEye(LevelFiguresOfSamples(ws.Swift, ws.bandwidth), nullptr) +
                "\nMeasuring the spectrum played once…",
            [&] {
                measure();
                return FiguresForEye(figures, &played);
            });
    } else {
        ui::RunBusy("Measuring the spectrum played once", measure);
    }
    ShowWaveformFigures(figures, played);
    BusyCursor busy;
    if (check == 1)
        MakeGraph(std::move(spectrum), kPlotOutput);
    DrawPlayedOnce(std::move(shown));
}

int Process_Callback(int panel, int control, int event) {
    namespace id = ids::Process;
    return PanelCommand(panel, control, event, id::kSynthesise, [panel] {
        ProcessSwift(ui::GetCtrlInt(panel, id::kPopup), ui::GetCtrlInt(panel, id::kCheck),
                     ui::GetCtrlInt(panel, id::kFactor));
        EnterMenuPhase(MenuPhase::Synthesised);
        WaveformMade("");
        return true;
    });
}

}  // namespace pelorin

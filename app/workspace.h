// The workspace record: the one program-wide record of state that every
// operation reads and writes, and the rule that guards profile editing.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace pelorin {

// An operation refused with a message for the operator: the title and the
// text of the notice the front end shows (or prints, in the command line).
class Refusal : public std::runtime_error {
public:
    Refusal(std::string title, const std::string& text)
        : std::runtime_error(text), title_(std::move(title)) {}
    const std::string& title() const noexcept { return title_; }

private:
    std::string title_;
};

// The three phases of work the menu bar follows.
enum class MenuPhase {
    Start = 1,       // no profile yet
    Editable = 2,    // after a Set/Reset: the profile can be shaped
    Synthesised = 3  // after a synthesis from the panel, or an import
};

// Where the waveform held in Swift came from, for what may be done with it.
enum class WaveformSource {
    None,       // nothing to store since the last Set/Reset
    Synthesis,  // synthesised from the profile
    Import,     // read from a .dat file; the profile no longer describes it
    Series      // a series or batch wrote its members; Swift holds the last
};

struct Workspace {
    // N, the number of profile points; 2N (the waveform length) after a
    // synthesis from the synthesis panel; the sample count after an import.
    int datapts = 0;
    double bandwidth = 0.0;  // kHz, upper end of the profile's span

    std::vector<double> Magnitude;  // the profile, N points
    std::vector<double> Swift;      // the normalised waveform

    int SetFlag = 0;
    int SwiftFlag = 0;
    int usetek = 1;  // the Set/Reset panel starts in the Tektronix layout
    int useni = 0;
    int Arb = 0;  // AWG chosen for an import: 0 none, 1 or 2

    int MagPlot = 0;
    int MagFlag = 0;
    int OutPlot = 0;
    int OutFlag = 0;

    double cursor1 = 0.0;  // kHz
    double cursor2 = 0.0;
    double tempfreqmin = 0.0;  // the previous view, kHz
    double tempfreqmax = 0.0;

    double HadamardWidth = 0.0;  // Hz

    // Panel and menu-bar handles of the graphical front end.
    int title_handle = 0;
    int CalibHandle = 0;
    int GraphHandle = 0;
    int MenuHandle = 0;
    int NotchHandle = 0;
    int ProcessHandle = 0;
    int SmoothHandle = 0;
    int SetResetHandle = 0;
    int SwimHandle = 0;
    int HadamardHandle = 0;
    int awg_handle = 0;

    MenuPhase phase = MenuPhase::Start;
    WaveformSource source = WaveformSource::None;
};

// The one instance the program works on.
Workspace& workspace();

// True while the profile may be shaped: after a Set/Reset and before a
// synthesis from the synthesis panel or an import, with datapts naming the
// profile's length.
bool ProfileEditable(const Workspace& ws);

// Throws a Refusal saying why the profile cannot be edited now.
void RequireEditableProfile(const Workspace& ws);

}  // namespace pelorin

// The workspace record: the state every operation reads and writes, and the
// rule that guards profile editing. The design data is the core's; the screen
// state nested in it belongs to the graphical front end alone.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "core/edit/history.h"
#include "core/refusal.h"
#include "core/synth/crest.h"
#include "core/workspace/calibration.h"

namespace pelorin {

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

// What the graphical front end keeps of the screen: plots, the zoom's
// previous view, panel handles and the Set/Reset layout. The core never
// reads or writes it.
struct Screen {
    int MagPlot = 0;  // the profile plot, drawn while MagFlag is 1
    int MagFlag = 0;
    int OutPlot = 0;  // the spectrum check, drawn while OutFlag is 1
    int OutFlag = 0;
    int PlayedPlot = 0;  // the played-once spectrum, drawn while PlayedFlag is 1
    int PlayedFlag = 0;

    double tempfreqmin = 0.0;  // the previous view, kHz
    double tempfreqmax = 0.0;

    std::vector<CalibrantPeak> calibrant_table;  // the calibration panel's list

    bool usetek = true;   // the Set/Reset panel starts in the Tektronix layout
    bool mzaxis = false;  // the graph and the frequency entries in m/z, not kHz

    std::string document;  // the file last stored or imported, for the title
    bool unsaved = false;  // a waveform made or imported and not yet stored

    // The design: the recipe lines of the steps committed since the last
    // Set/Reset (none before one, nor after an import), and the profile
    // edits that can be undone until the synthesis.
    std::vector<std::string> design;
    std::vector<std::string> design_saved;  // the design as last saved or opened
    bool designing = false;
    std::string design_gap;  // why the design cannot be saved, when it cannot
    EditHistory history;

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
    int IsolateHandle = 0;
    int awg_handle = 0;
};

struct Workspace {
    // N, the number of profile points; 2N (the waveform length) after a
    // synthesis from the synthesis panel; the sample count after an import.
    int datapts = 0;
    double bandwidth = 0.0;  // kHz, upper end of the profile's span

    std::vector<double> Magnitude;  // the profile, N points
    std::vector<double> Swift;      // the normalised waveform

    int Arb = 0;  // AWG chosen for an import: 0 none, 1 or 2

    double cursor1 = 0.0;  // window bounds, kHz: typed or from the graph cursors
    double cursor2 = 0.0;

    double HadamardWidth = 0.0;  // Hz

    // The phase law of the syntheses, single ones and series' members alike.
    PhaseChoice synthesis;

    // The mass calibration and the peaks it was fitted to (none for typed
    // coefficients); the m/z range a design works in unless told otherwise:
    // lowmass at f = bandwidth, highmass at f = DefaultFloorKhz(bandwidth).
    // Both NaN, with mass_refusal saying why, without a profile or where the
    // calibration gives no m/z over that range.
    Calibration calibration;
    std::vector<CalibrantPeak> calibrants;
    double lowmass = std::numeric_limits<double>::quiet_NaN();
    double highmass = std::numeric_limits<double>::quiet_NaN();
    std::string mass_refusal = "There is no profile yet: apply Set/Reset first.";

    MenuPhase phase = MenuPhase::Start;
    WaveformSource source = WaveformSource::None;

    Screen screen;
};

// True once a Set/Reset has made a profile.
inline bool HasProfile(const Workspace& ws) {
    return ws.phase != MenuPhase::Start;
}

// True while the profile may be shaped: after a Set/Reset and before a
// synthesis from the synthesis panel or an import, with datapts naming the
// profile's length.
bool ProfileEditable(const Workspace& ws);

// Throws a Refusal unless a Set/Reset has made a profile.
void RequireSetReset(const Workspace& ws);

// Throws a Refusal saying why the profile cannot be edited now.
void RequireEditableProfile(const Workspace& ws);

}  // namespace pelorin

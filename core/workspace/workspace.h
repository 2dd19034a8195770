// The workspace record: the state every operation reads and writes, and the
// rule that guards profile editing.
#pragma once

#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// Everything the workspace holds but the profile and the waveform: small
// enough to copy whole for an undo.
struct WorkspaceSettings {
    double bandwidth = 0.0;  // kHz, upper end of the profile's span

    int Arb = 0;  // AWG chosen for an import: 0 none, 1 or 2

    double cursor1 = 0.0;  // window bounds, kHz: typed or from the graph cursors
    double cursor2 = 0.0;

    double HadamardWidth = 0.0;      // Hz
    std::vector<float> frequencies;  // the list the Hadamard encoding uses, kHz

    // The two graph cursors a recipe placed (kHz), for windows read from them.
    std::optional<std::pair<double, double>> graph_cursors;

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
};

struct Workspace : WorkspaceSettings {
    // The profile, N points, and the normalised waveform: 2N samples after a
    // synthesis, an import's own count, the last member written after a
    // series. Each has its own length; neither says anything of the other's.
    std::vector<double> Magnitude;
    std::vector<double> Swift;
};

// True once a Set/Reset has made a profile.
inline bool HasProfile(const Workspace& ws) {
    return ws.phase != MenuPhase::Start;
}

// True while the profile may be shaped: after a Set/Reset and before a
// synthesis from the synthesis panel or an import.
bool ProfileEditable(const Workspace& ws);

// Throws a Refusal unless a Set/Reset has made a profile.
void RequireSetReset(const Workspace& ws);

// Throws a Refusal saying why the profile cannot be edited now.
void RequireEditableProfile(const Workspace& ws);

}  // namespace pelorin

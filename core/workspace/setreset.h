// Set/Reset: (re)defining the profile, and the bandwidth snapping to the
// sample clocks of the two arbitrary waveform generators.
#pragma once

#include <optional>

#include "core/files/datfile.h"
#include "core/limits.h"
#include "core/workspace/workspace.h"

namespace pelorin {

// A profile of samples / 2 points (an odd count loses its last sample) over
// 0 … bandwidth kHz, all zero, made before the workspace changes (beside the
// window, for a long one). Refuses a count below 2 or above kMaxSamples, a
// bandwidth that is not a positive number, and an allocation that fails.
struct NewProfile {
    int points = 0;
    double bandwidth = 0.0;
    std::vector<double> levels;
};
NewProfile PrepareProfile(int samples, double bandwidth);

// Takes a prepared profile: the previous profile and waveform go, and with
// them their memory and the transform plans of longer records, given back to
// the system. Moves the workspace to the editable phase; leaves plots and
// menus to the caller.
void TakeProfile(Workspace& ws, NewProfile&& profile);

// Both: a refused or failed allocation keeps the previous profile.
void SetReset(Workspace& ws, int samples, double bandwidth);

// The Tektronix entry snaps to a sample clock of period 4e-08 s.
struct TekSnap {
    int k;             // whole clock periods per sample
    double snapped;    // 12500 / k kHz, the smallest achievable bandwidth not below the entry
    double increment;  // (snapped + 0.01) - next: one arrow press lands on the next lower value
};

// Snaps bw (kHz). Empty for a bandwidth outside 0 < bw <= 12500 kHz, where no
// whole number of clock periods exists.
std::optional<TekSnap> SnapTektronix(double bw);

}  // namespace pelorin

// Hadamard-encoded SWIFT batches: each row of a Sylvester Hadamard matrix
// excites a band around every listed frequency whose entry in that row is +1.
#pragma once

#include <span>
#include <vector>

#include "core/synth/series.h"
#include "core/workspace/workspace.h"

namespace pelorin {

// Level written inside an excited band.
inline constexpr double kHadamardLevel = 100.0;

// Writes kHadamardLevel over the band of every frequency list[i] (kHz) for
// which entry (i + 1, row) of H_N is +1, N = HadamardOrder(list.size()). A band
// spans list[i] -/+ HadamardWidth / 2 (HadamardWidth in Hz), both end points
// included, clamped to the profile. Points outside the bands are not touched.
// Returns 0, or -1 with Magnitude unchanged when the list or the profile is
// empty, row lies outside 0 .. N - 1, or the transform's work array cannot be
// had.
int BuildHadamard(std::span<double> Magnitude, const std::vector<float>& list, double bandwidth,
                  double HadamardWidth, int row);

// Rows 1 .. N - 1, each from a cleared profile, smoothed with width 3 and
// stored under SeriesMemberName(name, row), using ws.bandwidth and
// ws.HadamardWidth. Refuses before writing anything when the list is empty or
// holds a frequency outside 0 .. bandwidth, and as RunSeries does. A row that
// excites nothing has no power and is skipped (listed in the report).
SeriesReport BatchHadamard(Workspace& ws, const std::vector<float>& list, const SeriesName& name,
                           const SeriesProgress& progress = {}, unsigned threads = 0);

}  // namespace pelorin

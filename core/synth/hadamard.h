// Hadamard-encoded SWIFT batches: each row of a Sylvester Hadamard matrix
// excites a band around every listed frequency whose entry in that row is +1.
#pragma once

#include <span>
#include <vector>

#include "core/synth/series.h"

namespace pelorin {

// Order of the Hadamard matrix used for n frequencies: the smallest power of
// two greater than n (3 gives 4, 4 gives 8, 7 gives 8). 0 for n < 1, and for
// n >= 2^30, whose order does not fit an int.
int HadamardOrder(int n);

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
// stored under SeriesMemberName(name, row), the bands width_hz wide. Refuses before writing
// anything when the list is empty or holds a frequency outside 0 .. bandwidth, and as RunSeries
// does. A row that excites nothing has no power and is skipped (listed in the report).
SeriesReport BatchHadamard(const SeriesTarget& target, const std::vector<float>& list,
                           double width_hz, const SeriesName& name,
                           const SeriesProgress& progress = {}, unsigned threads = 0);

}  // namespace pelorin

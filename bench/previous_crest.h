// The optimised phase of the previous release, for the benchmarks.
#pragma once

#include <span>
#include <vector>

namespace pelorin::bench {

// Phases for the profile's points whose record has a low crest factor on the
// record's own points (L-BFGS on the p-norm, from the whole-record sweep).
std::vector<double> PreviousLowCrestPhases(std::span<const double> profile, int factor,
                                           int iterations);

}  // namespace pelorin::bench

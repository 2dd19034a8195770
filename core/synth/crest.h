// Lower crest factors: phases for a profile's points that keep its magnitudes
// but spread the waveform's power evenly in time, so that more of the
// generator's code range carries power.
#pragma once

#include <functional>
#include <span>
#include <vector>

namespace pelorin {

// The phase law of a synthesis.
enum class PhaseLaw { Quadratic, Optimised };

struct PhaseChoice {
    PhaseLaw law = PhaseLaw::Quadratic;
    int iterations = 400;  // for the optimised law
};

inline constexpr int kMaxCrestIterations = 100000;
// The longest waveform the optimised law takes: its work grows with the
// length times the iterations (about a minute at this length).
inline constexpr std::size_t kMaxOptimisedSamples = std::size_t{1} << 22;

// Called after each iteration with the count done and the count asked for;
// false ends the optimisation there (the best phases so far are kept).
using CrestProgress = std::function<bool(int done, int total)>;

// Phases for the profile's points whose waveform (2N samples, as
// SynthesiseSwift makes it) has a low crest factor, the magnitudes untouched.
// Starts from the quadratic law that sweeps the whole record (factor 2, with
// the sign of `factor` for the sweep's direction; a sweep over the record's
// middle half, factor 1, starts farther from an even envelope), then lowers
// the p-norm of the waveform for p = 4, 8, … 512, which tends to its largest
// sample, by a limited-memory quasi-Newton method (L-BFGS) whose gradient
// takes one real-input transform. Returns the phases with the lowest crest
// factor met in `iterations` steps. Deterministic. Throws Refusal as
// SwiftPhases does, and for a profile longer than kMaxOptimisedSamples / 2.
std::vector<double> LowCrestPhases(std::span<const double> profile, int factor, int iterations,
                                   const CrestProgress& progress = {});

// The largest |sample| over the root mean square of the samples.
double CrestFactor(std::span<const double> samples);

}  // namespace pelorin

// Lower crest factors: a waveform for a profile whose power is spread evenly
// in time, so that more of the generator's code range carries power, while
// the spectrum of the record played once stays within a mask around the
// design between the record's frequency points as well as on them.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <vector>

namespace pelorin {

// The phase law of a synthesis.
enum class PhaseLaw { Quadratic, Optimised };

struct PhaseChoice {
    PhaseLaw law = PhaseLaw::Quadratic;
    int iterations = 60;  // for the optimised law
};

inline constexpr int kMaxCrestIterations = 100000;
// The longest waveform the optimised law takes: about 90 bytes a sample of
// work arrays (1.5 GB at this length), and a few minutes for the default
// iterations.
inline constexpr std::size_t kMaxOptimisedSamples = std::size_t{1} << 24;

// What the optimised law promises of the record played once, measured on its
// spectrum zero-padded to eight times its length with the margins of the
// played-once figures: the level in each band within this many dB of its
// root mean square, the stop band and the notches at least this far below it.
inline constexpr double kOptimisedRippleDb = 0.5;
inline constexpr double kOptimisedStopDb = -40.0;
inline constexpr double kOptimisedNotchDb = -30.0;

// Called after each iteration with the count done and the count asked for;
// false ends the optimisation there (the best record so far that keeps the
// mask is kept).
using CrestProgress = std::function<bool(int done, int total)>;

// A record of 2N samples for the profile's N points, as SynthesiseSwift
// makes one before its normalisation (its spectrum at point k is the profile's
// level there, times 2N), with a low crest factor and a played-once spectrum
// that keeps the mask above. Starts from a sweep of the whole record, without
// wrapping, whose time at each frequency follows the square root of the
// design's level (upward for a negative `factor`, downward for a positive
// one); the design's edges are raised cosines across the margins. Then
// alternates between the record with its peaks clipped and its spectrum,
// zero-padded four times, held in the mask: the clipping level falls to 1.4
// times the root mean square over the first 30 % of the iterations, then
// follows the records, lower after one that keeps the mask. Returns the record
// of the lowest crest factor met that keeps the mask; when none does, up to 20
// more iterations without clipping polish the last one into it (and that is
// returned whatever it meets). With iterations 0, the start itself. Cancel
// (progress returning false) ends the iterations there, keeping the best
// record so far. Deterministic. Throws Refusal as SwiftPhases does, and for a
// profile longer than kMaxOptimisedSamples / 2.
std::vector<double> LowCrestRecord(std::span<const double> profile, int factor, int iterations,
                                   const CrestProgress& progress = {});

// The largest |sample| over the root mean square of the samples.
double CrestFactor(std::span<const double> samples);

}  // namespace pelorin

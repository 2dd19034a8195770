// SWIFT synthesis: from the magnitude profile to the normalised time-domain
// waveform.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "core/memory.h"
#include "core/synth/crest.h"
#include "core/synth/fft.h"

namespace pelorin {

// The phase of every profile point under the quadratic phase law, in radians:
// phase[i] = pi * factor * (S2(i) / S + i / 2), with S the total power, S1 the
// running power and S2 the running sum of S1 (pi taken as 3.14159).
// Throws Refusal for an empty profile, a profile without power, or one whose
// power or phases are not finite.
std::vector<double> SwiftPhases(std::span<const double> magnitude, int factor);

// The same, written into phase, which must have the size of magnitude (else
// std::invalid_argument) and must not overlap it.
void SwiftPhases(std::span<const double> magnitude, int factor, std::span<double> phase);

// Work arrays that a caller synthesising many waveforms of one length (a
// series) keeps from one synthesis to the next, so that each does not take and
// return fresh memory. They are released when the caller drops them.
class SwiftWork {
public:
    // An aligned block of at least n doubles; its contents are undefined.
    AlignedDoubles& Block(std::size_t n);

private:
    AlignedDoubles block_;
};

// The SWIFT waveform of a profile of N points with the given phase factor (its
// sign sets the sweep direction, its size the sweep length; the series pass
// -1): waveform receives 2N samples whose largest excursion is 1.0. With
// `check` given, *check receives the spectrum check: the 2N magnitudes of the
// forward transform of the (unnormalised) time signal padded to twice its
// length; its even points reproduce the profile.
// Throws Refusal, leaving waveform and *check untouched, when the profile
// cannot be synthesised (empty, too long, no power) or memory runs out.
// `work`, when given, lends the work arrays; nothing else is touched.
void SynthesiseSwift(std::span<const double> profile, int factor, std::vector<double>& waveform,
                     std::vector<double>* check = nullptr, SwiftWork* work = nullptr);

// The same with the phase law chosen: the quadratic law is the synthesis
// above, bit for bit, and progress (when given) hears of each of its stages
// and may cancel it before the waveform is written (Cancelled is thrown,
// waveform and *check untouched); the optimised law normalises LowCrestRecord(profile,
// factor, choice.iterations, progress), and its spectrum check is that of the
// record it made. Refuses as above, and as LowCrestRecord does.
void SynthesiseSwift(std::span<const double> profile, int factor, std::vector<double>& waveform,
                     std::vector<double>* check, SwiftWork* work, const PhaseChoice& choice,
                     const CrestProgress& progress = {});

}  // namespace pelorin

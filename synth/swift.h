// SWIFT synthesis: from the magnitude profile to the normalised time-domain
// waveform.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "app/workspace.h"
#include "platform/fft.h"

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
    // A buffer of at least n complex values; its contents are undefined.
    SplitComplexBuffer& Buffer(std::size_t n);
    std::vector<double> spare;  // the storage of the waveform before last

private:
    std::optional<SplitComplexBuffer> buffer_;
};

// Synthesises the waveform of ws.Magnitude, N = ws.datapts points, with the
// given phase factor (its sign sets the sweep direction, its size the sweep
// length; the series pass -1). On success ws.Swift holds 2N samples whose
// largest excursion is 1.0, ws.datapts is 2N and ws.SwiftFlag is 1.
// With `check` given, *check receives the spectrum check: the 2N magnitudes of
// the forward transform of the (unnormalised) time signal padded to twice its
// length; its even points reproduce the profile.
// Throws Refusal, leaving ws and *check untouched, when the profile cannot be
// synthesised (N < 1, N beyond the profile, no power) or memory runs out.
// `work`, when given, lends the work arrays.
void ProcessSwift(Workspace& ws, int factor, std::vector<double>* check = nullptr,
                  SwiftWork* work = nullptr);

}  // namespace pelorin

// The phased spectrum of a synthesis: every profile point turned from
// magnitude and phase into Cartesian form, the step that costs a sine and a
// cosine per point.
#pragma once

#include <cstddef>

namespace pelorin {

// out[2k] = magnitude[k] cos(phase[k]), out[2k + 1] = magnitude[k] sin(phase[k])
// for k < n. phase may share memory with out if phase[k] never lies below
// out + 2k + 2 (so the phases may be kept in the upper half of out's block);
// magnitude must not. On processors with AVX2 the sines and cosines come four
// at a time from the C library's vector maths (within a few units in the last
// place of std::sin and std::cos), after an exact reduction of the argument to
// -pi .. pi; elsewhere from std::cos and std::sin. Four points in a row without
// magnitude give (+0, +0) each.
void PhasedSpectrum(const double* magnitude, const double* phase, double* out, std::size_t n);

}  // namespace pelorin

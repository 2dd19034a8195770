// Fast Walsh-Hadamard transform of a single-precision vector and the two
// power-of-two helpers that the synthesis and Hadamard commands share.
#pragma once

#include <span>

namespace pelorin {

// Largest order the transform and Exp_2_N handle: 2^30 is the largest power
// of two an int holds.
inline constexpr int kMaxHadamardOrder = 30;

// Replaces the first 2^order values of vector by H_N times them (N = 2^order,
// Sylvester order, unnormalised; the rest of the span is not touched).
// Returns 0, or -1 with the vector unchanged when order is outside
// 0..kMaxHadamardOrder, the span holds fewer than 2^order values or the work
// array cannot be allocated.
int Hadamard(std::span<float> vector, int order);

// Integer part of log2 n; n < 1 gives 0.
int Log_2_N(int n);

// 2^k, with k clamped to 0..30: k < 0 gives 1 and k > 30 gives 2^30.
int Exp_2_N(int k);

}  // namespace pelorin

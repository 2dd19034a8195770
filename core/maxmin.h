#pragma once

#include <span>

namespace pelorin {

inline constexpr int kMaxMinNoData = -20003;

// Largest and smallest element of a, skipping NaN. Ties keep the earliest
// index; after a new maximum the element is not compared with the minimum.
// An all-NaN array gives NaN at index -1. Returns 0, or -20003 for an empty
// array, in which case the outputs are not written.
int MaxMin1D(std::span<const double> a, double& max, int& imax, double& min, int& imin);

// The smallest and the largest value, NaN skipped.
struct ValueBounds {
    double lo;
    double hi;
    bool Any() const { return lo <= hi; }
};

// The bounds of a: {+inf, -inf} (Any() false) when it holds no number. Runs
// four values at a time where the processor can; the result is the same.
ValueBounds BoundsOf(std::span<const double> a);

}  // namespace pelorin

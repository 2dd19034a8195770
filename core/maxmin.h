#pragma once

#include <span>

namespace pelorin {

inline constexpr int kMaxMinNoData = -20003;

// Largest and smallest element of a, skipping NaN. Ties keep the earliest
// index; after a new maximum the element is not compared with the minimum.
// An all-NaN array gives NaN at index -1. Returns 0, or -20003 for an empty
// array, in which case the outputs are not written.
int MaxMin1D(std::span<const double> a, double& max, int& imax, double& min, int& imin);

}  // namespace pelorin

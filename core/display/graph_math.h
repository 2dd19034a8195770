// The arithmetic of the frequency axis and of the graph's ranges, kept free of
// any widget so that both front ends share it and tests reach it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace pelorin {

// The frequency (kHz) of point i of count points spread over 0 … bandwidth:
// the profile's N points and the spectrum check's 2N points span one range.
inline double PointFrequency(std::size_t i, std::size_t count, double bandwidth) {
    return (static_cast<double>(i) * bandwidth) / static_cast<double>(count);
}

struct Range {
    double lower;
    double upper;
};

// An axis range the graph can draw: ordered, finite and of nonzero width. An
// empty request (both ends at one place) becomes a narrow window around it,
// so that a zoom never leaves a blank or inverted axis.
inline Range DrawableRange(double lo, double hi) {
    if (!std::isfinite(lo) || !std::isfinite(hi))
        return {0.0, 1.0};
    if (hi < lo)
        std::swap(lo, hi);
    const double span = hi - lo;
    const double scale = std::max(std::fabs(lo), std::fabs(hi));
    const double least = std::max(scale * 1e-9, 1e-12);
    if (span >= least)
        return {lo, hi};
    const double mid = lo + span / 2;
    const double half = std::max(scale * 1e-3, 1e-3);
    return {mid - half, mid + half};
}

// Value range that shows every y value with a margin; a flat or empty set
// of values gets a unit window so that it stays visible.
inline Range PaddedRange(double lo, double hi, bool any) {
    if (!any || !std::isfinite(lo) || !std::isfinite(hi))
        return {-0.05, 1.05};
    if (hi - lo <= 0.0) {
        const double pad = std::max(std::fabs(hi) * 0.05, 0.05);
        return {std::min(lo, 0.0) - pad, std::max(hi, 1.0) + pad};
    }
    const double pad = (hi - lo) * 0.05;
    return {lo - pad, hi + pad};
}

}  // namespace pelorin

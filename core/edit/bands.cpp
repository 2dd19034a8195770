#include "core/edit/bands.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <utility>

namespace pelorin {

namespace {

bool GeometryValid(double bandwidth, int n) {
    return std::isfinite(bandwidth) && bandwidth > 0.0 && n >= 1;
}

}  // namespace

int FrequencyToIndex(double f, double bandwidth, int n) {
    const double x = (f / bandwidth) * static_cast<double>(n);
    if (std::isnan(x))
        return -1;
    // Converting a double outside the int range is undefined: clamp first,
    // one step beyond each end so out-of-range bounds stay recognisable.
    const double high =
        std::min(static_cast<double>(std::max(n, 0)) + 1.0, static_cast<double>(INT_MAX));
    return static_cast<int>(std::clamp(x, -1.0, high));
}

std::int64_t FrequencyToBandIndex(double f, double bandwidth, int n) {
    const double x = (f / bandwidth) * static_cast<double>(n);
    if (std::isnan(x))
        return 0;
    constexpr double kLimit = 4611686018427387904.0;  // 2^62
    return static_cast<std::int64_t>(std::clamp(x, -kLimit, kLimit));
}

IndexWindow NotchWindow(double bound1, double bound2, double bandwidth, int n) {
    if (std::isnan(bound1) || std::isnan(bound2) || !GeometryValid(bandwidth, n))
        return {0, 0};
    if (bound2 < bound1)
        std::swap(bound1, bound2);
    const int start = std::clamp(FrequencyToIndex(bound1, bandwidth, n), 0, n);
    const int end = std::clamp(FrequencyToIndex(bound2, bandwidth, n), start, n);
    return {start, end};
}

void SetWindow(std::span<double> Magnitude, IndexWindow w, double level) {
    const std::ptrdiff_t size = static_cast<std::ptrdiff_t>(Magnitude.size());
    const std::ptrdiff_t start = std::clamp<std::ptrdiff_t>(w.start, 0, size);
    const std::ptrdiff_t end = std::clamp<std::ptrdiff_t>(w.end, start, size);
    std::fill(Magnitude.begin() + start, Magnitude.begin() + end, level);
}

IndexWindow InclusiveBand(float f, float halfwidth, double bandwidth, int n) {
    if (!GeometryValid(bandwidth, n))
        return {0, 0};
    // Single-precision operands, single-precision difference and sum.
    const float low = f - halfwidth;
    const float high = f + halfwidth;
    const int first = std::max(FrequencyToIndex(low, bandwidth, n), 0);
    const int last = std::min(FrequencyToIndex(high, bandwidth, n), n - 1);
    // NaN maps to -1, so a NaN frequency or half width lands here as well.
    if (first > last)
        return {0, 0};
    return {first, last + 1};
}

}  // namespace pelorin

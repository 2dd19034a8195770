#include "core/display/envelope.h"

#include <algorithm>
#include <cmath>

#include "core/maxmin.h"

namespace pelorin {

std::vector<EnvelopePoint> Envelope(std::span<const double> y, double origin, double step,
                                    double lo, double hi, int columns) {
    std::vector<EnvelopePoint> out;
    const auto n = static_cast<std::ptrdiff_t>(y.size());
    if (n == 0 || !(step > 0.0) || !(hi >= lo))
        return out;
    // The points in view, one more on each side.
    const double first_at = std::floor((lo - origin) / step) - 1.0;
    const double last_at = std::ceil((hi - origin) / step) + 1.0;
    const auto first =
        static_cast<std::ptrdiff_t>(std::clamp(first_at, 0.0, static_cast<double>(n - 1)));
    const auto last =
        static_cast<std::ptrdiff_t>(std::clamp(last_at, 0.0, static_cast<double>(n - 1)));
    const std::ptrdiff_t count = last - first + 1;
    const auto key = [&](std::ptrdiff_t i) { return origin + static_cast<double>(i) * step; };
    columns = std::max(columns, 1);
    if (count <= 2 * static_cast<std::ptrdiff_t>(columns)) {
        out.reserve(static_cast<std::size_t>(count));
        for (std::ptrdiff_t i = first; i <= last; ++i)
            out.push_back({key(i), y[static_cast<std::size_t>(i)]});
        return out;
    }
    out.reserve(2 * static_cast<std::size_t>(columns) + 2);
    for (int c = 0; c < columns; ++c) {
        const std::ptrdiff_t from = first + count * c / columns;
        const std::ptrdiff_t to = first + count * (c + 1) / columns;  // exclusive
        if (to <= from)
            continue;
        // The bounds first, four values at a time; then which of the two
        // comes first, the earliest of each as the scan would have kept it.
        const std::span<const double> column =
            y.subspan(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
        const ValueBounds b = BoundsOf(column);
        if (!b.Any()) {  // every point NaN: the first one stands for them
            out.push_back({key(from), column.front()});
            out.push_back({key(from), column.front()});
            continue;
        }
        const double vmin = b.lo, vmax = b.hi;
        std::size_t i = 0;
        while (column[i] != vmin && column[i] != vmax)
            ++i;
        const double at = key(from);
        if (column[i] == vmin) {
            out.push_back({at, vmin});
            out.push_back({at, vmax});
        } else {
            out.push_back({at, vmax});
            out.push_back({at, vmin});
        }
    }
    return out;
}

}  // namespace pelorin

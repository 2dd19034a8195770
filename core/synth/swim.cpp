#include "core/synth/swim.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace pelorin {

int CalcSwim(std::span<double> Magnitude, std::int64_t start, std::int64_t end, double base,
             double peak, std::uint32_t nodes, int law) {
    if (law < 1 || law > 5 || end <= start)
        return 0;

    const double pi = 4.0 * std::atan(1.0);
    // Band geometry in double: end - start can exceed int for bounds far
    // outside the profile, and nodes * k would wrap in 32-bit arithmetic.
    const double delta = static_cast<double>(end) - static_cast<double>(start);
    const double dnodes = static_cast<double>(nodes);
    const double span = peak - base;

    const std::int64_t size = static_cast<std::int64_t>(Magnitude.size());
    const std::int64_t lo = std::max<std::int64_t>(start, 0);
    const std::int64_t hi = std::min<std::int64_t>(end, size);

    // The bracketed evaluation order below is part of the result: the laws
    // must reproduce the same doubles wherever they are computed.
    switch (law) {
        case 1:
            for (std::int64_t i = lo; i < hi; ++i) {
                const double k = static_cast<double>(i - start);
                const double x = ((dnodes * k) * pi) / delta - pi / 2.0;
                Magnitude[i] = (std::sin(x) + 1.0) * (0.5 * span) + base;
            }
            break;
        case 2:
            for (std::int64_t i = lo; i < hi; ++i) {
                const double k = static_cast<double>(i - start);
                const double x = (((pi / 2.0) * dnodes) * k) / delta;
                Magnitude[i] = std::fabs(std::sin(x)) * span + base;
            }
            break;
        case 3:
            for (std::int64_t i = lo; i < hi; ++i) {
                const double k = static_cast<double>(i - start);
                const double x = ((pi * dnodes) * k) / delta - pi / 2.0;
                Magnitude[i] = std::sin(x) > 0.0 ? peak : base;
            }
            break;
        case 4:
            for (std::int64_t i = lo; i < hi; ++i) {
                const double k = static_cast<double>(i - start);
                const double x = (((pi / 2.0) * dnodes) * k) / delta;
                const double s = std::sin(x);
                Magnitude[i] = s * (s * span) + base;
            }
            break;
        case 5: {
            const double a =
                (((2.0 * pi * static_cast<double>(start)) * static_cast<double>(end)) * dnodes) /
                delta;
            const double b = -pi / 2.0 - ((2.0 * pi * static_cast<double>(end)) * dnodes) / delta;
            for (std::int64_t i = lo; i < hi; ++i) {
                // a / 0 has no value; base is what the law gives at the start of
                // a band that begins at 0, and the trough level everywhere else.
                if (i == 0) {
                    Magnitude[i] = base;
                    continue;
                }
                Magnitude[i] =
                    (std::sin(a / static_cast<double>(i) + b) + 1.0) * (0.5 * span) + base;
            }
            break;
        }
    }
    return 0;
}

SeriesReport SwimSeries(const SeriesTarget& target, BandIndices band, double base, double peak,
                        std::uint32_t first, std::uint32_t last, int law, bool smooth,
                        const SeriesName& name, const SeriesProgress& progress, unsigned threads) {
    const auto build = [&](std::span<double> profile, std::uint64_t nodes) {
        CalcSwim(profile, band.start, band.end, base, peak, static_cast<std::uint32_t>(nodes), law);
    };
    return RunSeries(target, name, first, last, build, smooth, progress, threads);
}

}  // namespace pelorin

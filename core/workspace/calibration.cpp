#include "core/workspace/calibration.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/refusal.h"

namespace pelorin {

namespace {

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

// The nearest multiple of a 1, 2 or 5 step that is about `spacing` wide.
double RoundTo(double v, double spacing) {
    const double decade = std::pow(10.0, std::floor(std::log10(spacing)));
    double step = decade;
    for (double m : {2.0, 5.0, 10.0})
        if (decade * m <= spacing)
            step = decade * m;
    return std::round(v / step) * step;
}

}  // namespace

double MzFromKhz(const Calibration& c, double khz) {
    const double f = khz * 1000.0;
    return c.Acoeff / f + c.Bcoeff / (f * f);
}

double KhzFromMz(const Calibration& c, double mz) {
    const double root = std::sqrt(c.Acoeff * c.Acoeff + 4.0 * c.Bcoeff * mz);
    return (c.Acoeff + root) / (2.0 * mz) / 1000.0;
}

void CheckCalibration(const Calibration& c, double bandwidth, int points) {
    if (!std::isfinite(c.Acoeff) || !std::isfinite(c.Bcoeff))
        throw Refusal("The calibration coefficients must be numbers.");
    if (!(c.Acoeff > 0.0))
        throw Refusal("The A coefficient must be positive (" + Number(c.Acoeff) +
                      " Hz was given): m/z = A / f + B / f^2 would not fall as f rises.");
    if (points < 1 || !(bandwidth > 0.0))
        return;
    // Over f >= f_low the m/z falls while A f + 2 B > 0 and stays positive
    // while A f + B > 0; both are least at the lowest frequency.
    const double low = bandwidth * 1000.0 / points;
    if (!(c.Acoeff * low + 2.0 * c.Bcoeff > 0.0))
        throw Refusal("With B = " + Number(c.Bcoeff) + " the m/z would rise again below " +
                      Number(-2.0 * c.Bcoeff / c.Acoeff / 1000.0) +
                      " kHz, inside the profile: raise B or the profile's lowest frequency.");
    if (!(c.Acoeff * low + c.Bcoeff > 0.0))
        throw Refusal("With B = " + Number(c.Bcoeff) +
                      " the m/z would not be positive at the profile's lowest frequency.");
}

MassRange ProfileMassRange(const Calibration& c, double bandwidth, int points) {
    return {MzFromKhz(c, bandwidth), MzFromKhz(c, bandwidth / points)};
}

std::vector<double> MzTicks(const Calibration& c, double lo, double hi, int count) {
    std::vector<double> ticks;
    if (!(hi > lo) || count < 1)
        return ticks;
    // m/z has no value at 0 Hz: start the ticks just above it.
    lo = std::max(lo, hi * 1e-6);
    const double step = (hi - lo) / count;
    for (int k = 0; k <= count; ++k) {
        const double f = lo + step * (k + 0.5);
        if (f > hi)
            break;
        const double mz = MzFromKhz(c, f);
        const double spacing = std::fabs(MzFromKhz(c, f - step / 2) - MzFromKhz(c, f + step / 2));
        if (!std::isfinite(mz) || !(spacing > 0.0) || !std::isfinite(spacing))
            continue;
        const double round = RoundTo(mz, spacing);
        if (round > 0.0 && (ticks.empty() || round < ticks.back()))
            ticks.push_back(round);
    }
    return ticks;
}

}  // namespace pelorin

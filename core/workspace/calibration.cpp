#include "core/workspace/calibration.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "core/refusal.h"

namespace pelorin {

namespace {

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

// The largest step of 1, 2 or 5 times a power of ten that is at most gap.
double StepWithin(double gap) {
    const double decade = std::pow(10.0, std::floor(std::log10(gap)));
    double step = decade;
    for (double m : {2.0, 5.0})
        if (decade * m <= gap)
            step = decade * m;
    return step;
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
    if (!(hi > lo) || count < 1 || !std::isfinite(lo) || !std::isfinite(hi))
        return ticks;
    // From the high-frequency end, where m/z is smallest, each tick is the
    // first multiple of a round step at or below a frequency limit: hi for the
    // first, `apart` kHz below the last tick for the others. The step is the
    // largest round one within the m/z that `apart` kHz span there, so ticks
    // stand one to two `apart` from each other whatever the slope of m/z, and
    // each is a round value of its neighbourhood.
    const double apart = (hi - lo) / count;
    double limit = hi;
    while (limit > 0.0 && limit >= lo && ticks.size() < static_cast<std::size_t>(2 * count + 2)) {
        const double at_limit = MzFromKhz(c, limit);
        const double gap = at_limit - MzFromKhz(c, limit + apart);
        if (!std::isfinite(at_limit) || !(gap > 0.0))
            break;
        const double step = StepWithin(gap);
        const double mz = std::ceil(at_limit / step) * step;
        const double f = KhzFromMz(c, mz);
        if (!(f >= lo))
            break;
        ticks.push_back(mz);
        limit = f - apart;
    }
    std::reverse(ticks.begin(), ticks.end());  // falling m/z: rising frequency
    return ticks;
}

}  // namespace pelorin

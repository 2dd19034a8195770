#include "core/workspace/calibration.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
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

void CheckCoefficients(const Calibration& c) {
    if (!std::isfinite(c.Acoeff) || !std::isfinite(c.Bcoeff))
        throw Refusal("The calibration coefficients must be numbers.");
    if (!(c.Acoeff >= kLeastA && c.Acoeff <= kLargestA))
        throw Refusal("The A coefficient must lie from " + Number(kLeastA) + " to " +
                      Number(kLargestA) + " Hz (a magnet of 0.0065 to 650 T), not " +
                      Number(c.Acoeff) + " Hz.");
    const double b = std::fabs(c.Bcoeff);
    if (b > kLargestB || (b > 0.0 && b < std::numeric_limits<double>::min()))
        throw Refusal("The B coefficient must be 0 or lie from " +
                      Number(std::numeric_limits<double>::min()) + " to " + Number(kLargestB) +
                      " Hz² in size, not " + Number(c.Bcoeff) + " Hz².");
}

void CheckCalibrationOver(const Calibration& c, double lo_khz, double hi_khz,
                          const std::string& range) {
    CheckCoefficients(c);
    // Over f >= lo the m/z falls while A f + 2 B > 0, which also keeps it
    // positive (A f + B > 0); both are least at the lowest frequency.
    const double low = lo_khz * 1000.0;
    if (c.Acoeff * low + 2.0 * c.Bcoeff > 0.0)
        return;
    const double turn = -2.0 * c.Bcoeff / c.Acoeff / 1000.0;
    throw Refusal("With A = " + Number(c.Acoeff) + " Hz and B = " + Number(c.Bcoeff) +
                  " Hz², m/z rises again below " + Number(turn) + " kHz, inside " + range + " (" +
                  Number(lo_khz) + " to " + Number(hi_khz) +
                  " kHz): give that range a higher low end, or check B (about -A times the "
                  "magnetron frequency in a trap).");
}

void CheckMz(const Calibration& c, double mz) {
    CheckCoefficients(c);
    if (!(mz > 0.0) || !std::isfinite(mz))
        throw Refusal("An m/z must be a positive number, not " + Number(mz) + ".");
    if (!(c.Acoeff * c.Acoeff + 4.0 * c.Bcoeff * mz > 0.0))
        throw Refusal("m/z " + Number(mz) +
                      " lies beyond the largest m/z this calibration gives, " +
                      Number(c.Acoeff * c.Acoeff / (-4.0 * c.Bcoeff)) + " at " +
                      Number(-2.0 * c.Bcoeff / c.Acoeff / 1000.0) + " kHz.");
}

double DefaultFloorKhz(double bandwidth) {
    const double floor = std::max(0.01 * bandwidth, 10.0);
    return floor < bandwidth ? floor : 0.01 * bandwidth;
}

MassRange MassRangeOf(const Calibration& c, double floor_khz, double bandwidth) {
    return {MzFromKhz(c, bandwidth), MzFromKhz(c, floor_khz)};
}

std::vector<double> ResidualsPpm(const Calibration& c, std::span<const CalibrantPeak> peaks) {
    std::vector<double> ppm;
    for (const CalibrantPeak& p : peaks)
        ppm.push_back((MzFromKhz(c, p.khz) - p.mz) / p.mz * 1e6);
    return ppm;
}

CalibrationFit FitCalibration(std::span<const CalibrantPeak> peaks) {
    if (peaks.empty())
        throw Refusal("Give at least one calibrant: its m/z and the frequency it was measured at.");
    double top = 0.0;
    for (const CalibrantPeak& p : peaks) {
        if (!(p.mz > 0.0) || !std::isfinite(p.mz) || !(p.khz > 0.0) || !std::isfinite(p.khz))
            throw Refusal("A calibrant needs a positive m/z and a positive frequency, not m/z " +
                          Number(p.mz) + " at " + Number(p.khz) + " kHz.");
        top = std::max(top, p.khz * 1000.0);
    }
    CalibrationFit fit;
    if (peaks.size() == 1) {
        fit.calibration = {peaks[0].mz * (peaks[0].khz * 1000.0), 0.0};
    } else {
        // m/z = a u + b u^2 with u = top / f, a = A / top and b = B / top^2:
        // columns of like size. Least squares by Gram-Schmidt on the two
        // columns, steadier than the normal equations.
        const std::size_t n = peaks.size();
        std::vector<double> u(n), u2(n), q1(n), q2(n);
        double r11 = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            u[i] = top / (peaks[i].khz * 1000.0);
            u2[i] = u[i] * u[i];
            r11 += u[i] * u[i];
        }
        r11 = std::sqrt(r11);
        double r12 = 0.0, r22 = 0.0, scale = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            q1[i] = u[i] / r11;
            r12 += q1[i] * u2[i];
            scale += u2[i] * u2[i];
        }
        for (std::size_t i = 0; i < n; ++i) {
            q2[i] = u2[i] - r12 * q1[i];
            r22 += q2[i] * q2[i];
        }
        r22 = std::sqrt(r22);
        if (!(r22 > 1e-12 * std::sqrt(scale)))
            throw Refusal(
                "The calibrants all stand at one frequency, which gives A and B no single "
                "value: add a peak at another frequency, or keep one peak for A alone.");
        double y1 = 0.0, y2 = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            q2[i] /= r22;
            y1 += q1[i] * peaks[i].mz;
            y2 += q2[i] * peaks[i].mz;
        }
        const double b = y2 / r22;
        const double a = (y1 - r12 * b) / r11;
        fit.calibration = {a * top, b * top * top};
    }
    CheckCoefficients(fit.calibration);
    fit.residual_ppm = ResidualsPpm(fit.calibration, peaks);
    double squares = 0.0;
    for (double r : fit.residual_ppm)
        squares += r * r;
    fit.rms_ppm = std::sqrt(squares / static_cast<double>(peaks.size()));
    return fit;
}

int MzDecimals(double spacing) {
    if (!(spacing > 0.0) || !std::isfinite(spacing))
        return 3;
    return std::clamp(static_cast<int>(std::ceil(-std::log10(spacing))), 0, 6);
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

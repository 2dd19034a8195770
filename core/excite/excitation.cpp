#include "core/excite/excitation.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <limits>
#include <numeric>

#include "core/memory.h"
#include "core/refusal.h"
#include "core/synth/fft.h"

namespace pelorin {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;
// Transforms of the record cut short, to follow the swing while it plays:
// about this many samples of transform in all, and within these bounds.
constexpr std::size_t kCheckpointWork = std::size_t{1} << 27;
constexpr std::size_t kLeastCheckpoints = 4, kMostCheckpoints = 64;
// The grid's points a profile point.
constexpr std::size_t kPadding = 4;
// A target's window: the grid points around it where the excitation stays
// below this share of the range's middle level, the notch and its edges.
constexpr double kWindowLevel = 0.9;
// Frequencies below this carry power that moves every ion off axis.
constexpr double kLowHz = 1000.0;

std::string Short(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", v);
    return text;
}

// The motion of an ion of cyclotron frequency wc in a trap of scale k
// (rad/s): ω± = ωc/2 ± √(ωc²/4 − k ωc).
struct Motion {
    double wc = 0.0, wp = 0.0, wm = 0.0;
    bool held = true;  // the trap holds it radially
};

Motion OfCyclotron(double wc, double k) {
    const double disc = wc * wc / 4.0 - k * wc;
    if (disc < 0.0)
        return {wc, wc / 2.0, wc / 2.0, false};
    const double root = std::sqrt(disc);
    return {wc, wc / 2.0 + root, wc / 2.0 - root, true};
}

// The same from the reduced-cyclotron frequency: ω₋ = k ω₊ / (ω₊ − k).
Motion OfReduced(double wp, double k) {
    if (k <= 0.0)
        return {wp, wp, 0.0, true};
    if (wp <= 2.0 * k)
        return {wp, wp, wp, false};
    const double wm = k * wp / (wp - k);
    return {wp + wm, wp, wm, true};
}

// |∫ over one sample period of e^{−iωt}| / Δ: the hold's sinc.
double Hold(double f, double fs, bool hold) {
    const double x = kPi * f / fs;
    return hold && x != 0.0 ? std::fabs(std::sin(x) / x) : 1.0;
}

// Running sums Σ s_n e^{−2πi f n Δ} over the record at the frequencies
// given: after(n, sums) is called at every sample boundary n = 1 … S with
// the sums over the first n samples.
template <class After>
void RunningSums(std::span<const double> s, std::span<const double> freqs, double fs, After after) {
    std::vector<std::complex<double>> sum(freqs.size()), turn(freqs.size()), step(freqs.size());
    for (std::size_t j = 0; j < freqs.size(); ++j)
        step[j] = std::polar(1.0, -kTwoPi * freqs[j] / fs);
    for (std::size_t n = 0; n < s.size(); ++n) {
        if (n % 1024 == 0)
            // The rotation afresh now and then: its error does not grow.
            for (std::size_t j = 0; j < freqs.size(); ++j) {
                const double cycles = freqs[j] / fs * static_cast<double>(n);
                turn[j] = std::polar(1.0, -kTwoPi * (cycles - std::floor(cycles)));
            }
        for (std::size_t j = 0; j < freqs.size(); ++j) {
            sum[j] += s[n] * turn[j];
            turn[j] *= step[j];
        }
        after(n + 1, std::span<const std::complex<double>>(sum));
    }
}

}  // namespace

const char* VerdictName(Verdict v) {
    switch (v) {
        case Verdict::Ejected:
            return "ejected";
        case Verdict::Lost:
            return "lost";
        case Verdict::Kept:
            return "kept";
        case Verdict::Partial:
            return "partial";
    }
    return "?";
}

std::vector<double> PlayedValues(std::span<const std::uint16_t> codes) {
    std::vector<double> v(codes.size());
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = 2.0 * codes[i] / 4095.0 - 1.0;
    return v;
}

IonResponse ExcitationReport::At(std::size_t i) const {
    const GridPoint& g = grid[i];
    const double f = g.bin * bin_hz;
    const Motion m = OfReduced(kTwoPi * f, trap_k);
    return {MzFromKhz(calibration, m.wc / kTwoPi / 1000.0),
            f,
            g.r_plus_mm,
            g.r_minus_mm,
            g.peak_mm,
            g.verdict};
}

namespace {

struct Setting {
    double fs, delta, scale, wall_mm, kept_mm, k;
    bool hold;
};

Verdict Judge(const Motion& m, double r_plus, double r_minus, double peak, const Setting& s) {
    if (!m.held)
        return Verdict::Lost;
    if (r_plus >= s.wall_mm)
        return Verdict::Ejected;
    if (peak >= s.wall_mm)
        return Verdict::Lost;
    return r_plus + r_minus <= s.kept_mm ? Verdict::Kept : Verdict::Partial;
}

// One target, followed sample by sample.
IonResponse Target(std::span<const double> played, double mz, const ExcitationSetup& setup,
                   const Setting& s) {
    const Motion m = OfCyclotron(kTwoPi * KhzFromMz(setup.calibration, mz) * 1000.0, s.k);
    const double fp = m.wp / kTwoPi, fm = m.wm / kTwoPi;
    const double c = m.held ? s.scale * m.wc / (m.wp - m.wm) : 0.0;
    const double cp = c * Hold(fp, s.fs, s.hold), cm = c * Hold(fm, s.fs, s.hold);
    const double freqs[2] = {fp, fm};
    double peak = 0.0, rp = 0.0, rm = 0.0;
    RunningSums(played, freqs, s.fs, [&](std::size_t, std::span<const std::complex<double>> sum) {
        rp = cp * std::abs(sum[0]);
        rm = s.k > 0.0 ? cm * std::abs(sum[1]) : 0.0;
        peak = std::max(peak, rp + rm);
    });
    IonResponse r{mz, fp, rp, rm, peak, Verdict::Partial};
    r.verdict = Judge(m, rp, rm, peak, s);
    return r;
}

}  // namespace

ExcitationReport Excite(std::span<const double> played, double bandwidth_khz,
                        const ExcitationSetup& setup, const ExcitationProgress& progress) {
    const Cell& cell = setup.cell;
    if (played.empty())
        throw Refusal("There is no waveform to excite with: synthesise, import or open one first.");
    if (!(setup.vpp > 0.0) || !std::isfinite(setup.vpp))
        throw Refusal("The excitation voltage must be a positive number of volts, peak to peak.");
    if (!(cell.size_mm > 0.0) || !(cell.wall_mm > 0.0) || !(cell.length_mm > 0.0) ||
        !std::isfinite(cell.size_mm) || !std::isfinite(cell.wall_mm))
        throw Refusal("The cell's size, length and wall radius must be positive numbers of mm.");
    if (!(setup.trap_v >= 0.0) || !std::isfinite(setup.trap_v))
        throw Refusal("The trapping voltage must be 0 or a positive number of volts.");
    ExcitationReport report;
    report.calibration = setup.calibration;
    report.beta = ExcitationFactor(cell);
    report.alpha = TrappingFactor(cell);
    report.tesla = setup.tesla ? *setup.tesla : setup.calibration.Acoeff / kHzPerTesla;
    if (!(report.tesla > 0.0) || !std::isfinite(report.tesla) || !(report.beta > 0.0))
        throw Refusal("The field and the excitation factor must be positive.");
    const double d = cell.size_mm / 1000.0;
    Setting s;
    s.fs = 2.0 * bandwidth_khz * 1000.0;
    s.delta = 1.0 / s.fs;
    // r = β / (d B) × |∫ V e^{−iωt} dt|, V = (Vpp / 2) × the played value,
    // each held Δ: per unit of |Σ s_n e^{−iωnΔ}|, in mm.
    s.scale = 1000.0 * report.beta / (d * report.tesla) * (setup.vpp / 2.0) * s.delta;
    s.wall_mm = cell.wall_mm;
    s.kept_mm = setup.kept_share * cell.wall_mm;
    s.k = report.alpha * setup.trap_v / (report.tesla * d * d);
    s.hold = setup.hold;
    report.trap_k = s.k;

    // The grid: the record padded to four times its length, one transform.
    const std::size_t samples = played.size();
    const std::size_t length = kPadding * samples + (kPadding * samples) % 2;
    report.bin_hz = s.fs / static_cast<double>(length);
    auto [lo_mz, hi_mz] = setup.range_mz;
    if (lo_mz > hi_mz)
        std::swap(lo_mz, hi_mz);
    CheckMz(setup.calibration, lo_mz);
    CheckMz(setup.calibration, hi_mz);
    const Motion top = OfCyclotron(kTwoPi * KhzFromMz(setup.calibration, lo_mz) * 1000.0, s.k);
    const Motion bottom = OfCyclotron(kTwoPi * KhzFromMz(setup.calibration, hi_mz) * 1000.0, s.k);
    if (!top.held)
        throw Refusal("A trap of " + Short(setup.trap_v) +
                      " V holds no ion of the range in this field: lower it.");
    // Up to the profile's last point, a point below the bandwidth: beyond
    // it the design excites nothing and the hold's sinc takes the rest.
    const double last_bin = static_cast<double>(length / 2 - std::min(length / 2, kPadding));
    const double from_bin = std::ceil(bottom.wp / kTwoPi / report.bin_hz);
    const double to_bin = std::floor(top.wp / kTwoPi / report.bin_hz);
    const auto first = static_cast<std::size_t>(std::clamp(from_bin, 1.0, last_bin));
    const auto last = static_cast<std::size_t>(std::clamp(to_bin, 0.0, last_bin));
    if (from_bin > last_bin || to_bin < 1.0 || first > last)
        throw Refusal("The m/z range " + Short(lo_mz) + " to " + Short(hi_mz) +
                      " lies outside the waveform's frequencies.");

    const std::size_t count = last - first + 1;
    // Single precision from here on: millions of points, and radii wanted
    // to four digits.
    std::vector<float> factor_p(count), factor_m(count), fm(count), size(count);
    const auto motion = [&](std::size_t i) {
        return OfReduced(kTwoPi * static_cast<double>(first + i) * report.bin_hz, s.k);
    };
    for (std::size_t i = 0; i < count; ++i) {
        const double f = static_cast<double>(first + i) * report.bin_hz;
        const Motion m = motion(i);
        const double c = m.held ? s.scale * m.wc / (m.wp - m.wm) : 0.0;
        factor_p[i] = static_cast<float>(c * Hold(f, s.fs, s.hold));
        fm[i] = static_cast<float>(m.wm / kTwoPi);
        factor_m[i] = static_cast<float>(c * Hold(fm[i], s.fs, s.hold));
    }

    // The magnetron part: the few distinct magnetron frequencies of the
    // range, followed through the record, interpolated between. Without a
    // trap there is none: the record's mean then drifts the guiding centre
    // (E × B), which a warning reports.
    const std::size_t checkpoints =
        std::clamp(kCheckpointWork / length, kLeastCheckpoints, kMostCheckpoints);
    std::vector<double> mag_f;
    std::vector<std::vector<double>> mag_at(checkpoints);  // |Σ| at each checkpoint
    if (s.k > 0.0) {
        const auto [lo, hi] = std::minmax_element(fm.begin(), fm.end());
        for (int j = 0; j <= 16; ++j)
            mag_f.push_back(*lo + (*hi - *lo) * j / 16.0);
        std::size_t next = 1;
        RunningSums(played, mag_f, s.fs,
                    [&](std::size_t n, std::span<const std::complex<double>> sum) {
                        if (n * checkpoints < next * samples)
                            return;
                        for (const auto& z : sum)
                            mag_at[next - 1].push_back(std::abs(z));
                        ++next;
                    });
    }
    const auto magnetron = [&](std::size_t k, double f) {
        if (mag_f.size() < 2)
            return 0.0;
        const double lo = mag_f.front(), hi = mag_f.back();
        const double x = hi > lo ? (f - lo) / (hi - lo) * 16.0 : 0.0;
        const auto j = static_cast<std::size_t>(std::clamp(std::floor(x), 0.0, 15.0));
        const double t = x - static_cast<double>(j);
        return mag_at[k][j] + (mag_at[k][j + 1] - mag_at[k][j]) * t;
    };

    // The record cut at each checkpoint, transformed: the swing while it
    // plays; the last checkpoint is the whole record.
    std::vector<float> peak(count, 0.0f);
    double low_power = 0.0, all_power = 0.0;
    try {
        AlignedDoubles block(length + 2);
        for (std::size_t k = 0; k < checkpoints; ++k) {
            if (progress && !progress(static_cast<int>(k), static_cast<int>(checkpoints)))
                throw Cancelled("The excitation was cancelled.");
            const std::size_t cut = samples * (k + 1) / checkpoints;
            double* y = block.data();
            std::copy(played.begin(), played.begin() + static_cast<std::ptrdiff_t>(cut), y);
            std::fill(y + cut, y + length + 2, 0.0);
            ForwardRealFft(y, block.size(), length);
            for (std::size_t i = 0; i < count; ++i) {
                const std::size_t b = first + i;
                const double a = std::hypot(y[2 * b], y[2 * b + 1]);
                const double total = factor_p[i] * a + factor_m[i] * magnetron(k, fm[i]);
                peak[i] = std::max(peak[i], static_cast<float>(total));
                if (k + 1 == checkpoints)
                    size[i] = static_cast<float>(a);
            }
            if (k + 1 == checkpoints)
                for (std::size_t b = 0; b <= length / 2; ++b) {
                    const double p = y[2 * b] * y[2 * b] + y[2 * b + 1] * y[2 * b + 1];
                    all_power += p;
                    if (static_cast<double>(b) * report.bin_hz < kLowHz)
                        low_power += p;
                }
        }
    } catch (const std::bad_alloc&) {
        throw Refusal("There is not enough memory to follow the ions over this waveform.");
    }

    // The grid, m/z falling.
    report.grid.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        GridPoint& g = report.grid[i];
        g.bin = static_cast<std::uint32_t>(first + i);
        const double rp = static_cast<double>(factor_p[i]) * size[i];
        const double rm = factor_m[i] * magnetron(checkpoints - 1, fm[i]);
        g.r_plus_mm = static_cast<float>(rp);
        g.r_minus_mm = static_cast<float>(rm);
        g.peak_mm = std::max(peak[i], static_cast<float>(rp + rm));
        g.verdict = Judge(motion(i), rp, rm, g.peak_mm, s);
    }

    // The targets, and their windows: around each, the grid points where
    // the excitation stays below nine tenths of its middle level.
    std::vector<float> sorted(size);
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(count / 2),
                     sorted.end());
    const double middle = sorted[count / 2];
    for (double mz : setup.targets) {
        CheckMz(setup.calibration, mz);
        report.targets.push_back(Target(played, mz, setup, s));
        const double at = report.targets.back().frequency_hz / report.bin_hz;
        const auto centre = static_cast<std::size_t>(std::clamp(
            std::round(at) - static_cast<double>(first), 0.0, static_cast<double>(count - 1)));
        std::size_t lo = centre, hi = centre;
        while (lo > 0 && size[lo - 1] < kWindowLevel * middle)
            --lo;
        while (hi + 1 < count && size[hi + 1] < kWindowLevel * middle)
            ++hi;
        for (std::size_t i = lo; i <= hi; ++i)
            report.grid[i].window = true;
        // From the last point kept to the first ejected on each side, in m/z.
        Transition t{std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::quiet_NaN()};
        const auto span = [&](std::size_t from, int dir) {
            std::size_t kept = from, i = from;
            while (true) {
                const GridPoint& g = report.grid[i];
                if (g.r_plus_mm >= s.wall_mm)
                    return std::fabs(report.At(kept).mz - report.At(i).mz);
                if (g.r_plus_mm <= s.kept_mm)
                    kept = i;
                if ((dir < 0 && i == 0) || (dir > 0 && i + 1 == count))
                    return std::numeric_limits<double>::quiet_NaN();
                i = dir < 0 ? i - 1 : i + 1;
            }
        };
        // Outward from the target: lower frequencies are higher m/z.
        t.above_mz = span(centre, -1);
        t.below_mz = span(centre, +1);
        report.transitions.push_back(t);
    }

    // What the operator asks: the least radius outside the windows, the
    // voltages that eject everything else and keep every target.
    double least = std::numeric_limits<double>::infinity();
    std::size_t outside = 0, ejected = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const GridPoint& g = report.grid[i];
        if (g.window)
            continue;
        ++outside;
        ejected += g.verdict == Verdict::Ejected;
        if (g.r_plus_mm < least) {
            least = g.r_plus_mm;
            report.min_radius_mz = report.At(i).mz;
        }
    }
    report.min_radius_mm = outside > 0 ? least : 0.0;
    report.ejected_fraction = outside > 0 ? static_cast<double>(ejected) / outside : 0.0;
    report.vpp_to_eject =
        least > 0.0 ? setup.vpp * s.wall_mm / least : std::numeric_limits<double>::infinity();
    report.vpp_to_keep = std::numeric_limits<double>::infinity();
    for (const IonResponse& t : report.targets) {
        const double final_mm = t.r_plus_mm + t.r_minus_mm;
        if (final_mm > 0.0)
            report.vpp_to_keep = std::min(report.vpp_to_keep, setup.vpp * s.kept_mm / final_mm);
        if (t.peak_mm > 0.0)
            report.vpp_to_keep = std::min(report.vpp_to_keep, setup.vpp * s.wall_mm / t.peak_mm);
    }
    if (s.k > 0.0)
        report.magnetron_hz = OfCyclotron(0.5 * (top.wc + bottom.wc), s.k).wm / kTwoPi;

    // Warnings.
    if (all_power > 0.0 && low_power > 1e-3 * all_power)
        report.warnings.push_back(Short(100.0 * low_power / all_power) +
                                  " % of the record's power lies below 1 kHz: it moves every "
                                  "ion off axis, whatever its m/z.");
    double swing = 0.0;
    for (const GridPoint& g : report.grid)
        swing = std::max(swing, static_cast<double>(g.r_minus_mm));
    for (const IonResponse& t : report.targets)
        swing = std::max(swing, t.r_minus_mm);
    if (s.k > 0.0 && swing > s.kept_mm)
        report.warnings.push_back("The record reaches down to the magnetron frequency (" +
                                  Short(report.magnetron_hz) + " Hz): ions end up to " +
                                  Short(swing) + " mm off axis on their magnetron orbit.");
    for (const IonResponse& t : report.targets)
        if (t.peak_mm >= s.wall_mm)
            report.warnings.push_back(
                "Target m/z " + Short(t.mz) + " swings to " + Short(t.peak_mm) +
                " mm while the record plays: the wall is at " + Short(s.wall_mm) + " mm.");
    for (std::size_t i : {std::size_t{0}, count - 1}) {
        const GridPoint& g = report.grid[i];
        if (!g.window && g.verdict != Verdict::Ejected)
            report.warnings.push_back("m/z " + Short(report.At(i).mz) +
                                      " at the end of the range is not ejected (r+ " +
                                      Short(g.r_plus_mm) + " mm).");
    }
    const double mean = std::accumulate(played.begin(), played.end(), 0.0) / samples;
    const double drift_mm = s.scale / s.delta * std::fabs(mean) * samples * s.delta;
    if (s.k == 0.0 && drift_mm >= 0.1)
        report.warnings.push_back("The record's mean, " + Short(mean * 4095.0 / 2.0) +
                                  " code, is a steady field: without a trap it drifts every ion " +
                                  Short(drift_mm) + " mm sideways (E × B) while the record plays.");
    return report;
}

}  // namespace pelorin

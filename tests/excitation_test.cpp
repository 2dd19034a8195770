// What a waveform does to the ions: the geometry factors against their
// Laplace-series values, a single tone against the closed form, the trap's
// magnetron frequency against its small-voltage limit, and the linear
// response against a time-domain integration of the Lorentz force.
#include "core/excite/excitation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numeric>
#include <random>

#include "core/refusal.h"

namespace pelorin {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Values of the Laplace solutions, converged to double precision by two
// independent series and checked against a finite-difference solution.
TEST(CellFactors, MatchTheLaplaceSolution) {
    struct Case {
        CellShape shape;
        double lam, beta, alpha;
    };
    const Case cases[] = {
        {CellShape::Cubic, 1.0, 0.72166780, 2.77372894},
        {CellShape::Cylinder, 1.0, 0.80859330, 2.84036252},
        {CellShape::Cylinder, 2.0, 0.89822123, 0.29995471},
        {CellShape::Cylinder, 0.5, 0.399738, 4.542088},
        {CellShape::Cylinder, 1.5, 0.886212, 0.972201},
        {CellShape::Cylinder, 3.0, 0.900271, 0.027261},
        {CellShape::Cubic, 0.5, 0.319182, 3.647320},
        {CellShape::Cubic, 1.5, 0.814026, 1.081865},
        {CellShape::Cubic, 3.0, 0.834519, 0.040784},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(ShapeName(c.shape)) + " L/d " + std::to_string(c.lam));
        EXPECT_NEAR(ExcitationFactor(c.shape, c.lam), c.beta, 5e-7);
        EXPECT_NEAR(TrappingFactor(c.shape, c.lam), c.alpha, 5e-7);
    }
    // The infinitely long cylinder: 2√2/π, and no trapping field.
    EXPECT_DOUBLE_EQ(ExcitationFactor(CellShape::Infinity, 1.0), 2.0 * std::sqrt(2.0) / kPi);
    EXPECT_EQ(TrappingFactor(CellShape::Infinity, 1.0), 0.0);
    EXPECT_NEAR(ExcitationFactor(CellShape::Cylinder, 50.0), 2.0 * std::sqrt(2.0) / kPi, 1e-12);
    // The short- and long-cell series meet at L = D without a step.
    EXPECT_NEAR(ExcitationFactor(CellShape::Cylinder, 1.0),
                ExcitationFactor(CellShape::Cylinder, std::nextafter(1.0, 2.0)), 1e-12);
    EXPECT_NEAR(TrappingFactor(CellShape::Cubic, std::nextafter(1.0, 0.0)),
                TrappingFactor(CellShape::Cubic, 1.0), 1e-12);
    // Given factors win over the shape's.
    Cell given;
    given.beta = 0.5;
    given.alpha = 1.25;
    EXPECT_EQ(ExcitationFactor(given), 0.5);
    EXPECT_EQ(TrappingFactor(given), 1.25);
}

// One tone, 65536 samples at 1250 kHz, 2 Vpp, a 60 mm cylinder as long as
// wide, 7 T, no trap: r = β V₀ T / (2 d B) × sinc(f / fs) on the tone,
// 24.956 mm held and 25.234 mm ideal; half a point off, 2/π of that; one
// point off, nothing.
TEST(Excitation, ASingleToneGivesTheClosedForm) {
    const std::size_t n = 65536;
    const double fs = 2.5e6, f = 5373.0 * fs / n;  // 204963.684 Hz
    std::vector<double> played(n);
    for (std::size_t t = 0; t < n; ++t)
        played[t] = std::cos(2.0 * kPi * f * static_cast<double>(t) / fs);
    ExcitationSetup setup;
    setup.vpp = 2.0;
    const double a = setup.calibration.Acoeff;
    const double point = fs / n;  // one profile point, Hz
    setup.targets = {a / f, a / (f + 0.5 * point), a / (f + point)};
    setup.range_mz = {a / 300e3, a / 100e3};
    const ExcitationReport held = Excite(played, 1250.0, setup);
    setup.hold = false;
    const ExcitationReport ideal = Excite(played, 1250.0, setup);
    EXPECT_NEAR(held.targets[0].r_plus_mm, 24.956, 0.001);
    EXPECT_NEAR(ideal.targets[0].r_plus_mm, 25.234, 0.001);
    EXPECT_NEAR(ideal.targets[1].r_plus_mm / ideal.targets[0].r_plus_mm, 2.0 / kPi, 1e-4);
    EXPECT_LT(ideal.targets[2].r_plus_mm, 1e-3 * ideal.targets[0].r_plus_mm);
    EXPECT_EQ(held.targets[0].r_minus_mm, 0.0);
    // The grid holds the tone too, four points a profile point.
    EXPECT_DOUBLE_EQ(held.bin_hz, point / 4.0);
    float most = 0.0f;
    for (const GridPoint& g : held.grid)
        most = std::max(most, g.r_plus_mm);
    EXPECT_NEAR(most, 24.956, 0.001);
    // An ion at rest ends at the radius it grew to: the tone's rises all
    // the way (the guiding centre wobbles by a few µm within each cycle).
    EXPECT_NEAR(held.targets[0].peak_mm, held.targets[0].r_plus_mm, 0.001);
}

// The magnetron frequency tends to α V_T / (2π d² B) as the trap weakens.
TEST(Excitation, MagnetronFrequencyInTheWeakTrapLimit) {
    std::vector<double> played(4096, 0.0);
    played[100] = 1.0;
    ExcitationSetup setup;
    setup.range_mz = {500.0, 600.0};
    setup.trap_v = 0.01;
    const ExcitationReport r = Excite(played, 1250.0, setup);
    const double limit = r.alpha * 0.01 / (2.0 * kPi * 0.06 * 0.06 * r.tesla);
    EXPECT_NEAR(r.magnetron_hz / limit, 1.0, 1e-5);
    // 1 V in a 60 mm cylinder at 7 T: about 17.9 Hz.
    setup.trap_v = 1.0;
    EXPECT_NEAR(Excite(played, 1250.0, setup).magnetron_hz, 17.94, 0.01);
}

// The ion's equation of motion, u = x + iy, integrated through the record
// with fourth-order Runge-Kutta, the field held over each sample:
// u'' + i ωc u' − (ωz²/2) u = (q/m) β V(t) / d, with q/m = ωc / B.
struct Integrated {
    double r_plus, r_minus, peak;
};

Integrated Integrate(const std::vector<double>& played, double fs, double vpp, double wc,
                     double wz2, double beta, double d, double b) {
    using C = std::complex<double>;
    const C i(0.0, 1.0);
    const double qm = wc / b;
    const int steps = 64;  // a sample
    const double h = 1.0 / (fs * steps);
    C u = 0.0, v = 0.0;
    double peak = 0.0;
    for (double s : played) {
        const double force = qm * beta * (vpp / 2.0) * s / d;
        const auto accel = [&](C pos, C vel) { return force - i * wc * vel + 0.5 * wz2 * pos; };
        for (int k = 0; k < steps; ++k) {
            const C k1u = v, k1v = accel(u, v);
            const C k2u = v + 0.5 * h * k1v, k2v = accel(u + 0.5 * h * k1u, v + 0.5 * h * k1v);
            const C k3u = v + 0.5 * h * k2v, k3v = accel(u + 0.5 * h * k2u, v + 0.5 * h * k2v);
            const C k4u = v + h * k3v, k4v = accel(u + h * k3u, v + h * k3v);
            u += h / 6.0 * (k1u + 2.0 * k2u + 2.0 * k3u + k4u);
            v += h / 6.0 * (k1v + 2.0 * k2v + 2.0 * k3v + k4v);
            peak = std::max(peak, std::abs(u));
        }
    }
    // The free motion after it: u = P e^{−iω₊t} + M e^{−iω₋t}.
    const double root = std::sqrt(wc * wc / 4.0 - wz2 / 2.0);
    const double wp = wc / 2.0 + root, wm = wc / 2.0 - root;
    return {std::abs(i * v - wm * u) / (wp - wm) * 1000.0,
            std::abs(i * v - wp * u) / (wp - wm) * 1000.0, peak * 1000.0};
}

TEST(Excitation, AgreesWithTheIntegratedEquationsOfMotion) {
    // A chirp of 2048 samples at 2 × 125 kHz over 20 … 100 kHz, noise on it.
    const std::size_t n = 2048;
    const double fs = 250e3;
    std::vector<double> played(n);
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> noise(-0.05, 0.05);
    for (std::size_t t = 0; t < n; ++t) {
        const double x = static_cast<double>(t) / n;
        played[t] = 0.9 * std::sin(2.0 * kPi * (20e3 * x + 40e3 * x * x) * (n / fs)) + noise(gen);
    }
    // Without a trap the model leaves out the drift of the record's mean
    // (a warning gives it): the record here has none.
    const double mean = std::accumulate(played.begin(), played.end(), 0.0) / n;
    for (double& v : played)
        v -= mean;
    ExcitationSetup setup;
    setup.vpp = 40.0;
    setup.calibration.Acoeff = 1e8;
    setup.range_mz = {1e8 / 110e3, 1e8 / 10e3};
    setup.targets = {1e8 / 30e3, 1e8 / 61.7e3, 1e8 / 95e3, 1e8 / 115e3};
    for (double trap : {0.0, 2.0}) {
        SCOPED_TRACE("trap " + std::to_string(trap));
        setup.trap_v = trap;
        const ExcitationReport r = Excite(played, fs / 2000.0, setup);
        for (const IonResponse& t : r.targets) {
            SCOPED_TRACE("m/z " + std::to_string(t.mz));
            const double wc = 2.0 * kPi * 1e8 / t.mz;
            const double wz2 = 2.0 * r.alpha * trap * wc / (r.tesla * 0.06 * 0.06);
            const Integrated x = Integrate(played, fs, setup.vpp, wc, wz2, r.beta, 0.06, r.tesla);
            EXPECT_NEAR(t.r_plus_mm / x.r_plus, 1.0, 1e-3);
            if (trap > 0.0)
                EXPECT_NEAR(t.r_minus_mm / x.r_minus, 1.0, 1e-3);
            else
                EXPECT_LT(x.r_minus, 0.01 * x.r_plus + 1e-3);
            // The farthest it went: the two radii as they grow, added, at
            // each sample boundary. (Off resonance the guiding centre's own
            // wobble, left out without a trap, is all the motion there is.)
            if (x.r_plus > 1.0) {
                EXPECT_NEAR(t.peak_mm / x.peak, 1.0, 0.05);
            }
        }
    }
}

// A small isolation played at a voltage that works: the target kept, the
// rest of the range ejected, the boundary a few points wide, and the
// voltages that frame it.
TEST(Excitation, VerdictsOfASmallIsolation) {
    const std::size_t n = 4096;
    const double fs = 2.5e6;
    // A flat band over 100 … 600 kHz with a notch of ±2 points at 300 kHz,
    // each point its own phase so that the band plays evenly in time.
    std::vector<std::complex<double>> spectrum(n / 2 + 1);
    const double point = fs / n;
    const std::size_t notch = static_cast<std::size_t>(300e3 / point);
    for (std::size_t k = static_cast<std::size_t>(100e3 / point); k <= 600e3 / point; ++k)
        if (k + 4 < notch || k > notch + 4)
            spectrum[k] = std::polar(1.0, kPi * static_cast<double>(k * k) / (n / 2));
    std::vector<double> played(n, 0.0);
    for (std::size_t t = 0; t < n; ++t)
        for (std::size_t k = 0; k < spectrum.size(); ++k)
            if (spectrum[k] != 0.0)
                played[t] += std::real(
                    spectrum[k] * std::polar(1.0, 2.0 * kPi * static_cast<double>(k * t % n) / n));
    double top = 0.0;
    for (double v : played)
        top = std::max(top, std::fabs(v));
    for (double& v : played)
        v /= top;
    ExcitationSetup setup;
    setup.calibration.Acoeff = 1e8;
    const double target = 1e8 / (static_cast<double>(notch) * point);
    setup.targets = {target};
    setup.range_mz = {1e8 / 580e3, 1e8 / 120e3};
    setup.vpp = 1000.0;
    ExcitationReport r = Excite(played, fs / 2000.0, setup);
    // Everything outside the window at or above the wall at the voltage it
    // names, and the target within a tenth of the wall below the other.
    setup.vpp = 1.01 * r.vpp_to_eject;
    r = Excite(played, fs / 2000.0, setup);
    std::size_t ejected = 0, outside = 0;
    for (const GridPoint& g : r.grid)
        if (!g.window) {
            ++outside;
            ejected += g.verdict == Verdict::Ejected || g.verdict == Verdict::Lost;
        }
    EXPECT_EQ(ejected, outside);
    ASSERT_LT(r.vpp_to_eject, r.vpp_to_keep) << "the design should work at some voltage";
    setup.vpp = 0.99 * r.vpp_to_keep;
    r = Excite(played, fs / 2000.0, setup);
    EXPECT_EQ(r.targets[0].verdict, Verdict::Kept);
    EXPECT_LE(r.targets[0].r_plus_mm, 3.0);
    setup.vpp = 1.02 * r.vpp_to_keep;
    EXPECT_NE(Excite(played, fs / 2000.0, setup).targets[0].verdict, Verdict::Kept);
    // The window spans the nine notched points, the boundary a few beyond.
    std::size_t window = 0;
    for (const GridPoint& g : r.grid)
        window += g.window;
    EXPECT_GE(window, 4u * 8);
    EXPECT_LE(window, 4u * 11);
    EXPECT_GT(r.transitions[0].above_mz, 0.0);
    EXPECT_LT(r.transitions[0].above_mz, 4.0 * target * target * point / 1e8);
}

TEST(Excitation, RefusesWhatCannotBePlayed) {
    std::vector<double> played(64, 0.5);
    ExcitationSetup setup;
    setup.range_mz = {500.0, 600.0};
    const auto refused = [&](const ExcitationSetup& s, std::span<const double> p) {
        try {
            Excite(p, 1250.0, s);
        } catch (const Refusal&) {
            return true;
        }
        return false;
    };
    EXPECT_TRUE(refused(setup, {}));
    for (double bad : {0.0, -1.0, std::numeric_limits<double>::infinity()}) {
        ExcitationSetup s = setup;
        s.vpp = bad;
        EXPECT_TRUE(refused(s, played)) << bad;
        s = setup;
        s.cell.wall_mm = bad;
        EXPECT_TRUE(refused(s, played)) << bad;
    }
    // A trap that holds no ion of the range.
    ExcitationSetup strong = setup;
    strong.trap_v = 1e7;
    EXPECT_TRUE(refused(strong, played));
    // m/z beyond the waveform's frequencies.
    ExcitationSetup high = setup;
    high.range_mz = {0.001, 0.002};
    EXPECT_TRUE(refused(high, played));
}

}  // namespace
}  // namespace pelorin

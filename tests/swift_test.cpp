#include "core/synth/swift.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

#include "core/files/swf.h"
#include "core/synth/polar.h"
#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"
#include "tests/support/test_dir.h"

namespace pelorin {
namespace {

constexpr double kTwoPi = 6.283185307179586;

Workspace Profile(std::vector<double> magnitude) {
    Workspace ws;
    ws.Magnitude = std::move(magnitude);
    return ws;
}

std::vector<double> Band(int n, int from, int to) {
    std::vector<double> m(n, 0.0);
    std::fill(m.begin() + from, m.begin() + to, 1.0);
    return m;
}

// The waveform by direct summation: the phased profile in bins 0..N-1 of a
// 2N-point spectrum, inverse-transformed, real part, largest excursion 1.
std::vector<double> DirectWaveform(const std::vector<double>& m, int factor) {
    const std::size_t n = m.size();
    const std::size_t length = 2 * n;
    const std::vector<double> phase = SwiftPhases(m, factor);
    std::vector<double> x(2 * n, 0.0);
    for (std::size_t t = 0; t < length; ++t) {
        double sum = 0.0;
        for (std::size_t k = 0; k < n && k < length; ++k)
            sum += m[k] * std::cos(phase[k] + kTwoPi * static_cast<double>((k * t) % length) /
                                                  static_cast<double>(length));
        x[t] = sum;
    }
    double peak = 0.0;
    for (double v : x)
        peak = std::max(peak, std::fabs(v));
    for (double& v : x)
        v /= peak;
    return x;
}

double MaxAbs(const std::vector<double>& x) {
    double peak = 0.0;
    for (double v : x)
        peak = std::max(peak, std::fabs(v));
    return peak;
}

TEST(swift_test, phase_law) {
    const std::vector<double> ones(4, 1.0);
    const std::vector<double> phase = SwiftPhases(ones, -1);
    const double expected[] = {-0.7853975, -3.9269875, -7.853975, -12.56636};
    ASSERT_EQ(phase.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(phase[i], expected[i], 1e-12) << i;

    // For any profile the step from point i-1 to i is pi f (S1(i) / S + 1/2).
    std::mt19937 gen(3);
    std::uniform_real_distribution<double> level(0.0, 2.0);
    std::vector<double> m(100);
    for (double& v : m)
        v = level(gen);
    double total = 0.0;
    for (double v : m)
        total += v * v;
    const std::vector<double> p = SwiftPhases(m, 3);
    double s1 = m[0] * m[0];
    for (std::size_t i = 1; i < m.size(); ++i) {
        s1 += m[i] * m[i];
        EXPECT_NEAR(p[i] - p[i - 1], 3.14159 * 3 * (s1 / total + 0.5), 1e-9) << i;
    }
    EXPECT_EQ(SwiftPhases(m, 0), std::vector<double>(m.size(), 0.0));
    std::vector<double> short_out(m.size() - 1);
    EXPECT_THROW(SwiftPhases(m, 1, short_out), std::invalid_argument);
}

// The phased spectrum's sines and cosines against the C library's, at phases
// from tiny to the 10^10 radians of the longest sweeps, with points of no
// magnitude, and with the phases kept in the upper half of the output block
// as the synthesis keeps them.
TEST(swift_test, phased_spectrum_matches_sin_and_cos) {
    std::mt19937 gen(9);
    for (double range : {1e-3, 3.0, 1e6, 4e7, 6e10}) {
        SCOPED_TRACE(range);
        const std::size_t n = 1001;
        std::uniform_real_distribution<double> phase(-range, range), level(-2.0, 2.0);
        std::vector<double> m(n), block(2 * n + 2);
        double* p = block.data() + n + 2;
        for (std::size_t k = 0; k < n; ++k) {
            m[k] = k % 7 < 3 ? 0.0 : level(gen);
            p[k] = phase(gen);
        }
        const std::vector<double> phases(p, p + n);
        PhasedSpectrum(m.data(), p, block.data(), n);
        for (std::size_t k = 0; k < n; ++k) {
            EXPECT_NEAR(block[2 * k], m[k] * std::cos(phases[k]), 1e-15) << k;
            EXPECT_NEAR(block[2 * k + 1], m[k] * std::sin(phases[k]), 1e-15) << k;
        }
    }
}

TEST(swift_test, waveform_matches_direct_sum) {
    // 3 and 6 points: 2N is not a power of two and every sample is still
    // transformed.
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> level(0.0, 1.0);
    for (int n : {1, 3, 6, 8, 32}) {
        for (int factor : {-1, 1, 2, 0}) {
            SCOPED_TRACE(::testing::Message() << "N=" << n << " factor=" << factor);
            std::vector<double> m(n);
            for (double& v : m)
                v = level(gen);
            Workspace ws = Profile(m);
            ProcessSwift(ws, factor);
            ASSERT_EQ(ws.Swift.size(), 2u * n);
            EXPECT_EQ(ws.Magnitude, m);
            const std::vector<double> expected = DirectWaveform(m, factor);
            for (int t = 0; t < 2 * n; ++t)
                EXPECT_NEAR(ws.Swift[t], expected[t], 1e-12) << t;
            EXPECT_NEAR(MaxAbs(ws.Swift), 1.0, 1e-15);
        }
    }
}

TEST(swift_test, pulse_for_factor_zero_and_negative_peak) {
    const int n = 64;
    Workspace up = Profile(std::vector<double>(n, 1.0));
    ProcessSwift(up, 0);
    EXPECT_NEAR(up.Swift[0], 1.0, 1e-15);
    for (int t = 1; t < 2 * n; ++t) {
        EXPECT_NEAR(up.Swift[t], up.Swift[2 * n - t], 1e-13) << t;  // the mirror half
        if (t > 4 && t < 2 * n - 4) {
            EXPECT_LT(std::fabs(up.Swift[t]), 0.2) << t;
        }
    }

    // Negated levels turn the pulse over: the negative peak is the larger and
    // it is the one scaled to -1.
    Workspace down = Profile(std::vector<double>(n, -1.0));
    ProcessSwift(down, 0);
    const auto [lo, hi] = std::minmax_element(down.Swift.begin(), down.Swift.end());
    EXPECT_NEAR(*lo, -1.0, 1e-15);
    EXPECT_EQ(lo - down.Swift.begin(), 0);
    EXPECT_LT(*hi, 0.5);
}

TEST(swift_test, spectrum_check_reproduces_profile) {
    const int n = 512;
    const std::vector<double> m = Band(n, 128, 384);
    Workspace ws = Profile(m);
    std::vector<double> check;
    ProcessSwift(ws, -1, &check);
    ASSERT_EQ(check.size(), 2u * n);
    for (int k = 0; k < n; ++k)
        EXPECT_NEAR(check[2 * k], m[k], 1e-12) << k;

    // Between the design points the synthesised spectrum ripples, most near
    // the band edges, and stays small well outside the band.
    double edge_ripple = 0.0;
    double inner_ripple = 0.0;
    for (int k = 128; k < 383; ++k) {
        const double ripple = std::fabs(check[2 * k + 1] - 1.0);
        const bool near_edge = k < 128 + 8 || k >= 383 - 8;
        (near_edge ? edge_ripple : inner_ripple) =
            std::max(near_edge ? edge_ripple : inner_ripple, ripple);
    }
    EXPECT_GT(edge_ripple, 0.05);
    EXPECT_GT(edge_ripple, inner_ripple);
    for (int k = 0; k < 100; ++k)
        EXPECT_LT(check[2 * k + 1], 0.1) << k;

    // Every point against the definition, by direct sums: z, the complex
    // inverse of the phased profile over 2N samples, padded to 4N and
    // transformed, over 2N.
    for (const std::vector<double>& levels : {Band(48, 10, 30), std::vector<double>{1.0, 0.5, 0.25},
                                              std::vector<double>{0.0, 2.0, 0.0, 1.0, 3.0}}) {
        const std::size_t points = levels.size(), samples = 2 * points;
        Workspace small = Profile(levels);
        ProcessSwift(small, 2, &check);
        const std::vector<double> phase = SwiftPhases(levels, 2);
        std::vector<std::complex<double>> z(samples);
        for (std::size_t t = 0; t < samples; ++t)
            for (std::size_t k = 0; k < points; ++k)
                z[t] += std::polar(levels[k], phase[k] + kTwoPi * double(k * t) / samples);
        ASSERT_EQ(check.size(), samples);
        for (std::size_t j = 0; j < samples; ++j) {
            std::complex<double> sum = 0.0;
            for (std::size_t t = 0; t < samples; ++t)
                sum += z[t] * std::polar(1.0, -kTwoPi * double((j * t) % (2 * samples)) /
                                                  double(2 * samples));
            EXPECT_NEAR(check[j], std::abs(sum) / samples, 1e-12) << points << " " << j;
        }
    }

    // The check also runs when 2N is not a power of two.
    Workspace odd = Profile({1.0, 0.5, 0.25});
    ProcessSwift(odd, -1, &check);
    ASSERT_EQ(check.size(), 6u);
    EXPECT_NEAR(check[0], 1.0, 1e-12);
    EXPECT_NEAR(check[2], 0.5, 1e-12);
    EXPECT_NEAR(check[4], 0.25, 1e-12);
}

// Share of the waveform's energy in samples [from, to).
double EnergyShare(const std::vector<double>& x, std::size_t from, std::size_t to) {
    double part = 0.0;
    double all = 0.0;
    for (std::size_t t = 0; t < x.size(); ++t) {
        all += x[t] * x[t];
        if (t >= from && t < to)
            part += x[t] * x[t];
    }
    return part / all;
}

int SignChanges(const std::vector<double>& x, std::size_t from, std::size_t to) {
    int changes = 0;
    for (std::size_t t = from + 1; t < to; ++t)
        changes += (x[t - 1] < 0.0) != (x[t] < 0.0);
    return changes;
}

TEST(swift_test, sweep_direction_and_length_follow_factor) {
    const std::size_t n = 1024;
    const std::vector<double> m = Band(n, 128, 896);
    std::vector<double> swift[5];  // factor -2 .. 2
    for (int factor = -2; factor <= 2; ++factor) {
        Workspace ws = Profile(m);
        ProcessSwift(ws, factor);
        swift[factor + 2] = std::move(ws.Swift);
    }
    // Opposite factors give time-mirrored waveforms (conjugate spectra).
    for (int size : {1, 2}) {
        const std::vector<double>& minus = swift[2 - size];
        const std::vector<double>& plus = swift[2 + size];
        for (std::size_t t = 0; t < 2 * n; ++t)
            ASSERT_NEAR(plus[t], minus[(2 * n - t) % (2 * n)], 1e-9) << size << " " << t;
    }
    // Factor -1 sweeps upward through the middle half of the record, +1
    // downward; size 2 spreads the sweep over the whole record.
    const std::vector<double>& up = swift[1];
    const std::vector<double>& down = swift[3];
    EXPECT_GT(EnergyShare(up, n / 2, 3 * n / 2), 0.95);
    EXPECT_GT(EnergyShare(down, n / 2, 3 * n / 2), 0.95);
    EXPECT_GT(SignChanges(up, n, 3 * n / 2), 2 * SignChanges(up, n / 2, n));
    EXPECT_GT(SignChanges(down, n / 2, n), 2 * SignChanges(down, n, 3 * n / 2));
    const double share = EnergyShare(swift[0], n / 2, 3 * n / 2);
    EXPECT_GT(share, 0.3);
    EXPECT_LT(share, 0.7);
}

TEST(swift_test, refusals_leave_workspace_unchanged) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> cases[] = {
        {0.0, 0.0, 0.0, 0.0},  // no power
        {},                    // no points
        {1.0, nan, 1.0},       // not a number
        {1e200, 1.0},          // power overflows
        {1.2e154, 0.0, 0.0},   // the running sums overflow
    };
    for (const std::vector<double>& c : cases) {
        Workspace ws = Profile(c);
        ws.Swift = {0.25, -1.0};
        std::vector<double> check = {7.0};
        try {
            ProcessSwift(ws, -1, &check);
            ADD_FAILURE() << "no refusal for a profile of " << c.size() << " points";
        } catch (const Refusal& r) {
            EXPECT_EQ(r.title(), "Error");
            EXPECT_NE(std::string(r.what()).find(':'), std::string::npos) << r.what();
        }
        EXPECT_EQ(ws.Magnitude.size(), c.size());
        EXPECT_EQ(ws.Swift, (std::vector<double>{0.25, -1.0}));
        EXPECT_EQ(check, std::vector<double>{7.0});
    }
    EXPECT_THROW(SwiftPhases({}, -1), Refusal);
}

TEST(swift_test, second_synthesis_replaces_waveform) {
    // As a series does: synthesise, reshape, synthesise again.
    const int n = 256;
    Workspace ws = Profile(Band(n, 10, 100));
    ProcessSwift(ws, -1);
    const std::vector<double> first = ws.Swift;
    ws.Magnitude = Band(n, 150, 250);
    ProcessSwift(ws, -1);
    ASSERT_EQ(ws.Swift.size(), 2u * n);
    EXPECT_NE(ws.Swift, first);
    Workspace fresh = Profile(Band(n, 150, 250));
    ProcessSwift(fresh, -1);
    EXPECT_EQ(ws.Swift, fresh.Swift);
}

}  // namespace
}  // namespace pelorin

namespace pelorin {
namespace {

// Work arrays lent across syntheses carry the last one's data: the results
// must not depend on it, with or without the spectrum check.
TEST(swift_test, lent_work_arrays_give_the_same_results) {
    SwiftWork work;
    for (int round = 0; round < 3; ++round) {
        for (const auto& profile : {Band(256, 20, 90), Band(256, 100, 101), Band(256, 0, 256)}) {
            Workspace fresh = Profile(profile);
            Workspace reused = Profile(profile);
            std::vector<double> check_fresh, check_reused;
            const bool check = round == 1;
            ProcessSwift(fresh, -1, check ? &check_fresh : nullptr);
            ProcessSwift(reused, -1, check ? &check_reused : nullptr, &work);
            ASSERT_EQ(fresh.Swift, reused.Swift);
            ASSERT_EQ(check_fresh, check_reused);
        }
    }
}

}  // namespace
}  // namespace pelorin

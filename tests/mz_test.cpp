// Designing in m/z: the calibration's limits and checks, the fit to known
// peaks, m/z windows rounded outward, the narrow-window refusal, and what an
// isolation does to the ions played once.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "core/files/swf.h"
#include "core/synth/swift.h"
#include "core/workspace/calibration.h"
#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"

namespace pelorin {
namespace {

std::string RefusalOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Refusal& r) {
        return r.what();
    }
    return "";
}

TEST(Calibration, DefaultIsSevenTeslaAndConversionsRoundTrip) {
    EXPECT_EQ(Calibration{}.Acoeff, kHzPerTesla * 7.0);
    EXPECT_NEAR(Calibration{}.Acoeff, 107492822.84, 0.01);
    for (const Calibration c : {Calibration{}, Calibration{1.5e8, 2.0e9}, Calibration{9e7, -1e9}})
        for (int i = 1; i <= 1000; ++i) {
            const double khz = 1250.0 * i / 1000;
            EXPECT_NEAR(KhzFromMz(c, MzFromKhz(c, khz)), khz, khz * 1e-12) << c.Bcoeff;
        }
    // By hand: 7 T puts m/z 524.3 at 107492822.84 / 524.3 Hz.
    EXPECT_NEAR(KhzFromMz(Calibration{}, 524.3), 205.0216, 1e-4);
}

// Each limit: the largest (or least) accepted value and the next refused.
TEST(Calibration, EveryLimitIsAPair) {
    const auto takes = [](Calibration c) { return RefusalOf([&] { CheckCoefficients(c); }); };
    EXPECT_EQ(takes({kLeastA, 0.0}), "");
    EXPECT_NE(takes({std::nextafter(kLeastA, 0.0), 0.0}), "");
    EXPECT_EQ(takes({kLargestA, 0.0}), "");
    EXPECT_NE(takes({std::nextafter(kLargestA, 1e300), 0.0}), "");
    EXPECT_EQ(takes({1e8, kLargestB}), "");
    EXPECT_EQ(takes({1e8, -kLargestB}), "");
    EXPECT_NE(takes({1e8, std::nextafter(kLargestB, 1e300)}), "");
    EXPECT_EQ(takes({1e8, DBL_MIN}), "");
    EXPECT_NE(takes({1e8, std::nextafter(DBL_MIN, 0.0)}), "");  // subnormal
    EXPECT_NE(takes({4.9e-324, 0.0}), "");
    EXPECT_NE(takes({NAN, 0.0}), "");
    // m/z turns at f = -2 B / A: at 10 kHz exactly it no longer falls there.
    const Calibration turning{1e8, -1e8 * 10000.0 / 2.0};
    EXPECT_NE(RefusalOf([&] { CheckCalibrationOver(turning, 10.0, 1250.0, "r"); }), "");
    EXPECT_EQ(
        RefusalOf([&] { CheckCalibrationOver(turning, std::nextafter(10.0, 1e300), 1250.0, "r"); }),
        "");
    // The largest m/z such a calibration gives, and the next.
    const double largest = 1e8 * 1e8 / (4.0 * 5e11);
    EXPECT_EQ(RefusalOf([&] { CheckMz(turning, std::nextafter(largest, 0.0)); }), "");
    EXPECT_NE(RefusalOf([&] { CheckMz(turning, largest); }), "");
}

// A realistic trap calibration works over the default range; one that turns
// inside a new profile's range is re-checked at Set/Reset, not kept quietly.
TEST(Calibration, CheckedOverTheRangeInUseAndAgainAtSetReset) {
    Workspace ws;
    SetReset(ws, 65536, 1250.0);
    EXPECT_EQ(RefusalOf([&] { SetCalibration(ws, {1.07e8, -2.1e9}); }), "");
    EXPECT_DOUBLE_EQ(ws.lowmass, 1.07e8 / 1.25e6 - 2.1e9 / (1.25e6 * 1.25e6));
    EXPECT_DOUBLE_EQ(ws.highmass, 1.07e8 / 1.25e4 - 2.1e9 / (1.25e4 * 1.25e4));  // 1 % of 1250
    // It turns at 2 B / A = 50 kHz: fine from 1000 kHz up (1 % of 100 MHz),
    // not from 12.5 kHz up.
    const Calibration turning{1e8, -2.5e12};
    const std::string refused = RefusalOf([&] { SetCalibration(ws, turning); });
    EXPECT_NE(refused.find("50 kHz"), std::string::npos) << refused;
    EXPECT_NE(refused.find("12.5"), std::string::npos) << refused;
    EXPECT_EQ(ws.calibration.Acoeff, 1.07e8);  // the old one kept
    SetReset(ws, 65536, 100000.0);
    EXPECT_EQ(RefusalOf([&] { SetCalibration(ws, turning); }), "");
    EXPECT_TRUE(ws.mass_refusal.empty());
    SetReset(ws, 65536, 1250.0);
    EXPECT_TRUE(std::isnan(ws.lowmass));
    EXPECT_TRUE(std::isnan(ws.highmass));
    EXPECT_NE(ws.mass_refusal.find("50 kHz"), std::string::npos) << ws.mass_refusal;
    EXPECT_NE(RefusalOf([&] { ApplyIsolation(ws, std::vector<double>{2000.0}, 2.0); }), "");
    // Below 10 kHz, 1 % of the bandwidth.
    EXPECT_DOUBLE_EQ(DefaultFloorKhz(1250.0), 12.5);
    EXPECT_DOUBLE_EQ(DefaultFloorKhz(500.0), 10.0);
    EXPECT_DOUBLE_EQ(DefaultFloorKhz(8.0), 0.08);
}

TEST(Calibration, HighmassIsTheProfilesWhateverWasSynthesised) {
    Workspace ws;
    SetReset(ws, 8192, 1250.0);
    const double high = ws.highmass;
    ws.cursor1 = 200.0, ws.cursor2 = 400.0;
    ApplyNotch(ws, 1.0);
    Synthesise(ws, -1, nullptr);
    SetCalibration(ws, Calibration{});
    EXPECT_EQ(ws.highmass, high);
}

TEST(Calibration, FitToKnownPeaks) {
    // One peak: A = m/z f exactly, B = 0.
    const CalibrantPeak one[] = {{524.3, 204.96}};
    CalibrationFit fit = FitCalibration(one);
    EXPECT_EQ(fit.calibration.Acoeff, 524.3 * 204960.0);
    EXPECT_EQ(fit.calibration.Bcoeff, 0.0);
    // Two exact peaks of A = 1.07e8, B = -2.1e9: both, to 1e-9.
    const Calibration truth{1.07e8, -2.1e9};
    const CalibrantPeak two[] = {{MzFromKhz(truth, 204.0), 204.0},
                                 {MzFromKhz(truth, 104.0), 104.0}};
    fit = FitCalibration(two);
    EXPECT_NEAR(fit.calibration.Acoeff / 1.07e8, 1.0, 1e-9);
    EXPECT_NEAR(fit.calibration.Bcoeff / -2.1e9, 1.0, 1e-9);
    EXPECT_LT(fit.rms_ppm, 1e-6);
    // Three peaks off the line by +1, -2 and +1 ppm of m/z at 100, 200 and
    // 400 kHz with A = 1e8, B = 0: the least-squares line, worked by hand
    // (normal equations in u = 400 / f: u = 4, 2, 1), gives residuals of
    // -0.2222, +0.6349 and -2.0635 ppm... checked instead by their defining
    // property: they are orthogonal to both columns of the fit.
    const CalibrantPeak noisy[] = {
        {1000.0 * (1 + 1e-6), 100.0}, {500.0 * (1 - 2e-6), 200.0}, {250.0 * (1 + 1e-6), 400.0}};
    fit = FitCalibration(noisy);
    double along_u = 0.0, along_u2 = 0.0;
    for (std::size_t i = 0; i < 3; ++i) {
        const double u = 400.0 / noisy[i].khz;
        const double residual = fit.residual_ppm[i] * 1e-6 * noisy[i].mz;
        along_u += residual * u;
        along_u2 += residual * u * u;
    }
    EXPECT_NEAR(along_u, 0.0, 1e-9);
    EXPECT_NEAR(along_u2, 0.0, 1e-9);
    EXPECT_GT(fit.rms_ppm, 0.5);
    EXPECT_LT(fit.rms_ppm, 2.0);
    // Refused: none, a frequency of 0, two peaks at one frequency.
    EXPECT_NE(RefusalOf([] { FitCalibration({}); }), "");
    const CalibrantPeak zero[] = {{500.0, 0.0}};
    EXPECT_NE(RefusalOf([&] { FitCalibration(zero); }), "");
    const CalibrantPeak same[] = {{500.0, 200.0}, {501.0, 200.0}};
    EXPECT_NE(RefusalOf([&] { FitCalibration(same).calibration; }).find("one frequency"),
              std::string::npos);
}

// 65536 samples at 1250 kHz, 7 T: one point is 38.147 Hz.
Workspace Profile() {
    Workspace ws;
    SetReset(ws, 65536, 1250.0);
    return ws;
}

// Every point whose m/z lies in the window is set, and at most one point
// beyond each end: the window rounded outward, by an independent list.
TEST(MzWindows, RoundOutwardOverEveryPointInside) {
    Workspace ws = Profile();
    const double step = 1250.0 / 32768.0;
    for (const auto& [lo, hi] :
         {std::pair{523.3, 525.3}, std::pair{1999.5, 2000.5}, std::pair{100.0, 100.2},
          std::pair{5000.0, 5004.0}, std::pair{5005.0, 5006.0}}) {
        std::fill(ws.Magnitude.begin(), ws.Magnitude.end(), 1.0);
        ApplyMzNotch(ws, hi, lo, 0.5);  // either order; a level has no least width
        int first = -1, last = -1;
        for (int k = 1; k < 32768; ++k) {
            const double mz = Calibration{}.Acoeff / (k * step * 1000.0);
            if (mz >= lo && mz <= hi) {
                EXPECT_EQ(ws.Magnitude[k], 0.5) << lo << " point " << k;
                first = first < 0 ? k : first;
                last = k;
            }
        }
        int set = 0;
        for (double m : ws.Magnitude)
            set += m == 0.5;
        if (first < 0) {  // between two points: the two around it
            EXPECT_EQ(set, 2) << lo;
            continue;
        }
        // Outward: the point beyond each end, unless an end falls on a point.
        const double below = Calibration{}.Acoeff / ((first - 1) * step * 1000.0);
        const double above = Calibration{}.Acoeff / ((last + 1) * step * 1000.0);
        EXPECT_EQ(ws.Magnitude[first - 1], below > hi ? 0.5 : 1.0) << lo;
        EXPECT_EQ(ws.Magnitude[last + 1], above < lo ? 0.5 : 1.0) << lo;
        EXPECT_LE(set, last - first + 3) << lo;
    }
}

TEST(MzWindows, ANarrowNotchIsRefusedWithTheWidthAndSamplesItNeeds) {
    Workspace ws = Profile();
    const std::vector<double> before = ws.Magnitude;
    // m/z 2000 spans mz^2 df / A = 1.42 m/z a point here (38.1 Hz): a window 1 m/z wide is
    // 26.9 Hz, and two points need 2.84 m/z.
    const std::string text =
        RefusalOf([&] { ApplyIsolation(ws, std::vector<double>{2000.0}, 1.0); });
    EXPECT_NE(text.find("26.9 Hz wide"), std::string::npos) << text;
    EXPECT_NE(text.find("1.42 m/z, 38.1 Hz"), std::string::npos) << text;
    EXPECT_NE(text.find("at least 2.84 m/z wide"), std::string::npos) << text;
    // 4 x 1250 kHz / 26.9 Hz samples, rounded up to an even count.
    EXPECT_NE(text.find("at least 186"), std::string::npos) << text;
    EXPECT_NE(text.find("262144 as a power of two"), std::string::npos) << text;
    EXPECT_EQ(ws.Magnitude, before);
    // Two point spacings of width are accepted, and the next lower refused.
    const double f = KhzFromMz(Calibration{}, 2000.0);
    const double step = 1250.0 / 32768.0;
    const double two = MzFromKhz(Calibration{}, f - step) - MzFromKhz(Calibration{}, f + step);
    EXPECT_NE(RefusalOf([&] { ApplyIsolation(ws, std::vector<double>{2000.0}, two * 0.999); }), "");
    ApplyIsolation(ws, std::vector<double>{2000.0}, two * 1.001);
    const double x = (KhzFromMz(Calibration{}, 2000.0) / 1250.0) * 32768.0;
    EXPECT_EQ(ws.Magnitude[static_cast<std::size_t>(std::lround(x))], 0.0);
    EXPECT_NE(RefusalOf([&] { ApplyMzNotch(ws, 5000.0, 5001.0, 0.0); }), "");
    EXPECT_EQ(RefusalOf([&] { ApplyMzNotch(ws, 5000.0, 5001.0, 1.0); }),
              "");  // a band may be narrow
}

// The default isolation: nothing below max(1 % of the bandwidth, 10 kHz).
TEST(MzWindows, DefaultIsolationKeepsClearOfTheLowestFrequencies) {
    Workspace ws = Profile();
    ApplyIsolation(ws, std::vector<double>{524.3}, 2.0);
    const int floor = static_cast<int>(std::floor(12.5 / (1250.0 / 32768.0)));
    for (int k = 0; k < floor; ++k)
        ASSERT_EQ(ws.Magnitude[k], 0.0) << k;
    EXPECT_EQ(ws.Magnitude[floor + 1], 1.0);
    EXPECT_EQ(ws.Magnitude.back(), 1.0);
    EXPECT_NE(RefusalOf([&] {
                  ApplyIsolation(ws, std::vector<double>{9000.0}, 2.0);
              }).find("outside the default m/z range"),
              std::string::npos);
    // A range given reaches lower.
    EXPECT_EQ(RefusalOf([&] {
                  ApplyIsolation(ws, std::vector<double>{9000.0}, 60.0, std::pair{200.0, 20000.0});
              }),
              "");
}

// What the ions feel: isolate m/z 524.3 with a window 2 m/z wide, synthesise
// (factor -1), and evaluate the stored record's spectrum directly at single
// frequencies. The target lies 30 dB or more below the band, and both ends
// of the window lie where the notch is at least 6 dB deep.
TEST(MzWindows, PlayedOnceTheTargetStaysAndTheWindowIsInsideTheNotch) {
    Workspace ws = Profile();
    ApplyIsolation(ws, std::vector<double>{524.3}, 2.0);
    Synthesise(ws, -1, nullptr);
    std::vector<double> s(ws.Swift.size());
    double mean = 0.0;
    for (std::size_t t = 0; t < s.size(); ++t)
        mean += s[t] = DecodeSample(SampleCode(ws.Swift[t]));
    mean /= static_cast<double>(s.size());
    const double fs = 2500.0;  // kHz
    const auto level = [&](double khz) {
        std::complex<double> sum = 0.0, turn = std::polar(1.0, -2.0 * M_PI * khz / fs), w = 1.0;
        for (std::size_t t = 0; t < s.size(); ++t, w *= turn)
            sum += (s[t] - mean) * w;
        return std::abs(sum);
    };
    double squares = 0.0;
    for (int i = 0; i < 40; ++i) {
        const double a = level(300.0 + 7.77 * i);
        squares += a * a;
    }
    const double band = std::sqrt(squares / 40.0);
    const auto db = [&](double khz) { return 20.0 * std::log10(level(khz) / band); };
    EXPECT_LE(db(KhzFromMz(Calibration{}, 524.3)), -30.0);
    EXPECT_LE(db(KhzFromMz(Calibration{}, 523.3)), -6.0);
    EXPECT_LE(db(KhzFromMz(Calibration{}, 525.3)), -6.0);
}

}  // namespace
}  // namespace pelorin

#include "core/workspace/setreset.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/edit/bands.h"
#include "core/workspace/operations.h"

namespace pelorin {
namespace {

TEST(TektronixSnap, WorkedExamples) {
    const auto a = SnapTektronix(125.0);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->k, 100);
    EXPECT_DOUBLE_EQ(a->snapped, 125.0);

    const auto b = SnapTektronix(300.0);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->k, 41);
    EXPECT_NEAR(b->snapped, 12500.0 / 41, 1e-9);
    EXPECT_NEAR(b->increment, 12500.0 / 41 + 0.01 - 12500.0 / 42, 1e-9);
    EXPECT_NEAR(b->increment, 7.269, 5e-4);
}

// Every achievable bandwidth must snap onto itself, and committing the
// snapped value again must not move it (540 kHz once drifted to k = 22).
TEST(TektronixSnap, AchievableValuesAreFixedPoints) {
    for (int k = 1; k <= 20000; ++k) {
        const double bw = 1 / (2 * (1000 * (4e-08 * k)));
        const auto s = SnapTektronix(bw);
        ASSERT_TRUE(s) << k;
        ASSERT_EQ(s->k, k) << "bandwidth " << bw;
        ASSERT_EQ(SnapTektronix(s->snapped)->k, k);
    }
    EXPECT_EQ(SnapTektronix(540.0)->k, 23);
    EXPECT_EQ(SnapTektronix(SnapTektronix(540.0)->snapped)->k, 23);
}

TEST(TektronixSnap, ArrowDownLandsOnNextLowerValue) {
    const auto s = SnapTektronix(300.0);
    const auto down = SnapTektronix(s->snapped - s->increment);
    EXPECT_EQ(down->k, 42);
}

TEST(TektronixSnap, OutOfRangeHasNoSnap) {
    EXPECT_FALSE(SnapTektronix(0.0));
    EXPECT_FALSE(SnapTektronix(-5.0));
    EXPECT_FALSE(SnapTektronix(12500.5));
    EXPECT_FALSE(SnapTektronix(std::nan("")));
    EXPECT_EQ(SnapTektronix(12500.0)->k, 1);
}

TEST(FixBandwidth, ClockDivisorsInWholeKilohertz) {
    EXPECT_EQ(FixBandwidth(1, 300.0), 301.0);
    EXPECT_EQ(FixBandwidth(2, 300.0), 300.0);
    EXPECT_EQ(FixBandwidth(1, 320.0), 320.0);
    EXPECT_EQ(FixBandwidth(2, 320.0), 320.0);
    EXPECT_FALSE(FixBandwidth(0, 300.0));
    EXPECT_FALSE(FixBandwidth(3, 300.0));
    // The ends of the range: exactly 1 kHz and exactly the clock figure snap
    // to themselves; just outside them nothing does.
    EXPECT_EQ(FixBandwidth(1, 1.0), 1.0);
    EXPECT_EQ(FixBandwidth(2, 1.0), 1.0);
    EXPECT_EQ(FixBandwidth(1, 25000.0), 25000.0);
    EXPECT_EQ(FixBandwidth(2, 40000.0), 40000.0);
    EXPECT_FALSE(FixBandwidth(1, 25001.0));
    EXPECT_FALSE(FixBandwidth(2, std::nextafter(40000.0, 1e9)));
    EXPECT_FALSE(FixBandwidth(1, std::nextafter(1.0, 0.0)));
    EXPECT_FALSE(FixBandwidth(2, 0.0));
    EXPECT_FALSE(FixBandwidth(2, 1e-9));
}

TEST(SetReset, ProfileOfHalfTheSamplesAllZero) {
    Workspace ws;
    SetReset(ws, 1001, 500.0);
    EXPECT_EQ(ws.datapts, 500);
    EXPECT_EQ(ws.Magnitude.size(), 500u);
    EXPECT_EQ(ws.bandwidth, 500.0);
    EXPECT_TRUE(HasProfile(ws));
    EXPECT_TRUE(ProfileEditable(ws));

    ws.Magnitude[7] = 3.0;
    SetReset(ws, 1000, 250.0);  // same size: still cleared
    EXPECT_EQ(ws.Magnitude, std::vector<double>(500, 0.0));
}

TEST(SetReset, RefusalKeepsThePreviousProfile) {
    Workspace ws;
    SetReset(ws, 8, 100.0);
    ws.Magnitude[1] = 2.0;
    for (int samples : {1, 0, -4, kMaxSamples + 1})
        EXPECT_THROW(SetReset(ws, samples, 100.0), Refusal) << samples;
    EXPECT_THROW(SetReset(ws, 8, 0.0), Refusal);
    EXPECT_THROW(SetReset(ws, 8, std::nan("")), Refusal);
    EXPECT_EQ(ws.datapts, 4);
    EXPECT_EQ(ws.bandwidth, 100.0);
    EXPECT_EQ(ws.Magnitude[1], 2.0);
}

TEST(ProfileRule, EditableOnlyBetweenSetResetAndSynthesis) {
    Workspace ws;
    EXPECT_FALSE(ProfileEditable(ws));
    EXPECT_THROW(RequireEditableProfile(ws), Refusal);
    SetReset(ws, 16, 100.0);
    EXPECT_NO_THROW(RequireEditableProfile(ws));
    ws.datapts = 16;  // a waveform length: the profile must not be indexed with it
    EXPECT_FALSE(ProfileEditable(ws));
    ws.datapts = 8;
    ws.phase = MenuPhase::Synthesised;
    EXPECT_THROW(RequireEditableProfile(ws), Refusal);
}

}  // namespace
}  // namespace pelorin

namespace pelorin {
namespace {

// The m/z conversions: the round trip over a whole band, the default and the
// 7 T calibrations against hand-worked values, refused coefficients, and the
// profile's m/z range.
TEST(Calibration, ConversionsRangesAndRefusals) {
    for (const Calibration c : {Calibration{}, Calibration{1.5e8, 2.0e9}, Calibration{9e7, -1e9}}) {
        for (int i = 1; i <= 1000; ++i) {
            const double khz = 1250.0 * i / 1000;
            const double back = KhzFromMz(c, MzFromKhz(c, khz));
            EXPECT_NEAR(back, khz, khz * 1e-12) << c.Bcoeff << " " << khz;
        }
    }
    EXPECT_DOUBLE_EQ(KhzFromMz(Calibration{}, 500.0), 214.0);
    const Calibration seven{kHzPerTesla * 7.0, 0.0};
    EXPECT_NEAR(KhzFromMz(seven, 500.0), 214.99, 0.01);

    EXPECT_THROW(CheckCalibration({0.0, 0.0}, 1000.0, 1024), Refusal);
    EXPECT_THROW(CheckCalibration({-1e8, 0.0}, 0.0, 0), Refusal);
    // B = -1e8 Hz^2 turns m/z around below f = 2 B / A = 2 Hz: inside a profile
    // whose first point is 1000 kHz / 1024, not inside one starting at 10 kHz.
    EXPECT_NO_THROW(CheckCalibration({1e8, -1e8}, 10000.0, 1000));
    EXPECT_THROW(CheckCalibration({1e8, -1e9}, 1.0, 1024), Refusal);

    Workspace ws;
    SetReset(ws, 2048, 1000.0);
    EXPECT_DOUBLE_EQ(ws.lowmass, 1.07e8 / 1e6);
    EXPECT_DOUBLE_EQ(ws.highmass, 1.07e8 / (1e6 / 1024));
    // m/z would turn at f = -2 B / A = 2 kHz, above the first point (0.98 kHz).
    EXPECT_THROW(SetCalibration(ws, {1e8, -1e11}), Refusal);
    EXPECT_EQ(ws.calibration.Acoeff, 1.07e8);  // the old one kept

    // Axis ticks: round m/z values, falling, inside the view, one to two
    // ninths of it apart in frequency.
    const std::vector<double> ticks = MzTicks(Calibration{}, 100.0, 1000.0, 9);
    ASSERT_GE(ticks.size(), 5u);
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        EXPECT_LE(ticks[i], MzFromKhz(Calibration{}, 100.0));
        EXPECT_GE(ticks[i], MzFromKhz(Calibration{}, 1000.0));
        const double unit = std::pow(10.0, std::floor(std::log10(ticks[i])) - 1);
        EXPECT_NEAR(ticks[i] / unit, std::round(ticks[i] / unit), 1e-9) << ticks[i];  // 2 digits
        if (i > 0) {
            const double apart =
                KhzFromMz(Calibration{}, ticks[i]) - KhzFromMz(Calibration{}, ticks[i - 1]);
            EXPECT_GE(apart, 100.0 - 1e-9) << ticks[i];
            EXPECT_LE(apart, 200.0 + 1e-9) << ticks[i];
        }
    }
    EXPECT_TRUE(MzTicks(Calibration{}, -10.0, 0.0, 5).empty());  // no m/z at or below 0 Hz
}

// Isolation: a band over every point with an m/z, a notch of the width asked
// around each target, exactly the windows typed in kHz give.
TEST(Calibration, IsolationIsTheWindowsTypedInKhz) {
    Workspace ws;
    SetReset(ws, 65536, 1250.0);
    const std::vector<double> targets = {524.3, 1000.0};
    ApplyIsolation(ws, targets, 2.0);
    Workspace expected;
    SetReset(expected, 65536, 1250.0);
    SetWindow(expected.Magnitude, {1, expected.datapts}, 1.0);
    for (double t : targets) {
        expected.cursor1 = KhzFromMz(ws.calibration, t - 1.0);
        expected.cursor2 = KhzFromMz(ws.calibration, t + 1.0);
        ApplyNotch(expected, 0.0);
    }
    EXPECT_EQ(ws.Magnitude, expected.Magnitude);
    EXPECT_EQ(ws.Magnitude[0], 0.0);
    EXPECT_THROW(ApplyIsolation(ws, std::vector<double>{10.0}, 2.0), Refusal);  // below lowmass
    EXPECT_THROW(ApplyIsolation(ws, targets, 0.0), Refusal);
}

}  // namespace
}  // namespace pelorin

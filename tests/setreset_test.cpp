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
    EXPECT_EQ(ws.Magnitude.size(), 4u);
    EXPECT_EQ(ws.bandwidth, 100.0);
    EXPECT_EQ(ws.Magnitude[1], 2.0);
}

TEST(ProfileRule, EditableOnlyBetweenSetResetAndSynthesis) {
    Workspace ws;
    EXPECT_FALSE(ProfileEditable(ws));
    EXPECT_THROW(RequireEditableProfile(ws), Refusal);
    SetReset(ws, 16, 100.0);
    EXPECT_NO_THROW(RequireEditableProfile(ws));
    ws.phase = MenuPhase::Synthesised;
    EXPECT_THROW(RequireEditableProfile(ws), Refusal);
}

}  // namespace
}  // namespace pelorin

#include "core/synth/swim.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"

namespace pelorin {
namespace {

constexpr double kSentinel = -7.0;

std::vector<double> Swim(int start, int end, double base, double peak, std::uint32_t nodes, int law,
                         std::size_t size = 32) {
    std::vector<double> profile(size, kSentinel);
    EXPECT_EQ(CalcSwim(profile, start, end, base, peak, nodes, law), 0);
    return profile;
}

TEST(swim_test, laws_over_band_10_to_14_with_one_node) {
    const std::array<std::array<double, 4>, 5> expected = {{
        {0.0, 0.14645, 0.5, 0.85355},
        {0.0, 0.38268, 0.70711, 0.92388},
        {0.0, 0.0, 0.0, 1.0},
        {0.0, 0.14645, 0.5, 0.85355},
        {0.0, 0.70771, 0.93301, 0.32270},
    }};
    for (int law = 1; law <= 5; ++law) {
        SCOPED_TRACE(law);
        const auto p = Swim(10, 14, 0.0, 1.0, 1, law);
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(p[10 + k], expected[law - 1][k], 5e-6) << "index " << 10 + k;
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(p[i], kSentinel);
        for (int i = 14; i < 32; ++i)
            EXPECT_EQ(p[i], kSentinel);
    }
}

// The doubles each law gives over band 3 .. 9 (3 nodes, base 0.2, peak 1.7),
// pinned to the last bit: a stored waveform depends on every one, and a law
// whose argument moved by a whole period still changes some of them.
TEST(swim_test, laws_reproduce_pinned_doubles) {
    const double expected[5][7] = {
        {0x1.999999999999ap-3, 0x1.90f3b3bd5f95ep-1, 0x1.a02f9f2df75ddp+0, 0x1.6ae8f8827ac62p+0,
         0x1.edf5b78fae815p-2, 0x1.18db1ce1bc21ep-2, 0x1.1dec8c87b69b6p+0},
        {0x1.999999999999ap-3, 0x1.229ebdd1c259p+0, 0x1.a99283735e242p+0, 0x1.8d2c0b28bb888p+0,
         0x1.b39f6a07ba738p-1, 0x1.114bcbb87407p-1, 0x1.5f6c5caf799ebp+0},
        {0x1.999999999999ap-3, 0x1.999999999999ap-3, 0x1.b333333333333p+0, 0x1.b333333333333p+0,
         0x1.999999999999ap-3, 0x1.999999999999ap-3, 0x1.b333333333333p+0},
        {0x1.999999999999ap-3, 0x1.90f3b3bd5f95ep-1, 0x1.a02f9f2df75dep+0, 0x1.6ae8f8827ac62p+0,
         0x1.edf5b78fae815p-2, 0x1.18db1ce1bc21dp-2, 0x1.1dec8c87b69b7p+0},
        {0x1.999999999999ap-3, 0x1.18db1ce1bc218p-2, 0x1.1dec8c87b69bfp+0, 0x1.edf5b78fae7e7p-2,
         0x1.a96b3025d199ap+0, 0x1.4681741b88375p+0, 0x1.edf5b78fae853p-2},
    };
    for (int law = 1; law <= 5; ++law) {
        const auto p = Swim(3, 10, 0.2, 1.7, 3, law, 16);
        for (int k = 0; k < 7; ++k)
            EXPECT_EQ(p[3 + k], expected[law - 1][k]) << "law " << law << " index " << 3 + k;
    }
}

// A band typed partly outside the profile is laid out where it was typed:
// -500 .. 500 kHz over 1024 points of 0 .. 1000 kHz starts at index -512.
TEST(swim_test, band_typed_past_the_profile_keeps_its_layout) {
    Workspace ws;
    SetReset(ws, 2048, 1000.0);
    ws.cursor1 = 500.0;  // either order
    ws.cursor2 = -500.0;
    ApplySwim(ws, 0.0, 1.0, 1, 1);
    EXPECT_NEAR(ws.Magnitude[0], 0.5, 1e-12);
    EXPECT_NEAR(ws.Magnitude[256], 0.5 + std::sqrt(0.5) / 2, 1e-12);
    EXPECT_EQ(ws.Magnitude[512], 0.0);  // the band ends before 500 kHz
    // Far beyond an int's range the band still keeps its width.
    Workspace far;
    SetReset(far, 64, 0.001);
    far.cursor1 = -1e6;
    far.cursor2 = 1e6;
    ApplySwim(far, 0.0, 1.0, 1, 1);
    for (double v : far.Magnitude)
        EXPECT_NEAR(v, 0.5, 1e-6);
}

TEST(swim_test, two_nodes_rise_and_fall_once) {
    const auto p = Swim(10, 18, 0.0, 1.0, 2, 1);
    const double expected[] = {0, 0.14645, 0.5, 0.85355, 1, 0.85355, 0.5, 0.14645};
    for (int k = 0; k < 8; ++k)
        EXPECT_NEAR(p[10 + k], expected[k], 5e-6);
    EXPECT_EQ(p[18], kSentinel);
}

TEST(swim_test, every_law_starts_at_base_and_nodes_zero_is_flat_base) {
    for (int law = 1; law <= 5; ++law) {
        SCOPED_TRACE(law);
        EXPECT_NEAR(Swim(5, 20, 0.25, 3.0, 7, law)[5], 0.25, 1e-12);
        const auto flat = Swim(5, 20, 0.25, 3.0, 0, law);
        for (int i = 5; i < 20; ++i)
            EXPECT_NEAR(flat[i], 0.25, 1e-12);
    }
}

TEST(swim_test, unknown_law_or_empty_band_writes_nothing) {
    const std::vector<double> untouched(32, kSentinel);
    EXPECT_EQ(Swim(10, 14, 0.0, 1.0, 1, 0), untouched);
    EXPECT_EQ(Swim(10, 14, 0.0, 1.0, 1, 6), untouched);
    EXPECT_EQ(Swim(10, 14, 0.0, 1.0, 1, -1), untouched);
    EXPECT_EQ(Swim(14, 14, 0.0, 1.0, 1, 1), untouched);
    EXPECT_EQ(Swim(14, 10, 0.0, 1.0, 1, 1), untouched);
}

TEST(swim_test, law_five_at_index_zero_stores_base) {
    for (std::uint32_t nodes : {0u, 1u, 3u}) {
        const auto p = Swim(0, 8, 0.5, 2.0, nodes, 5);
        EXPECT_EQ(p[0], 0.5) << nodes;
        for (int i = 0; i < 8; ++i)
            EXPECT_TRUE(std::isfinite(p[i])) << i;
    }
    // A band reaching below 0 puts index 0 inside it, away from its start.
    const auto p = Swim(-4, 8, 0.5, 2.0, 2, 5);
    EXPECT_EQ(p[0], 0.5);
    EXPECT_TRUE(std::isfinite(p[1]));
}

TEST(swim_test, band_outside_profile_is_clipped_not_rescaled) {
    // The modulation keeps the band as given: the written part of a band that
    // hangs over either end equals the same indices of the whole band.
    const auto shifted = Swim(0, 48, 0.0, 1.0, 3, 1, 64);
    const auto low = Swim(-8, 40, 0.0, 1.0, 3, 1, 64);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(low[i], shifted[i + 8]) << i;
    const auto high = Swim(-8, 40, 0.0, 1.0, 3, 1, 20);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(high[i], low[i]) << i;

    std::vector<double> tiny(4, kSentinel);
    EXPECT_EQ(CalcSwim(tiny, 10, 20, 0.0, 1.0, 1, 1), 0);  // wholly past the end
    EXPECT_EQ(CalcSwim(tiny, -20, -10, 0.0, 1.0, 1, 1), 0);
    EXPECT_EQ(tiny, std::vector<double>(4, kSentinel));
    EXPECT_EQ(CalcSwim(tiny, INT32_MIN, INT32_MAX, 0.0, 1.0, 1, 5), 0);
    for (double v : tiny)
        EXPECT_TRUE(std::isfinite(v));

    std::vector<double> none;
    EXPECT_EQ(CalcSwim(none, 0, 10, 0.0, 1.0, 1, 1), 0);
}

TEST(swim_test, largest_node_count_does_not_wrap) {
    // 4294967295 = 3 * 1431655765 (odd): over three points law 1 gives base,
    // peak, base. A 32-bit product 2 * nodes would wrap to 4294967294 and give
    // 0.75 at the third point.
    const auto p = Swim(10, 13, 0.0, 1.0, 4294967295u, 1);
    EXPECT_NEAR(p[10], 0.0, 1e-5);
    EXPECT_NEAR(p[11], 1.0, 1e-5);
    EXPECT_NEAR(p[12], 0.0, 1e-5);
}

}  // namespace
}  // namespace pelorin

#include "core/edit/bands.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <vector>

namespace pelorin {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void ExpectWindow(IndexWindow w, int start, int end) {
    EXPECT_EQ(w.start, start);
    EXPECT_EQ(w.end, end);
}

TEST(bands_test, notch_windows_with_1024_points_over_1000_khz) {
    struct Case {
        double b1, b2;
        int start, end;
    };
    const Case cases[] = {
        {100, 200, 102, 204},     {200, 100, 102, 204},   {100, 100, 102, 102},
        {100, 100.5, 102, 102},   {500, 1000, 512, 1024}, {0, 1, 0, 1},
        {-50, 100, 0, 102},       {900, 1500, 921, 1024}, {-20, -10, 0, 0},
        {1100, 1200, 1024, 1024}, {-kInf, kInf, 0, 1024}, {kNaN, 200, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.b1 << " .. " << c.b2);
        ExpectWindow(NotchWindow(c.b1, c.b2, 1000.0, 1024), c.start, c.end);
    }
    ExpectWindow(NotchWindow(100, 200, 0.0, 1024), 0, 0);
    ExpectWindow(NotchWindow(100, 200, 1000.0, 0), 0, 0);
}

TEST(bands_test, index_mapping_never_overflows) {
    EXPECT_EQ(FrequencyToIndex(100, 1000, 1024), 102);
    EXPECT_EQ(FrequencyToIndex(-0.5, 1000, 1024), 0);  // truncation toward zero
    EXPECT_EQ(FrequencyToIndex(1e300, 1000, 1024), 1025);
    EXPECT_EQ(FrequencyToIndex(-1e300, 1000, 1024), -1);
    EXPECT_EQ(FrequencyToIndex(kNaN, 1000, 1024), -1);
    EXPECT_EQ(FrequencyToIndex(100, 0.0, 1024), 1025);
    EXPECT_EQ(FrequencyToIndex(1e300, 1000, INT_MAX), INT_MAX);
}

TEST(bands_test, set_window_writes_inside_the_profile_only) {
    std::vector<double> m(8, 1.0);
    SetWindow(m, {2, 4}, 0.0);
    SetWindow(m, {-5, 1}, -0.5);
    SetWindow(m, {6, 100}, 2.0);
    SetWindow(m, {5, 5}, 9.0);
    EXPECT_EQ(m, (std::vector<double>{-0.5, 1, 0, 0, 1, 1, 2, 2}));
}

TEST(bands_test, hadamard_bands_include_their_last_point) {
    struct Case {
        float f, h;
        int start, end;
    };
    const Case cases[] = {
        {100.0f, 1.0f, 99, 102},  // 2000 Hz wide band at 100 kHz
        {100.0f, 0.0f, 100, 101},
        {0.5f, 1.0f, 0, 2},
        {-5.0f, 1.0f, 0, 0},
        {1023.5f, 1.0f, 1022, 1024},
        {2000.0f, 1.0f, 0, 0},
        {100.0f, -1.0f, 0, 0},
        // 1 - 2^-25 rounds to 1 in single precision: point 1, not 0.
        {1.0f, 0x1p-25f, 1, 2},
        {std::nanf(""), 1.0f, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.f << " +- " << c.h);
        ExpectWindow(InclusiveBand(c.f, c.h, 1024.0, 1024), c.start, c.end);
    }
}

}  // namespace
}  // namespace pelorin

#include "core/maxmin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace pelorin {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(maxmin_test, finds_earliest_extremes_skipping_nan) {
    struct Case {
        std::vector<double> a;
        double max;
        int imax;
        double min;
        int imin;
    };
    const Case cases[] = {
        {{kNaN, 3, 5, 5, -1, -1}, 5, 2, -1, 4},
        {{2}, 2, 0, 2, 0},
        {{1, kNaN, -kInf, kInf, kNaN}, kInf, 3, -kInf, 2},
        {{4, 4, 4}, 4, 0, 4, 0},
    };
    for (const Case& c : cases) {
        double max = 0, min = 0;
        int imax = 0, imin = 0;
        ASSERT_EQ(MaxMin1D(c.a, max, imax, min, imin), 0);
        EXPECT_EQ(max, c.max);
        EXPECT_EQ(imax, c.imax);
        EXPECT_EQ(min, c.min);
        EXPECT_EQ(imin, c.imin);
    }
}

TEST(maxmin_test, all_nan_and_empty) {
    double max = 7, min = 7;
    int imax = 7, imin = 7;
    EXPECT_EQ(MaxMin1D({}, max, imax, min, imin), kMaxMinNoData);
    EXPECT_EQ(max, 7);
    EXPECT_EQ(imax, 7);
    const std::vector<double> nans(3, kNaN);
    EXPECT_EQ(MaxMin1D(nans, max, imax, min, imin), 0);
    EXPECT_TRUE(std::isnan(max) && std::isnan(min));
    EXPECT_EQ(imax, -1);
    EXPECT_EQ(imin, -1);
}

}  // namespace
}  // namespace pelorin

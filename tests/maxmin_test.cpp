#include "core/maxmin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <random>
#include <vector>

#include "core/display/envelope.h"

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

// Values drawn from a few levels (ties), with NaN and infinities among them.
std::vector<double> RandomValues(std::mt19937& gen, std::size_t n) {
    std::uniform_int_distribution<int> pick(0, 11);
    std::vector<double> v(n);
    for (double& x : v) {
        const int k = pick(gen);
        x = k == 0 ? kNaN : k == 1 ? kInf : k == 2 ? -kInf : k == 3 ? -0.0 : k - 7.5;
    }
    return v;
}

// The bounds of every random run, across the four-wide blocks and the scalar
// tail, against a plain comparison of every value.
TEST(maxmin_test, bounds_match_a_plain_scan) {
    std::mt19937 gen(17);
    for (std::size_t n = 0; n < 70; ++n) {
        for (int round = 0; round < 20; ++round) {
            const std::vector<double> v = RandomValues(gen, n);
            double lo = kInf, hi = -kInf;
            bool any = false;
            for (double x : v)
                if (!std::isnan(x)) {
                    any = true;
                    lo = x < lo ? x : lo;
                    hi = x > hi ? x : hi;
                }
            const ValueBounds b = BoundsOf(v);
            ASSERT_EQ(b.Any(), any) << n;
            if (any) {
                ASSERT_EQ(b.lo, lo) << n;
                ASSERT_EQ(b.hi, hi) << n;
            }
        }
    }
}

// What a plot draws per column: the least and the largest number in it, in
// the order of their first appearance (NaN left out; a column of NaN only
// gives its first value twice), at the key of its first point, against a
// direct reading of each column.
TEST(maxmin_test, envelope_keeps_each_columns_extremes_in_order) {
    std::mt19937 gen(5);
    std::uniform_int_distribution<int> columns_of(1, 9);
    for (int round = 0; round < 400; ++round) {
        const std::size_t n = 1 + static_cast<std::size_t>(gen() % 300);
        std::vector<double> y = RandomValues(gen, n);
        if (round % 3 == 0)  // long stretches of NaN too
            for (std::size_t i = 0; i < n / 2; ++i)
                y[i] = kNaN;
        const int columns = columns_of(gen);
        const double origin = -2.0, step = 0.5;
        const double lo = origin + step * static_cast<double>(gen() % n);
        const double hi = lo + step * static_cast<double>(gen() % n);
        const auto drawn = Envelope(y, origin, step, lo, hi, columns);

        // The points in view and one more on each side.
        const auto first =
            static_cast<std::ptrdiff_t>(std::max(0.0, std::floor((lo - origin) / step) - 1.0));
        const auto last = std::min<std::ptrdiff_t>(
            static_cast<std::ptrdiff_t>(n) - 1,
            static_cast<std::ptrdiff_t>(std::ceil((hi - origin) / step) + 1.0));
        const std::ptrdiff_t count = last - first + 1;
        std::vector<EnvelopePoint> expected;
        if (count <= 2 * columns) {
            for (std::ptrdiff_t i = first; i <= last; ++i)
                expected.push_back({origin + step * static_cast<double>(i), y[i]});
        } else {
            for (int c = 0; c < columns; ++c) {
                const std::ptrdiff_t from = first + count * c / columns;
                const std::ptrdiff_t to = first + count * (c + 1) / columns;
                if (to <= from)
                    continue;
                std::ptrdiff_t imin = -1, imax = -1;
                for (std::ptrdiff_t i = from; i < to; ++i) {
                    if (std::isnan(y[i]))
                        continue;
                    if (imin < 0 || y[i] < y[imin])
                        imin = i;
                    if (imax < 0 || y[i] > y[imax])
                        imax = i;
                }
                const double at = origin + step * static_cast<double>(from);
                if (imin < 0) {
                    expected.push_back({at, y[from]});
                    expected.push_back({at, y[from]});
                } else if (imin <= imax) {
                    expected.push_back({at, y[imin]});
                    expected.push_back({at, y[imax]});
                } else {
                    expected.push_back({at, y[imax]});
                    expected.push_back({at, y[imin]});
                }
            }
        }
        ASSERT_EQ(drawn.size(), expected.size()) << round;
        for (std::size_t i = 0; i < drawn.size(); ++i) {
            ASSERT_EQ(drawn[i].key, expected[i].key) << round << " " << i;
            // NaN stands for NaN; otherwise the same number.
            if (std::isnan(expected[i].value))
                ASSERT_TRUE(std::isnan(drawn[i].value)) << round << " " << i;
            else
                ASSERT_EQ(drawn[i].value, expected[i].value) << round << " " << i;
        }
    }
}

}  // namespace
}  // namespace pelorin

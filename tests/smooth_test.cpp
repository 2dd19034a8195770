#include "core/edit/smooth.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/workspace/workspace.h"

namespace pelorin {
namespace {

using Doubles = std::vector<double>;

TEST(smooth_test, worked_examples) {
    struct Case {
        Doubles in;
        int width;
        Doubles out;
    };
    const Case cases[] = {
        {{0, 0, 3, 0, 0, 6, 0}, 3, {0, 1, 1, 1, 2, 2, 0}},
        {{4, -1, 7}, 1, {4, -1, 7}},
        {{1, 2, 3, 4, 10}, 5, {1, 2, 4, 4, 10}},
        {{1, 2, 3, 4, 5, 6, 14}, 5, {1, 2, 3, 4, 6.4, 6, 14}},
        {{0, 0, 0, 1, 1, 1}, 3, {0, 0, 1.0 / 3, 2.0 / 3, 1, 1}},
    };
    for (const Case& c : cases) {
        Doubles v = c.in;
        ASSERT_EQ(SmoothData(v, c.width), 0);
        for (std::size_t i = 0; i < v.size(); ++i)
            EXPECT_DOUBLE_EQ(v[i], c.out[i]) << "width " << c.width << ", point " << i;
    }
}

TEST(smooth_test, matches_naive_mean_on_random_data) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    Doubles in(2000);
    for (double& v : in)
        v = value(rng);
    for (int w : {1, 3, 7, 101, 1999}) {
        Doubles v = in;
        ASSERT_EQ(SmoothData(v, w), 0);
        const int n = (w - 1) / 2;
        for (int i = 0; i < static_cast<int>(in.size()); ++i) {
            if (i < n || i >= static_cast<int>(in.size()) - n) {
                EXPECT_EQ(v[i], in[i]);
                continue;
            }
            double sum = 0.0;
            for (int k = i - n; k <= i + n; ++k)
                sum += in[k];
            ASSERT_NEAR(v[i], sum / w, 1e-12) << "width " << w << ", point " << i;
        }
    }
    Doubles flat(5000, 0.7);
    ASSERT_EQ(SmoothData(flat, 9), 0);
    for (double v : flat)
        ASSERT_NEAR(v, 0.7, 1e-12);
}

// SmoothData refuses exactly the widths CheckSmoothWidth reports, and a
// refused width leaves the profile as it was.
TEST(smooth_test, refusals_agree_with_the_check) {
    const Doubles original{5, 1, 4, 2, 3, 9, 8};
    for (int w = -3; w <= 10; ++w) {
        Doubles v = original;
        const int result = SmoothData(v, w);
        bool refused = false;
        try {
            CheckSmoothWidth(w, 7);
        } catch (const Refusal& r) {
            refused = true;
            EXPECT_EQ(r.title(), "Error");
        }
        EXPECT_EQ(result, refused ? -1 : 0) << "width " << w;
        if (refused) {
            EXPECT_EQ(v, original);
        }
    }
    Doubles empty;
    EXPECT_EQ(SmoothData(empty, 1), -1);
    EXPECT_THROW(CheckSmoothWidth(1, 0), Refusal);
    try {
        CheckSmoothWidth(4, 1024);
        FAIL();
    } catch (const Refusal& r) {
        EXPECT_STREQ(r.what(),
                     "The smoothing width must be an odd whole number from 1 to 1024 (the "
                     "profile length); 4 is even.");
    }
}

}  // namespace
}  // namespace pelorin

#include "core/synth/fasthadamard.h"

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <random>
#include <vector>

namespace pelorin {
namespace {

using Floats = std::vector<float>;

TEST(hadamard_test, worked_examples) {
    struct Case {
        int order;
        Floats in, out;
    };
    const Case cases[] = {
        {0, {7}, {7}},
        {1, {3, 5}, {8, -2}},
        {2, {1, 0, 0, 0}, {1, 1, 1, 1}},
        {2, {0, 1, 0, 0}, {1, -1, 1, -1}},
        {2, {1, 2, 3, 4}, {10, -2, -4, 0}},
        {3, {0, 0, 0, 1, 0, 0, 0, 0}, {1, -1, -1, 1, 1, -1, -1, 1}},
    };
    for (const Case& c : cases) {
        Floats v = c.in;
        EXPECT_EQ(Hadamard(v, c.order), 0);
        EXPECT_EQ(v, c.out) << "order " << c.order;
    }
}

// Against the Sylvester matrix built from its bit rule, and H * H = N * I.
// Small integers keep every sum exact in single precision.
TEST(hadamard_test, matches_sylvester_matrix_and_is_self_inverse) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> value(-8, 8);
    for (int m = 0; m <= 6; ++m) {
        const int n = 1 << m;
        Floats x(n), expected(n, 0.0f);
        for (float& v : x)
            v = static_cast<float>(value(rng));
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                expected[i] += (std::popcount(unsigned(i & j)) % 2 ? -x[j] : x[j]);
        Floats y = x;
        ASSERT_EQ(Hadamard(y, m), 0);
        EXPECT_EQ(y, expected) << "m = " << m;
        ASSERT_EQ(Hadamard(y, m), 0);
        for (float& v : x)
            v *= static_cast<float>(n);
        EXPECT_EQ(y, x) << "m = " << m;
    }
}

TEST(hadamard_test, refuses_bad_arguments_and_leaves_the_rest_alone) {
    Floats v{1, 2, 3, 4, 5};
    const Floats original = v;
    EXPECT_EQ(Hadamard(v, -1), -1);
    EXPECT_EQ(Hadamard(v, 3), -1);  // 8 values needed, 5 given
    EXPECT_EQ(Hadamard(v, 31), -1);
    EXPECT_EQ(Hadamard(std::span<float>{}, 0), -1);
    EXPECT_EQ(v, original);
    EXPECT_EQ(Hadamard(v, 2), 0);
    EXPECT_EQ(v, (Floats{10, -2, -4, 0, 5}));
}

TEST(hadamard_test, power_of_two_helpers) {
    const std::pair<int, int> logs[] = {{1, 0}, {2, 1},  {3, 1},       {1023, 9},    {1024, 10},
                                        {0, 0}, {-5, 0}, {INT_MIN, 0}, {INT_MAX, 30}};
    for (auto [n, expected] : logs)
        EXPECT_EQ(Log_2_N(n), expected) << "n = " << n;
    const std::pair<int, int> exps[] = {{0, 1},       {10, 1024},        {30, 1 << 30},
                                        {-5, 1},      {31, 1 << 30},     {1000, 1 << 30},
                                        {INT_MIN, 1}, {INT_MAX, 1 << 30}};
    for (auto [k, expected] : exps)
        EXPECT_EQ(Exp_2_N(k), expected) << "k = " << k;
}

}  // namespace
}  // namespace pelorin

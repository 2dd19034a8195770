#include "core/synth/hadamard.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/workspace/workspace.h"
#include "tests/support/test_dir.h"

namespace pelorin {
namespace {

namespace fs = std::filesystem;
using testing::TestDir;

// Frequencies 10, 20, ... kHz on a 64-point profile over 64 kHz with zero band
// width: frequency i lights exactly point 10 (i + 1).
std::vector<int> Excited(int n, int row) {
    std::vector<float> list;
    for (int i = 0; i < n; ++i)
        list.push_back(10.0f * static_cast<float>(i + 1));
    std::vector<double> profile(64, 0.0);
    EXPECT_EQ(BuildHadamard(profile, list, 64.0, 0.0, row), 0);
    std::vector<int> lit;
    for (int i = 0; i < n; ++i)
        if (profile[10 * (i + 1)] == kHadamardLevel)
            lit.push_back(i);
    EXPECT_EQ(static_cast<std::size_t>(std::count(profile.begin(), profile.end(), 0.0)),
              64 - lit.size());
    return lit;
}

TEST(hadamard_test, rows_excite_the_worked_patterns) {
    using V = std::vector<int>;
    const std::vector<std::vector<V>> table = {
        {V{}},
        {V{1}, V{0}, V{}},
        {V{1}, V{0}, V{2}},
        {V{1, 3}, V{0, 3}, V{2, 3}, V{0, 1, 2}, V{1}, V{0}, V{2}},
        {V{1, 3}, V{0, 3, 4}, V{2, 3}, V{0, 1, 2}, V{1, 4}, V{0}, V{2, 4}},
    };
    for (int n = 1; n <= 5; ++n) {
        const auto& rows = table[static_cast<std::size_t>(n - 1)];
        for (std::size_t r = 0; r < rows.size(); ++r)
            EXPECT_EQ(Excited(n, static_cast<int>(r + 1)), rows[r])
                << "n " << n << " row " << r + 1;
        std::vector<int> all(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            all[static_cast<std::size_t>(i)] = i;
        EXPECT_EQ(Excited(n, 0), all) << "n " << n;
    }
}

TEST(hadamard_test, band_covers_both_end_points_and_clamps) {
    std::vector<double> profile(1024, 0.0);
    ASSERT_EQ(BuildHadamard(profile, {100.0f}, 1024.0, 2000.0, 0), 0);
    for (int i = 0; i < 1024; ++i)
        EXPECT_EQ(profile[static_cast<std::size_t>(i)], (i >= 99 && i <= 101) ? 100.0 : 0.0) << i;

    std::fill(profile.begin(), profile.end(), 0.0);
    ASSERT_EQ(BuildHadamard(profile, {0.5f, 1023.5f}, 1024.0, 2000.0, 0), 0);
    EXPECT_EQ(profile[0], 100.0);
    EXPECT_EQ(profile[1], 100.0);
    EXPECT_EQ(profile[2], 0.0);
    EXPECT_EQ(profile[1021], 0.0);
    EXPECT_EQ(profile[1022], 100.0);
    EXPECT_EQ(profile[1023], 100.0);
}

TEST(hadamard_test, single_build_keeps_the_rest_of_the_profile) {
    std::vector<double> profile(64, 1.5);
    ASSERT_EQ(BuildHadamard(profile, {10.0f, 20.0f, 30.0f, 40.0f}, 64.0, 0.0, 4), 0);
    EXPECT_EQ(profile[10], 100.0);
    EXPECT_EQ(profile[40], 1.5);  // row 4 leaves out the highest
    EXPECT_EQ(std::count(profile.begin(), profile.end(), 1.5), 61);
}

TEST(hadamard_test, refused_rows_write_nothing) {
    const std::vector<double> before(64, 1.5);
    std::vector<double> profile = before;
    EXPECT_EQ(BuildHadamard(profile, {}, 64.0, 0.0, 0), -1);
    EXPECT_EQ(BuildHadamard(profile, {10.0f, 20.0f, 30.0f, 40.0f}, 64.0, 0.0, 8), -1);
    EXPECT_EQ(BuildHadamard(profile, {10.0f}, 64.0, 0.0, -1), -1);
    EXPECT_EQ(profile, before);
    std::vector<double> none;
    EXPECT_EQ(BuildHadamard(none, {10.0f}, 64.0, 0.0, 0), -1);
}

class hadamard_batch_test : public ::testing::Test {
protected:
    void SetUp() override {
        ws_.bandwidth = 64.0;
        ws_.Magnitude.assign(kN, 0.0);
    }
    SeriesTarget Target() { return {ws_.Magnitude, ws_.bandwidth, ws_.synthesis, &ws_.Swift}; }

    static constexpr int kN = 64;
    TestDir dir_;
    Workspace ws_;
};

TEST_F(hadamard_batch_test, four_frequencies_give_seven_files) {
    const std::vector<float> list{10.0f, 20.0f, 30.0f, 40.0f};
    std::uint64_t seen_total = 0;
    const auto report =
        BatchHadamard(Target(), list, 2000.0, SplitSeriesPath((dir_ / "scan.SWF").string()),
                      [&](std::uint64_t, std::uint64_t total) {
                          seen_total = total;
                          return true;
                      });
    EXPECT_EQ(report.written, 7u);
    EXPECT_EQ(seen_total, 7u);
    std::vector<std::string> expected;
    for (int r = 1; r <= 7; ++r)
        expected.push_back("scan_000" + std::to_string(r) + ".SWF");
    EXPECT_EQ(dir_.Names(), expected);
    EXPECT_EQ(ws_.Magnitude.size(), std::size_t{kN});

    std::ifstream in(dir_ / "scan_0007.SWF", std::ios::binary);
    std::string line;
    for (int i = 0; i < 3; ++i)
        std::getline(in, line);
    EXPECT_EQ(line, "Data Points:" + std::to_string(2 * kN));

    // The last row (7: frequency 2 only) stays in the profile, smoothed.
    EXPECT_EQ(ws_.Magnitude[30], 100.0);
    EXPECT_EQ(ws_.Magnitude[10], 0.0);
    EXPECT_GT(ws_.Magnitude[28], 0.0);
    EXPECT_LT(ws_.Magnitude[28], 100.0);
}

TEST_F(hadamard_batch_test, row_exciting_nothing_is_skipped) {
    const auto report =
        BatchHadamard(Target(), {10.0f}, 2000.0, SplitSeriesPath((dir_ / "one").string()));
    EXPECT_EQ(report.total, 1u);
    EXPECT_EQ(report.written, 0u);
    ASSERT_EQ(report.skipped.size(), 1u);
    EXPECT_EQ(report.skipped[0].rfind("member 1: ", 0), 0u);
    EXPECT_TRUE(dir_.Names().empty());
}

TEST_F(hadamard_batch_test, refuses_before_writing) {
    const SeriesName name = SplitSeriesPath((dir_ / "scan.swf").string());
    EXPECT_THROW(BatchHadamard(Target(), {}, 2000.0, name), Refusal);
    EXPECT_THROW(BatchHadamard(Target(), {10.0f, 64.5f}, 2000.0, name), Refusal);
    ws_.Magnitude.clear();
    EXPECT_THROW(BatchHadamard(Target(), {10.0f, 20.0f}, 2000.0, name), Refusal);
    EXPECT_TRUE(dir_.Names().empty());
}

}  // namespace
}  // namespace pelorin

#include "core/synth/series.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/files/swf.h"
#include "core/synth/swim.h"
#include "core/workspace/workspace.h"
#include "tests/support/test_dir.h"

namespace pelorin {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TestDir;

TEST(series_test, split_at_last_swf_of_the_file_name) {
    struct Case {
        const char* path;
        const char* stem;
        const char* extension;
    };
    const Case cases[] = {
        {"/data/run.swf", "/data/run", ".swf"},
        {"/data/run.SWF", "/data/run", ".SWF"},
        {"/data/run", "/data/run", ".swf"},
        {"designs.swf/run", "designs.swf/run", ".swf"},
        {"/a/designs.swf/scan.Swf", "/a/designs.swf/scan", ".Swf"},
        {"x.swf.swf", "x.swf", ".swf"},
        {"run.swf.bak", "run", ".swf.bak"},
        {".swf", "", ".swf"},
        {"", "", ".swf"},
        {"/data/", "/data/", ".swf"},
    };
    for (const Case& c : cases) {
        const SeriesName name = SplitSeriesPath(c.path);
        EXPECT_EQ(name.stem, c.stem) << c.path;
        EXPECT_EQ(name.extension, c.extension) << c.path;
    }
}

TEST(series_test, member_names_pad_to_four_digits_and_stay_distinct) {
    const SeriesName name{"/d/run", ".SWF"};
    EXPECT_EQ(SeriesMemberName(name, 3), "/d/run_0003.SWF");
    EXPECT_EQ(SeriesMemberName(name, 0), "/d/run_0000.SWF");
    EXPECT_EQ(SeriesMemberName(name, 9999), "/d/run_9999.SWF");
    EXPECT_EQ(SeriesMemberName(name, 10000), "/d/run_10000.SWF");
    EXPECT_EQ(SeriesMemberName(name, 4294967295u), "/d/run_4294967295.SWF");
}

class series_files_test : public ::testing::Test {
protected:
    void SetUp() override {
        ws_.bandwidth = 1000.0;
        ws_.Magnitude.assign(kN, 0.0);
    }

    SeriesName Name(const std::string& file) const {
        return SplitSeriesPath((dir_ / file).string());
    }
    std::string DataPointsLine(const std::string& file) const {
        std::ifstream in(dir_ / file, std::ios::binary);
        std::string line;
        for (int i = 0; i < 3; ++i)
            std::getline(in, line);
        return line;
    }
    SeriesReport Swim(const SeriesName& name, std::uint32_t first, std::uint32_t last,
                      double base = 0.0, const SeriesProgress& progress = {},
                      unsigned threads = 0) {
        return SwimSeries(Target(), {10, 20}, base, 1.0, first, last, 1, true, name, progress,
                          threads);
    }
    SeriesTarget Target() { return {ws_.Magnitude, ws_.bandwidth, ws_.synthesis, &ws_.Swift}; }

    static constexpr int kN = 64;
    TestDir dir_;
    Workspace ws_;
};

TEST_F(series_files_test, swim_series_writes_one_file_per_nodes_value) {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
    const auto report =
        Swim(Name("run.swf"), 3, 5, 0.0, [&](std::uint64_t done, std::uint64_t total) {
            calls.emplace_back(done, total);
            return true;
        });
    EXPECT_EQ(dir_.Names(),
              (std::vector<std::string>{"run_0003.swf", "run_0004.swf", "run_0005.swf"}));
    for (const auto& f : dir_.Names())
        EXPECT_EQ(DataPointsLine(f), "Data Points:" + std::to_string(2 * kN)) << f;
    EXPECT_EQ(ws_.Swift.size(), 2u * kN);
    EXPECT_EQ(report.total, 3u);
    EXPECT_EQ(report.written, 3u);
    EXPECT_FALSE(report.cancelled);
    EXPECT_EQ(calls,
              (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{1, 3}, {2, 3}, {3, 3}}));

    // The last member stays in the profile: zero outside the band, except the
    // two neighbours that the width-3 smoothing reaches (a running sum leaves
    // rounding dust elsewhere).
    EXPECT_NEAR(ws_.Magnitude[8], 0.0, 1e-12);
    EXPECT_GT(ws_.Magnitude[10], 0.0);  // base 0 at the band start, smoothed
    EXPECT_GT(ws_.Magnitude[20], 0.0);
    EXPECT_NEAR(ws_.Magnitude[21], 0.0, 1e-12);
    EXPECT_EQ(SeriesSummary(report), "3 of 3 files written.");

    // The waveform left in hand is the last file's: stored, the same bytes.
    StoreSwift((dir_ / "again.swf").string(), 2 * kN, ws_.bandwidth, ws_.Swift);
    EXPECT_EQ(ReadFile(dir_ / "again.swf"), ReadFile(dir_ / "run_0005.swf"));
}

TEST_F(series_files_test, extension_case_and_missing_extension) {
    Swim(Name("a.SWF"), 1, 1);
    Swim(Name("b"), 1, 1);
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"a_0001.SWF", "b_0001.swf"}));
}

TEST_F(series_files_test, first_after_last_writes_nothing) {
    const auto report = Swim(Name("run.swf"), 5, 3);
    EXPECT_TRUE(dir_.Names().empty());
    EXPECT_EQ(report.total, 0u);
    EXPECT_NE(SeriesSummary(report).find("no file written"), std::string::npos);
}

TEST_F(series_files_test, largest_nodes_value_ends_the_series) {
    ws_.Magnitude.assign(4, 0.0);
    const auto report = SwimSeries(Target(), {0, 4}, 0.5, 1.0, 4294967293u, 4294967295u, 1, false,
                                   Name("big.swf"), {});
    EXPECT_EQ(report.written, 3u);
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"big_4294967293.swf", "big_4294967294.swf",
                                                      "big_4294967295.swf"}));
    EXPECT_EQ(ws_.Magnitude.size(), 4u);
}

TEST_F(series_files_test, member_without_power_is_skipped_and_reported) {
    // Nodes 0 with base 0 leaves the whole profile at zero.
    const auto report = Swim(Name("run.swf"), 0, 2);
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"run_0001.swf", "run_0002.swf"}));
    EXPECT_EQ(report.written, 2u);
    EXPECT_EQ(report.skipped_count, 1u);
    ASSERT_EQ(report.skipped.size(), 1u);
    EXPECT_EQ(report.skipped[0].rfind("member 0: ", 0), 0u) << report.skipped[0];
    const std::string summary = SeriesSummary(report);
    EXPECT_NE(summary.find("2 of 3 files written."), std::string::npos) << summary;
    EXPECT_NE(summary.find(report.skipped[0]), std::string::npos) << summary;
}

TEST_F(series_files_test, failed_write_is_reported_and_stops_the_series) {
    // A folder in the place of member 4 makes its write fail.
    fs::create_directory(dir_ / "run_0004.swf");
    const auto report = Swim(Name("run.swf"), 3, 5);
    EXPECT_EQ(report.written, 1u);
    ASSERT_EQ(report.failed.size(), 1u);
    EXPECT_EQ(report.failed[0].rfind("member 4: ", 0), 0u) << report.failed[0];
    EXPECT_TRUE(report.stopped);
    EXPECT_FALSE(fs::exists(dir_ / "run_0005.swf"));

    const auto missing = Swim(SplitSeriesPath((dir_ / "nowhere" / "run.swf").string()), 1, 2);
    EXPECT_EQ(missing.written, 0u);
    EXPECT_EQ(missing.failed_count, 1u);
    const std::string summary = SeriesSummary(missing);
    EXPECT_NE(summary.find("Failed to write 1 member:"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Stopped there"), std::string::npos) << summary;
    // A failure at the last member stops nothing.
    const auto last = Swim(Name("run.swf"), 4, 4);
    EXPECT_FALSE(last.stopped);
}

TEST_F(series_files_test, cancel_keeps_what_was_written) {
    const auto decline = [](std::uint64_t, std::uint64_t) { return false; };
    const auto report = Swim(Name("run.swf"), 1, 5, 0.0, decline, 1);
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(report.done, 1u);
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"run_0001.swf"});
    EXPECT_NE(SeriesSummary(report).find("Cancelled after 1 member"), std::string::npos);
    // On two cores the member synthesised beside it is not written.
    const auto two = Swim(Name("two.swf"), 1, 5, 0.0, decline, 2);
    EXPECT_TRUE(two.cancelled);
    EXPECT_EQ(two.done, 1u);
    EXPECT_FALSE(fs::exists(dir_ / "two_0002.swf"));

    // Declining after the last member cancels nothing.
    const auto one =
        Swim(Name("one.swf"), 1, 1, 0.0, [](std::uint64_t, std::uint64_t) { return false; });
    EXPECT_FALSE(one.cancelled);
}

TEST_F(series_files_test, refuses_an_empty_profile) {
    ws_.Magnitude.clear();
    EXPECT_THROW(Swim(Name("run.swf"), 1, 3), Refusal);
    EXPECT_TRUE(dir_.Names().empty());
}

TEST_F(series_files_test, builder_refusal_skips_and_other_errors_propagate) {
    const SeriesMember refuse_two = [](std::span<double> profile, std::uint64_t k) {
        if (k == 2)
            throw Refusal("not this one");
        profile[5] = 1.0;
    };
    const auto report = RunSeries(Target(), Name("r.swf"), 1, 3, refuse_two, false);
    EXPECT_EQ(report.written, 2u);
    EXPECT_EQ(report.skipped, std::vector<std::string>{"member 2: not this one"});

    const SeriesMember explode = [](std::span<double>, std::uint64_t) {
        throw std::runtime_error("boom");
    };
    EXPECT_THROW(RunSeries(Target(), Name("x.swf"), 1, 1, explode, false), std::runtime_error);
}

// Members run side by side write the files, the report and the progress of a
// run one member at a time, and leave the same profile and waveform behind.
TEST_F(series_files_test, several_cores_write_what_one_writes) {
    std::vector<std::uint64_t> steps[2];
    SeriesReport reports[2];
    std::vector<double> profiles[2], waveforms[2];
    for (unsigned threads : {1u, 3u}) {
        const int i = threads == 1 ? 0 : 1;
        ws_.Magnitude.assign(kN, 0.0);
        // Nodes 0 has no power: a skipped member among the written ones.
        reports[i] = Swim(
            Name("t" + std::to_string(threads) + ".swf"), 0, 6, 0.0,
            [&](std::uint64_t done, std::uint64_t) {
                steps[i].push_back(done);
                return true;
            },
            threads);
        profiles[i] = ws_.Magnitude;
        waveforms[i] = ws_.Swift;
    }
    EXPECT_EQ(steps[0], steps[1]);
    EXPECT_EQ(SeriesSummary(reports[0]), SeriesSummary(reports[1]));
    EXPECT_EQ(profiles[0], profiles[1]);
    EXPECT_EQ(waveforms[0], waveforms[1]);
    for (int k = 1; k <= 6; ++k) {
        const std::string member = "_000" + std::to_string(k) + ".swf";
        EXPECT_EQ(ReadFile(dir_ / ("t1" + member)), ReadFile(dir_ / ("t3" + member))) << k;
    }
    EXPECT_FALSE(fs::exists(dir_ / "t3_0000.swf"));
}

TEST(series_summary_test, long_lists_are_cut_with_a_count) {
    SeriesReport report;
    report.total = report.done = 500;
    report.skipped_count = 500;
    for (std::size_t i = 0; i < kSeriesReportListLimit; ++i)
        report.skipped.push_back("member " + std::to_string(i) + ": no power");
    const std::string summary = SeriesSummary(report);
    EXPECT_NE(summary.find("0 of 500 files written."), std::string::npos);
    EXPECT_NE(summary.find("... and 400 more"), std::string::npos);
}

}  // namespace
}  // namespace pelorin

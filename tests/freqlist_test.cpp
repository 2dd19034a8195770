#include "core/edit/freqlist.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "core/synth/hadamard.h"
#include "core/workspace/workspace.h"
#include "tests/support/test_dir.h"

namespace pelorin {
namespace {

namespace fs = std::filesystem;
using testing::TestDir;

TEST(freqlist_test, list_stays_ascending_without_duplicates) {
    std::vector<float> list;
    std::size_t at = 99;
    EXPECT_TRUE(AddToFloatList(list, 5.0f, &at));
    EXPECT_EQ(at, 0u);
    EXPECT_TRUE(AddToFloatList(list, 2.0f, &at));
    EXPECT_EQ(at, 0u);
    EXPECT_TRUE(AddToFloatList(list, 9.0f, &at));
    EXPECT_EQ(at, 2u);
    EXPECT_FALSE(AddToFloatList(list, 2.0f, &at));
    EXPECT_EQ(at, 0u);
    EXPECT_EQ(list, (std::vector<float>{2.0f, 5.0f, 9.0f}));

    // Exact single-precision comparison: the next float up is a new value.
    EXPECT_TRUE(AddToFloatList(list, std::nextafter(5.0f, 6.0f)));
    EXPECT_FALSE(AddToFloatList(list, std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(list.size(), 4u);
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
}

TEST(freqlist_test, label_is_the_widened_value_in_fifteen_characters) {
    EXPECT_EQ(FrequencyLabel(2.5f), "       2.500000");
    EXPECT_EQ(FrequencyLabel(100.1f), "     100.099998");
    EXPECT_EQ(FrequencyLabel(-0.25f), "      -0.250000");
    EXPECT_EQ(FrequencyLabel(123456789.0f), "123456792.000000");  // wider than the field
}

TEST(freqlist_test, frequencies_must_lie_in_the_bandwidth) {
    EXPECT_TRUE(CheckFrequencies({}, 1000.0));
    EXPECT_TRUE(CheckFrequencies({0.0f, 1000.0f}, 1000.0));
    EXPECT_FALSE(CheckFrequencies({0.0f, 1000.5f}, 1000.0));
    EXPECT_FALSE(CheckFrequencies({-0.1f, 10.0f}, 1000.0));
    EXPECT_FALSE(CheckFrequencies({std::numeric_limits<float>::quiet_NaN()}, 1000.0));
    EXPECT_NO_THROW(RequireFrequenciesInRange({500.0f}, 1000.0));
    try {
        RequireFrequenciesInRange({1500.0f}, 1000.0);
        ADD_FAILURE() << "no refusal";
    } catch (const Refusal& r) {
        EXPECT_EQ(r.title(), "Warning");
        EXPECT_EQ(std::string(r.what()).rfind("Frequency out of frequency range!", 0), 0u);
    }
}

TEST(freqlist_test, hadamard_order_is_the_next_power_of_two_above_n) {
    EXPECT_EQ(HadamardOrder(1), 2);
    EXPECT_EQ(HadamardOrder(3), 4);
    EXPECT_EQ(HadamardOrder(4), 8);
    EXPECT_EQ(HadamardOrder(5), 8);
    EXPECT_EQ(HadamardOrder(7), 8);
    EXPECT_EQ(HadamardOrder(8), 16);
    EXPECT_EQ(HadamardOrder(0), 0);
    EXPECT_EQ(HadamardOrder(-3), 0);
    EXPECT_EQ(HadamardOrder((1 << 30) - 1), 1 << 30);
    EXPECT_EQ(HadamardOrder(1 << 30), 0);
}

class peaklist_test : public ::testing::Test {
protected:
    std::string Write(const std::string& text) {
        const fs::path path = dir_ / "peaks.pks";
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
    static std::string Head(const std::string& first_line) {
        return first_line + "\nh2\nh3\nh4\nh5\nh6\n";
    }

    TestDir dir_;
};

TEST_F(peaklist_test, fourth_field_in_hz_merges_as_khz) {
    const auto peaks = ReadPeakList(
        Write(Head("There were 2 peaks found") + "1.0 2.0 3 150000\n0.5\t2.5  4 75000\n"));
    EXPECT_TRUE(peaks.count_found);
    EXPECT_EQ(peaks.announced, 2);
    EXPECT_EQ(peaks.frequencies_khz, (std::vector<float>{150.0f, 75.0f}));
    EXPECT_EQ(peaks.lines_skipped, 0);
    EXPECT_EQ(peaks.note, "");

    std::vector<float> list{100.0f, 150.0f};
    EXPECT_EQ(MergePeakList(list, peaks), 1);
    EXPECT_EQ(list, (std::vector<float>{75.0f, 100.0f, 150.0f}));
}

TEST_F(peaklist_test, division_is_in_single_precision) {
    const auto peaks = ReadPeakList(Write(Head("There were 1") + "1 2 3 123456.7\n"));
    ASSERT_EQ(peaks.frequencies_khz.size(), 1u);
    EXPECT_EQ(peaks.frequencies_khz[0], 123456.7f / 1000.0f);
}

TEST_F(peaklist_test, header_phrase_any_case_and_layout) {
    const std::string data = "1 2 3 1000\n2 3 4 2000\n3 4 5 3000\n";
    EXPECT_EQ(ReadPeakList(Write(Head("# THERE WERE\t3 peaks") + data)).frequencies_khz.size(), 3u);
    EXPECT_EQ(ReadPeakList(Write(Head("there were+2") + data)).frequencies_khz.size(), 2u);
    // CR LF line ends, exponents and signs.
    const auto crlf = ReadPeakList(
        Write("There were 2\r\na\r\nb\r\nc\r\nd\r\ne\r\n-1e0 +2 -3 1.5e5\r\n1 2 3 +2E3\r\n"));
    EXPECT_EQ(crlf.frequencies_khz, (std::vector<float>{150.0f, 2.0f}));
}

TEST_F(peaklist_test, file_shorter_than_its_count_gives_what_it_holds) {
    const auto peaks = ReadPeakList(Write(Head("There were 3") + "1 2 3 1000\n1 2 3 2000"));
    EXPECT_EQ(peaks.frequencies_khz, (std::vector<float>{1.0f, 2.0f}));
    EXPECT_NE(peaks.note.find("2 of the 3"), std::string::npos) << peaks.note;

    const auto headless = ReadPeakList(Write("There were 3\nonly two\nlines\n"));
    EXPECT_TRUE(headless.frequencies_khz.empty());
    EXPECT_FALSE(headless.note.empty());
}

TEST_F(peaklist_test, no_usable_count_reads_no_data) {
    const std::string data = "1 2 3 1000\n1 2 3 2000\n";
    for (const std::string first :
         {"Peak list", "There were no peaks", "There were -2", "There were 99999999999", ""}) {
        const auto peaks = ReadPeakList(Write(Head(first) + data));
        EXPECT_TRUE(peaks.frequencies_khz.empty()) << first;
        EXPECT_FALSE(peaks.note.empty()) << first;
    }
    EXPECT_TRUE(ReadPeakList(Write("")).frequencies_khz.empty());
    const auto negative = ReadPeakList(Write(Head("There were -2") + data));
    EXPECT_TRUE(negative.count_found);
    EXPECT_EQ(negative.announced, -2);
    EXPECT_FALSE(ReadPeakList(Write(Head("There were 9999999999999") + data)).count_found);
}

TEST_F(peaklist_test, overlong_line_is_one_skipped_line) {
    // Split into 1023-character pieces, the tail of this line would read as a
    // data line of its own.
    const std::string overlong = std::string(1100, ' ') + "1 2 3 4000";
    const auto peaks =
        ReadPeakList(Write(Head("There were 3") + overlong + "\n1 2 3 5000\n1 2 3 6000\n"));
    EXPECT_EQ(peaks.frequencies_khz, (std::vector<float>{5.0f, 6.0f}));
    EXPECT_EQ(peaks.lines_skipped, 1);

    // 1023 characters fit, with or without a CR before the LF.
    const std::string full = "1 2 3 7000" + std::string(1013, ' ');
    ASSERT_EQ(full.size(), kPeakListLineLimit);
    const auto fits = ReadPeakList(Write(Head("There were 2") + full + "\n" + full + "\r\n"));
    EXPECT_EQ(fits.frequencies_khz, (std::vector<float>{7.0f, 7.0f}));

    // A count whose digits run into the cut of line 1 may have lost digits.
    const std::string cut_count = std::string(1020, 'x') + "There were 12";
    EXPECT_FALSE(ReadPeakList(Write(Head(cut_count) + "1 2 3 1000\n")).count_found);
}

TEST_F(peaklist_test, partial_line_adds_nothing_and_unscannable_line_stops) {
    const auto peaks =
        ReadPeakList(Write(Head("There were 6") + "1 2 3\n"         // fourth missing
                                                  "1 2 3.5 8000\n"  // third not an integer
                                                  "1 2 3 nan\n"     // fourth not a number
                                                  "1 2 3 9000\n"
                                                  "end of list\n"
                                                  "1 2 3 10000\n"));
    EXPECT_EQ(peaks.frequencies_khz, std::vector<float>{9.0f});
    EXPECT_EQ(peaks.lines_skipped, 3);
    EXPECT_NE(peaks.note.find("Line 11"), std::string::npos) << peaks.note;
}

TEST_F(peaklist_test, unreadable_file_is_refused_with_its_path) {
    const std::string missing = (dir_ / "missing.pks").string();
    try {
        ReadPeakList(missing);
        ADD_FAILURE() << "no refusal";
    } catch (const Refusal& r) {
        EXPECT_NE(std::string(r.what()).find(missing), std::string::npos) << r.what();
    }
    EXPECT_THROW(ReadPeakList(dir_.string()), Refusal);
}

}  // namespace
}  // namespace pelorin

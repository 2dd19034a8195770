// Malformed data files: every one must read cleanly or be refused, for each
// AWG choice, without crashing, hanging or reading out of bounds.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/files/datfile.h"
#include "tests/support/float_bytes.h"
#include "tests/support/test_dir.h"

namespace pelorin {
namespace {

namespace fs = std::filesystem;
using testing::TestDir;

using testing::FloatBytes;

const std::string kGood = "Waveform\nData Points: 6\nBandwidth: 300000\nData:\n" +
                          FloatBytes({0.1f, -0.7f, 0.35f, 0.0f, -0.2f, 0.6f});

struct HandMadeFile {
    std::string name;
    std::string bytes;
    int refused;  // of the three AWG choices 0, 1, 2
};

// The hand-made files, as byte strings.
std::vector<HandMadeFile> HandMade() {
    using namespace std::string_literals;
    const std::string tail = "\nBandwidth: 300000\nData:\n" + FloatBytes({1.0f, -0.5f});
    const std::string bw = "\nBandwidth: 300000\nData:\n";
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    return {
        {"empty", "", 3},
        {"only_line_feeds", std::string(5000, '\n'), 3},
        {"only_crs", std::string(3000, '\r'), 3},
        {"long_line_no_lf", std::string(100000, 'A'), 3},
        {"count_int_max", "Data Points: 2147483647" + tail, 3},
        {"count_int_min", "Data Points: -2147483648" + tail, 3},
        {"count_11_digits", "Data Points: 99999999999" + tail, 3},
        {"count_30_digits", "Data Points: 999999999999999999999999999999" + tail, 3},
        {"count_negative", "Data Points: -1" + tail, 3},
        {"count_zero", "Data Points: 0" + tail, 3},
        {"count_missing", "Data Points:" + tail, 3},
        {"count_letters", "Data Points: x2" + tail, 3},
        {"count_only_sign", "Data Points: -" + tail, 3},
        {"count_tag_at_eof", "Data Points:", 3},
        {"count_one_above_file", "Data Points: 3" + tail, 3},
        {"count_one_no_bandwidth", "Data Points: 1\n\nData:\n" + FloatBytes({-3.0f}), 2},
        {"missing_count_tag", "Bandwidth: 300000\nData:\n" + FloatBytes({1.0f}), 3},
        {"missing_bandwidth_tag", "Data Points: 1\nfoo\nData:\n" + FloatBytes({1.0f}), 2},
        {"missing_data_tag", "Data Points: 1\nBandwidth: 300000\n" + FloatBytes({1.0f}), 3},
        {"data_tag_at_eof", "Data Points: 2\nBandwidth: 300000\nData:", 3},
        {"data_line_never_ends", "Data Points: 2\nBandwidth: 300000\nData:" + std::string(999, 'z'),
         3},
        {"count_tag_across_boundary", std::string(252, 'x') + "Data Points: 2" + tail, 3},
        // The number after a tag that ends a piece is in the next piece.
        {"bandwidth_tag_ends_piece",
         "Data Points: 2\n" + std::string(248, 'x') + "Bandwidth:300000\nData:\n" +
             FloatBytes({1.0f, 0.5f}),
         2},
        // Reads as 1 sample: "234" is the next line.
        {"count_cut_by_boundary",
         std::string(244, 'x') + "Data Points: 1234\n\nData:\n" + FloatBytes({0.25f, 1.0f}), 2},
        {"data_tag_across_boundary",
         "Data Points: 2" + bw.substr(0, 19) + std::string(255, 'x') + "Data:\n" +
             FloatBytes({1.0f, 0.5f}),
         3},
        {"bandwidth_huge", "Data Points: 2\nBandwidth: 1e308\nData:\n" + FloatBytes({1.0f, 2.0f}),
         2},
        {"bandwidth_overflow", "Data Points: 1\nBandwidth: 1e999\nData:\n" + FloatBytes({1.0f}), 2},
        {"bandwidth_subnormal",
         "Data Points: 2\nBandwidth: 1e-320\nData:\n" + FloatBytes({1.0f, 2.0f}), 2},
        {"bandwidth_hex", "Data Points: 2\nBandwidth: 0x10\nData:\n" + FloatBytes({1.0f, 2.0f}), 2},
        {"bandwidth_minus_zero",
         "Data Points: 2\nBandwidth: -0\nData:\n" + FloatBytes({1.0f, 2.0f}), 2},
        {"bandwidth_nan", "Data Points: 2\nBandwidth: nan\nData:\n" + FloatBytes({1.0f, 2.0f}), 2},
        {"nan_sample", "Data Points: 2" + bw + FloatBytes({nan, 1.0f}), 3},
        {"inf_sample", "Data Points: 2" + bw + FloatBytes({1.0f, inf}), 3},
        {"all_zero", "Data Points: 3" + bw + FloatBytes({0.0f, -0.0f, 0.0f}), 3},
        {"subnormals", "Data Points: 3" + bw + FloatBytes({1e-45f, -2e-45f, 1e-44f}), 0},
        {"float_max", "Data Points: 2" + bw + FloatBytes({3.4e38f, -3.4e38f}), 0},
        {"nul_in_header",
         "Data\0Points: 2\nData Points: 2\0\n\nData:\n"s + FloatBytes({1.0f, 2.0f}), 2},
        {"high_bytes_in_header",
         "\xff\xfe\x80"
         "Data Points: 2\xff\n\x80\nData:\xff\n" +
             FloatBytes({1.0f, 2.0f}),
         2},
        {"high_byte_before_count", "Data Points:\xff 2" + tail, 3},
    };
}

// Each generated file: the good file cut at every byte, random noise, and
// noise behind a valid header.
std::vector<std::pair<std::string, std::string>> Generated() {
    std::vector<std::pair<std::string, std::string>> files;
    for (std::size_t cut = 0; cut < kGood.size(); ++cut)
        files.emplace_back("cut_" + std::to_string(cut), kGood.substr(0, cut));

    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> size(0, 3000);
    for (int i = 0; i < 25; ++i) {
        std::string noise(size(rng), '\0');
        for (char& c : noise) {
            const int b = byte(rng);
            c = static_cast<char>(b < 16 ? '\n' : b);  // enough line feeds to make lines
        }
        files.emplace_back("noise_" + std::to_string(i), noise);
        files.emplace_back("header_noise_" + std::to_string(i),
                           "Data Points: " + std::to_string(size(rng) / 4) + "\nBandwidth: " +
                               std::to_string(size(rng) * 1000) + "\nData:\n" + noise);
    }
    return files;
}

class DatCorpusTest : public ::testing::Test {
protected:
    // Reads path for every AWG choice; returns how many reads were refused.
    int Check(const std::string& path) {
        int refused = 0;
        for (int awg = 0; awg <= 2; ++awg) {
            SCOPED_TRACE(path + " awg " + std::to_string(awg));
            try {
                const DatWaveform w = ReadDatFile(path, awg);
                EXPECT_GE(w.datapts, 1);
                EXPECT_EQ(w.samples.size(), static_cast<std::size_t>(w.datapts));
                double peak = 0.0;
                for (double v : w.samples) {
                    EXPECT_TRUE(v >= -1.0 && v <= 1.0) << v;
                    peak = std::max(peak, std::fabs(v));
                }
                EXPECT_EQ(peak, 1.0);
                if (awg == 0) {
                    EXPECT_EQ(w.bandwidth, 320.0);
                } else {
                    EXPECT_GE(w.bandwidth, 1.0);
                    EXPECT_LE(w.bandwidth, awg == 1 ? 25000.0 : 40000.0);
                    EXPECT_EQ(w.bandwidth, std::floor(w.bandwidth));
                }
            } catch (const Refusal& r) {
                EXPECT_NE(std::string(r.what()).find(path), std::string::npos) << r.what();
                ++refused;
            }
        }
        return refused;
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        const fs::path p = dir_ / (name + ".dat");
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }

    TestDir dir_;
};

TEST_F(DatCorpusTest, EveryMalformedFileReadsCleanlyOrIsRefused) {
    std::vector<std::pair<std::string, std::string>> files = Generated();
    for (const auto& f : HandMade())
        files.emplace_back(f.name, f.bytes);
    ASSERT_GE(files.size(), 30u);
    for (const auto& [name, bytes] : files)
        Check(Write(name, bytes));
    EXPECT_EQ(Check((dir_ / "absent").string()), 3);
    EXPECT_EQ(Check(dir_.string()), 3);
}

TEST_F(DatCorpusTest, HandMadeFilesAreRefusedForTheExpectedAwgChoices) {
    for (const auto& f : HandMade()) {
        SCOPED_TRACE(f.name);
        EXPECT_EQ(Check(Write(f.name, f.bytes)), f.refused);
    }
}

TEST_F(DatCorpusTest, TheGoodFileReadsAndEveryCutOfItIsRefused) {
    EXPECT_EQ(Check(Write("good", kGood)), 0);
    for (std::size_t cut = 0; cut < kGood.size(); ++cut) {
        SCOPED_TRACE(cut);
        EXPECT_EQ(Check(Write("cut", kGood.substr(0, cut))), 3);
    }
}

}  // namespace
}  // namespace pelorin

#include "core/files/datfile.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "core/workspace/operations.h"
#include "tests/support/float_bytes.h"
#include "tests/support/test_dir.h"

namespace pelorin {
namespace {

namespace fs = std::filesystem;
using testing::TestDir;

using testing::FloatBytes;

class DatFileTest : public ::testing::Test {
protected:
    std::string WriteBytes(const std::string& name, const std::string& bytes) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
    std::string WriteDat(const std::string& name, const std::string& header,
                         const std::vector<float>& samples) {
        return WriteBytes(name, header + FloatBytes(samples));
    }

    TestDir dir_;
};

const std::string kHeader = "Data Points: 4\nBandwidth: 300000\nData:\n";
const std::vector<float> kSamples = {0.5f, -0.25f, 1.0f, 0.0f};
const std::vector<double> kNormalised = {0.5, -0.25, 1.0, 0.0};

// ---- line reader ----

TEST(DatLineReaderTest, SplitsLongLinesIntoPiecesAndKeepsCarriageReturns) {
    std::istringstream in("abc\r\n\n" + std::string(600, 'x') + "\n" + std::string(258, 'y') +
                          "\n" + "tail");
    DatLineReader r(in);
    std::string line;
    ASSERT_TRUE(r.Next(line));
    EXPECT_EQ(line, "abc\r");
    ASSERT_TRUE(r.Next(line));
    EXPECT_EQ(line, "");
    for (std::size_t len : {258u, 258u, 84u}) {
        ASSERT_TRUE(r.Next(line));
        EXPECT_EQ(line, std::string(len, 'x'));
        EXPECT_EQ(r.Cut(), len == 258u);
    }
    // Exactly 258 characters and a line feed: one line, not cut.
    ASSERT_TRUE(r.Next(line));
    EXPECT_EQ(line, std::string(258, 'y'));
    EXPECT_FALSE(r.Cut());
    ASSERT_TRUE(r.Next(line));
    EXPECT_EQ(line, "tail");
    EXPECT_FALSE(r.Next(line));
    EXPECT_FALSE(r.Next(line));
}

TEST(DatLineReaderTest, SkipRestOfLineStopsAfterLineFeedOrAtEnd) {
    std::istringstream in(std::string(300, 'a') + "\nnext\n" + std::string(259, 'b'));
    DatLineReader r(in);
    std::string line;
    ASSERT_TRUE(r.Next(line));
    ASSERT_TRUE(r.Cut());
    r.SkipRestOfLine();
    ASSERT_TRUE(r.Next(line));
    EXPECT_EQ(line, "next");
    ASSERT_TRUE(r.Next(line));
    r.SkipRestOfLine();
    EXPECT_FALSE(r.Next(line));
}

// ---- reading rules ----

TEST_F(DatFileTest, NoAwgTakes320kHzAndIgnoresTheBandwidthLine) {
    const auto w1 = ReadDatFile(WriteDat("a.dat", kHeader, kSamples), 0);
    EXPECT_EQ(w1.datapts, 4);
    EXPECT_EQ(w1.bandwidth, 320.0);
    EXPECT_EQ(w1.samples, kNormalised);
    // A line that would be refused with an AWG, or none at all, does no harm.
    const auto w2 =
        ReadDatFile(WriteDat("b.dat", "Data Points: 4\nBandwidth: nonsense\nData:\n", kSamples), 0);
    EXPECT_EQ(w2.bandwidth, 320.0);
    const auto w3 = ReadDatFile(WriteDat("c.dat", "Data Points: 4\n\nData:\n", kSamples), 0);
    EXPECT_EQ(w3.samples, kNormalised);
}

TEST_F(DatFileTest, BandwidthSnapsToTheChosenAwgClock) {
    const auto blank = WriteDat("blank.dat", kHeader, kSamples);
    EXPECT_EQ(ReadDatFile(blank, 1).bandwidth, 301.0);
    EXPECT_EQ(ReadDatFile(blank, 2).bandwidth, 300.0);
    // The character right after the colon is skipped unread.
    const auto tight =
        WriteDat("tight.dat", "Data Points: 4\nBandwidth:1300000\nData:\n", kSamples);
    EXPECT_EQ(ReadDatFile(tight, 2).bandwidth, 300.0);
    EXPECT_EQ(ReadDatFile(tight, 1).bandwidth, 301.0);
    const auto both =
        WriteDat("both.dat", "Data Points: 4\nBandwidth: 320000.0\nData:\n", kSamples);
    EXPECT_EQ(ReadDatFile(both, 1).bandwidth, 320.0);
    EXPECT_EQ(ReadDatFile(both, 2).bandwidth, 320.0);
    // The clock figures themselves are the largest bandwidths, 1 kHz the
    // smallest.
    const auto top = WriteDat("top.dat", "Data Points: 4\nBandwidth: 40000000\nData:\n", kSamples);
    EXPECT_EQ(ReadDatFile(top, 2).bandwidth, 40000.0);
    const auto top1 =
        WriteDat("top1.dat", "Data Points: 4\nBandwidth: 25000000\nData:\n", kSamples);
    EXPECT_EQ(ReadDatFile(top1, 1).bandwidth, 25000.0);
    const auto low = WriteDat("low.dat", "Data Points: 4\nBandwidth: 1000\nData:\n", kSamples);
    EXPECT_EQ(ReadDatFile(low, 1).bandwidth, 1.0);
    EXPECT_EQ(ReadDatFile(low, 2).bandwidth, 1.0);
}

TEST_F(DatFileTest, TagsAreFoundAnywhereInAnyCaseWithCrlfAndExtraLines) {
    const std::string header =
        "Waveform export\r\n"
        "# data points: 4 (float32)\r\n"
        "comment\r\n"
        "ignored\r\n"
        "rate BANDWIDTH: 300000\r\n"
        "more\r\n"
        "\r\n"
        "  --dAtA:--\r\n";
    const auto w = ReadDatFile(WriteDat("mixed.dat", header, kSamples), 2);
    EXPECT_EQ(w.datapts, 4);
    EXPECT_EQ(w.bandwidth, 300.0);
    EXPECT_EQ(w.samples, kNormalised);
    const auto w0 = ReadDatFile(WriteDat("mixed0.dat", header, kSamples), 0);
    EXPECT_EQ(w0.samples, kNormalised);
}

TEST_F(DatFileTest, SearchesStartAfterTheLinesBeforeThem) {
    // Only a "Bandwidth:" line after "Data Points:" counts.
    const auto late = WriteDat(
        "late.dat", "Bandwidth: 300000\nData Points: 4\nBandwidth: 1000000\nData:\n", kSamples);
    EXPECT_EQ(ReadDatFile(late, 1).bandwidth, 1000.0);
    // Without an AWG the line after "Data Points:" is passed over, "Data:" or not.
    const std::string decoy = "Data:\n" + FloatBytes({9.0f, 9.0f}) + "\nData:\n";
    const auto skip = WriteDat("skip.dat", "Data Points: 4\n" + decoy, kSamples);
    EXPECT_EQ(ReadDatFile(skip, 0).samples, kNormalised);
    // With an AWG, "Data:" on the "Bandwidth:" line is not taken either.
    const auto same =
        WriteDat("same.dat", "Data Points: 4\nBandwidth: 300000 Data:x\nData:\n", kSamples);
    EXPECT_EQ(ReadDatFile(same, 1).samples, kNormalised);
}

TEST_F(DatFileTest, CountIsParsedAfterBlanksAndStopsAtTheFirstNonDigit) {
    for (const char* line :
         {"Data Points:4", "Data Points: \t 4\r", "Data Points: +4 samples", "Data Points: 4.9"}) {
        SCOPED_TRACE(line);
        const auto w = ReadDatFile(
            WriteDat("count.dat", std::string(line) + "\nBandwidth: 300000\nData:\n", kSamples), 1);
        EXPECT_EQ(w.datapts, 4);
        EXPECT_EQ(w.samples, kNormalised);
    }
}

// Lines longer than 258 characters count as several lines.
TEST_F(DatFileTest, LongLinesCountAsSeveralAndSamplesStartAfterTheLineFeed) {
    const std::string pre = "Data Points: 4\nBandwidth: 300000\n";
    // Tag in the first piece of a long "Data:" line: the rest of the line is skipped.
    const std::string longData = "Data:" + std::string(300, 'z') + "\n";
    EXPECT_EQ(ReadDatFile(WriteDat("l1.dat", pre + longData, kSamples), 1).samples, kNormalised);
    // Exactly 258 characters, then the line feed; then 258 and CR LF.
    const std::string exact = "Data:" + std::string(253, 'z');
    EXPECT_EQ(ReadDatFile(WriteDat("l2.dat", pre + exact + "\n", kSamples), 1).samples,
              kNormalised);
    EXPECT_EQ(ReadDatFile(WriteDat("l3.dat", pre + exact + "\r\n", kSamples), 1).samples,
              kNormalised);
    // The tag in the second piece of the line after "Data Points:" is examined
    // without an AWG: that piece is a line of its own.
    const std::string second = std::string(258, 'x') + "Data:\n";
    EXPECT_EQ(ReadDatFile(WriteDat("l4.dat", "Data Points: 4\n" + second, kSamples), 0).samples,
              kNormalised);
    // A tag across the 258-character boundary is in neither piece.
    const std::string straddle = std::string(255, 'x') + "Data:\nData:\n";
    EXPECT_EQ(ReadDatFile(WriteDat("l5.dat", pre + straddle, kSamples), 1).samples, kNormalised);
    // A "Data Points:" line of exactly 258 characters is one line: the line
    // after it is passed over, so the second "Data:" is the one used.
    std::string countLine = "Data Points: 4";
    countLine.resize(258, ' ');
    const std::string twice = countLine + "\nData:\n" + FloatBytes({7.0f, 7.0f}) + "\nData:\n";
    EXPECT_EQ(ReadDatFile(WriteDat("l6.dat", twice, kSamples), 0).samples, kNormalised);
}

TEST_F(DatFileTest, SamplesAreLittleEndianFloatsAndTrailingBytesAreIgnored) {
    // 1.0f, -2.0f, 0.5f, 0.0f written byte by byte.
    const std::string bytes("\x00\x00\x80\x3f\x00\x00\x00\xc0\x00\x00\x00\x3f\x00\x00\x00\x00", 16);
    const auto path = WriteBytes("le.dat", kHeader + bytes + "trailing\n\x01\x02\x03");
    const auto w = ReadDatFile(path, 1);
    EXPECT_EQ(w.samples, (std::vector<double>{0.5, -1.0, 0.25, 0.0}));
}

TEST_F(DatFileTest, NormalisesByTheLargerOfMaximumAndMinusMinimum) {
    const auto read = [&](const std::vector<float>& s) {
        const std::string header = "Data Points: " + std::to_string(s.size()) + "\n\nData:\n";
        return ReadDatFile(WriteDat("n.dat", header, s), 0).samples;
    };
    EXPECT_EQ(read({-2.0f, 1.5f, 0.5f}), (std::vector<double>{-1.0, 0.75, 0.25}));
    EXPECT_EQ(read({4.0f, -1.0f}), (std::vector<double>{1.0, -0.25}));
    EXPECT_EQ(read({-3.0f, 3.0f}), (std::vector<double>{-1.0, 1.0}));  // a tie
    EXPECT_EQ(read({-0.5f, -2.0f}), (std::vector<double>{-0.25, -1.0}));
    EXPECT_EQ(read({0.0f, 1e-45f}), (std::vector<double>{0.0, 1.0}));  // smallest subnormal
    // x * (1 / x) is 1 - 2^-53 here; the peak must still be exactly 1.0 so
    // that the writer gives it the top code.
    const float peak = 0x1.25e3c8p+0f;
    EXPECT_EQ(read({peak, -0.5f * peak}), (std::vector<double>{1.0, -0.5}));
}

// ---- refusals ----

Workspace Before() {
    Workspace ws;
    ws.bandwidth = 123.0;
    ws.Swift = {0.1, -0.2, 0.3};
    ws.phase = MenuPhase::Editable;
    return ws;
}

// Refused with a message naming the path and holding `says`; the workspace
// keeps its waveform, count and bandwidth.
void ExpectRefused(const std::string& path, int awg, const std::string& says) {
    SCOPED_TRACE(path + " awg " + std::to_string(awg));
    Workspace ws = Before();
    try {
        ImportWaveform(ws, ReadDatFile(path, awg));
        ADD_FAILURE() << "read without refusal";
    } catch (const Refusal& r) {
        EXPECT_EQ(r.title(), "Error");
        const std::string text = r.what();
        EXPECT_NE(text.find(path), std::string::npos) << text;
        EXPECT_NE(text.find(says), std::string::npos) << text;
    }
    const Workspace before = Before();
    EXPECT_EQ(ws.Swift, before.Swift);
    EXPECT_EQ(ws.bandwidth, before.bandwidth);
    EXPECT_EQ(ws.phase, before.phase);
}

TEST_F(DatFileTest, UnreadableFilesAndMissingTagsAreRefused) {
    ExpectRefused((dir_ / "absent.dat").string(), 0, "No such file or directory");
    ExpectRefused(dir_.string(), 0, "is a folder");
    ExpectRefused(WriteBytes("empty.dat", ""), 0, "no \"Data Points:\" line");
    ExpectRefused(WriteDat("nocount.dat", "Bandwidth: 300000\nData:\n", kSamples), 1,
                  "no \"Data Points:\" line");
    ExpectRefused(WriteDat("nobw.dat", "Data Points: 4\nData:\n", kSamples), 1,
                  "no \"Bandwidth:\" line");
    ExpectRefused(WriteDat("nodata.dat", "Data Points: 4\nBandwidth: 300000\n", kSamples), 2,
                  "no \"Data:\" line");
    // The only "Data:" is the line right after "Data Points:".
    ExpectRefused(WriteDat("onlynext.dat", "Data Points: 4\nData:\n", kSamples), 0,
                  "no \"Data:\" line");
    ExpectRefused(WriteDat("awg3.dat", kHeader, kSamples), 3, "AWG 3");
}

TEST_F(DatFileTest, BadSampleCountsAreRefused) {
    const auto count = [&](const std::string& c, const std::string& says) {
        ExpectRefused(
            WriteDat("c.dat", "Data Points:" + c + "\nBandwidth: 300000\nData:\n", kSamples), 1,
            says);
    };
    count(" 0", "announces 0 samples");
    count(" -5", "announces -5 samples");
    count(" -99999999999999999999", "at least 1");
    count("", "no number after");
    count(" four", "no number after");
    count(" 2147483647", "announces 2147483647 samples; at most");
    // The largest count passes the count check (and then finds the file
    // short); one more is refused by it.
    count(" 67108864", "holds 4 samples but announces 67108864.");
    count(" 67108865", "announces 67108865 samples; at most 67108864");
    count(" 99999999999", "at most");
    count(" 99999999999999999999999", "at most");
    // Fewer samples than announced: nothing is invented.
    count(" 5", "holds 4 samples but announces 5.");
    count(" 1000", "holds 4 samples but announces 1000.");
    ExpectRefused(WriteBytes("cut.dat", kHeader + FloatBytes(kSamples).substr(0, 14)), 1,
                  "holds 3 samples but announces 4.");
    ExpectRefused(WriteBytes("none.dat", "Data Points: 4\nData:\nData:"), 0,
                  "holds 0 samples but announces 4.");
}

TEST_F(DatFileTest, BadBandwidthsAreRefusedOnlyWithAnAwg) {
    const auto bw = [&](const std::string& line, int awg, const std::string& says) {
        const auto path = WriteDat("bw.dat", "Data Points: 4\n" + line + "\nData:\n", kSamples);
        ExpectRefused(path, awg, says);
        EXPECT_EQ(ReadDatFile(path, 0).bandwidth, 320.0);
    };
    bw("Bandwidth: 26000000", 1, "above the 25000 kHz clock of AWG 1");
    bw("Bandwidth: 40000001", 2, "above the 40000 kHz clock of AWG 2");
    bw("Bandwidth: 0", 1, "positive number");
    bw("Bandwidth: -300000", 2, "positive number");
    bw("Bandwidth: 1e999", 1, "positive number");
    bw("Bandwidth: nan", 1, "positive number");
    bw("Bandwidth: inf", 2, "positive number");
    bw("Bandwidth: 999", 1, "at least 1 kHz");
    bw("Bandwidth: 1e-300", 2, "at least 1 kHz");
    bw("Bandwidth: kHz", 1, "no number");
    bw("Bandwidth:", 1, "no number");
    bw("Bandwidth: ", 2, "no number");
    bw("Bandwidth:3", 1, "no number");  // the only digit is the skipped character
    // The same file is fine for the AWG with the faster clock.
    const auto fast =
        WriteDat("fast.dat", "Data Points: 4\nBandwidth: 26000000\nData:\n", kSamples);
    EXPECT_EQ(ReadDatFile(fast, 2).bandwidth, 40000.0);
}

TEST_F(DatFileTest, BadSampleValuesAreRefused) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    ExpectRefused(WriteDat("zero.dat", kHeader, {0.0f, -0.0f, 0.0f, 0.0f}), 1,
                  "only samples of 0.0");
    ExpectRefused(WriteDat("nan.dat", kHeader, {0.5f, nan, 1.0f, 0.0f}), 1, "sample 1 is nan");
    ExpectRefused(WriteDat("allnan.dat", kHeader, {nan, nan, nan, nan}), 0, "not a finite number");
    ExpectRefused(WriteDat("inf.dat", kHeader, {0.5f, 1.0f, 0.0f, -inf}), 2, "sample 3 is -inf");
}

// ---- import ----

TEST(ImportWaveformTest, ReplacesWaveformCountAndBandwidthAndClosesTheProfile) {
    Workspace ws = Before();
    ws.Magnitude.assign(6, 0.0);
    ImportWaveform(ws, DatWaveform{2, 301.0, {1.0, -0.5}});
    EXPECT_EQ(ws.Swift, (std::vector<double>{1.0, -0.5}));
    EXPECT_EQ(ws.bandwidth, 301.0);
    EXPECT_EQ(ws.phase, MenuPhase::Synthesised);
    EXPECT_EQ(ws.Magnitude.size(), 6u);

    Workspace fresh;
    ImportWaveform(fresh, DatWaveform{1, 320.0, {1.0}});
    EXPECT_EQ(fresh.phase, MenuPhase::Start);
    EXPECT_EQ(fresh.Swift.size(), 1u);
}

}  // namespace
}  // namespace pelorin

// Designs kept and looked at: reading .swf files back, the figures of a
// waveform against an independent computation, peak lists written for the
// reader, and undo of profile edits in bounded memory.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>

#include "core/display/figures.h"
#include "core/edit/bands.h"
#include "core/edit/freqlist.h"
#include "core/edit/smooth.h"
#include "core/files/swf.h"
#include "core/synth/swift.h"
#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"
#include "tests/support/test_dir.h"

namespace pelorin {
namespace {

using testing::TestDir;

std::string Header(const std::string& count, const std::string& hz = "1250000.000000") {
    return "TAVIK SWIFT File\n\nData Points:" + count + "\nBandwidth:" + hz + "\nData:\n";
}

std::string Codes(std::initializer_list<std::uint16_t> codes) {
    std::string bytes;
    for (std::uint16_t c : codes) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

// A synthesised waveform stored and read back gives the codes written; the
// midpoint of every code stores back as that code, which the plain decoding
// does not always do.
TEST(SwfReader, ReadsBackWhatTheWriterWrote) {
    TestDir dir;
    Workspace ws;
    SetReset(ws, 4096, 1250.0);
    ws.cursor1 = 200.0, ws.cursor2 = 400.0;
    ApplyNotch(ws, 1.0);
    Synthesise(ws, -1, nullptr);
    const std::string path = (dir / "band.swf").string();
    StoreWaveform(ws, path);

    const SwfWaveform w = ReadSwfFile(path);
    EXPECT_EQ(w.datapts, 4096);
    EXPECT_EQ(w.bandwidth, 1250.0);
    std::vector<std::uint16_t> written(ws.Swift.size());
    EncodeSamples(ws.Swift.data(), ws.Swift.size(), written.data());
    EXPECT_EQ(w.codes, written);  // a little-endian machine

    int plain_misses = 0;
    for (int c = 0; c <= 4095; ++c) {
        const auto code = static_cast<std::uint16_t>(c);
        ASSERT_EQ(SampleCode(CodeMidpoint(code)), code) << c;
        plain_misses += SampleCode(DecodeSample(code)) != code;
    }
    EXPECT_GT(plain_misses, 0);
}

// Files that are not a waveform as the program writes it are refused with
// what is wrong; nothing is half-read.
TEST(SwfReader, MalformedFilesAreRefusedWithTheirFault) {
    const std::pair<std::string, std::string> cases[] = {
        {"TAVIK SWIFT FILE\n\nData Points:1\nBandwidth:1.0\nData:\n" + Codes({1}),
         "its first line is \"TAVIK SWIFT FILE\""},
        {"TAVIK SWIFT File\nData Points:1\nBandwidth:1.0\nData:\n" + Codes({1}),
         "its second line should be empty"},
        {Header("2x") + Codes({1, 2}), "the sample count \"2x\" is not a whole number"},
        {Header("-2") + Codes({1, 2}), "is not a whole number"},
        {Header("0"), "it announces no samples"},
        {Header("99999999999999999999") + Codes({1}), "at most 67108864 can be read"},
        {Header("67108865") + Codes({1}), "announces 67108865 samples; at most 67108864"},
        {Header("1", "-5.0") + Codes({1}), "the bandwidth \"-5.0\" is not a positive"},
        {Header("1", "1e9") + Codes({1}), "the bandwidth \"1e9\""},
        {"TAVIK SWIFT File\n\nData Points:1\nBandwidth:1.0\nData:x\n" + Codes({1}),
         "line 5 should read \"Data:\" alone"},
        {"TAVIK SWIFT File\n\nData Points:3\nBandwidth:1.0\n", "the header ends before its line 5"},
        {Header("3") + Codes({1, 2}),
         "cut short: its header announces 3 samples, 6 bytes, but only 4"},
        {Header("2") + Codes({1, 2}) + "x",
         "1 byte follow the 2 samples its header announces (an odd"},
        {Header("1") + Codes({1, 2}), "2 bytes follow the 1 samples"},
        {Header("2") + Codes({4095, 4096}), "sample 1 holds the code 4096, beyond the 12-bit"},
        {std::string("\x00\x01\x02", 3), "the header ends before its line 1"},
    };
    for (const auto& [bytes, message] : cases) {
        try {
            ParseSwf(bytes, "w.swf");
            ADD_FAILURE() << message;
        } catch (const Refusal& r) {
            EXPECT_NE(std::string(r.what()).find(message), std::string::npos) << message << "\n"
                                                                              << r.what();
            EXPECT_EQ(std::string(r.what()).rfind("\"w.swf\" is not a waveform", 0), 0u);
        }
    }
    EXPECT_EQ(ParseSwf(Header("2", "2000.5") + Codes({0, 4095}), "w").bandwidth, 2.0005);
    EXPECT_THROW(ReadSwfFile("/dev/zero"), Refusal);
    TestDir dir;
    EXPECT_THROW(ReadSwfFile(dir.string()), Refusal);
}

// The figures of a waveform against a direct computation from its codes: a
// two-tone signal at 1/8 and 3/8 of the bandwidth with some clipped codes.
TEST(Figures, MatchADirectComputationFromTheCodes) {
    const std::size_t n = 256;
    const double bandwidth = 1000.0;  // kHz: sample rate 2000 kHz
    std::vector<std::uint16_t> codes(n);
    for (std::size_t t = 0; t < n; ++t) {
        const double s =
            0.6 * std::sin(2 * M_PI * 16 * t / n) + 0.4 * std::cos(2 * M_PI * 48 * t / n);
        codes[t] = SampleCode(t % 50 == 0 ? 1.5 : s);
    }
    std::vector<double> spectrum;
    const WaveformFigures f = FiguresOfCodes(codes, bandwidth, &spectrum);

    double peak = 0.0, squares = 0.0;
    int clipped = 0;
    std::vector<double> magnitude(n / 2);
    for (std::size_t t = 0; t < n; ++t) {
        const double s = 2.0 * codes[t] / 4095.0 - 1.0;
        peak = std::max(peak, std::fabs(s));
        squares += s * s;
        clipped += codes[t] == 0 || codes[t] == 4095;
    }
    for (std::size_t k = 0; k < n / 2; ++k) {
        double re = 0.0, im = 0.0;
        for (std::size_t t = 0; t < n; ++t) {
            const double s = 2.0 * codes[t] / 4095.0 - 1.0;
            re += s * std::cos(2 * M_PI * k * t / n);
            im -= s * std::sin(2 * M_PI * k * t / n);
        }
        magnitude[k] = std::hypot(re, im);
    }
    const double rms = std::sqrt(squares / n);
    EXPECT_EQ(f.samples, n);
    EXPECT_DOUBLE_EQ(f.peak, peak);
    EXPECT_NEAR(f.rms, rms, 1e-15);
    EXPECT_NEAR(f.crest_factor, peak / rms, 1e-12);
    EXPECT_NEAR(f.crest_factor_db, 20 * std::log10(peak / rms), 1e-12);
    EXPECT_DOUBLE_EQ(f.clipped_fraction, clipped / 256.0);
    // Both tones pass half the largest line: the band runs from the first to
    // the second, bins 16 and 48 at 2000 / 256 kHz each.
    EXPECT_DOUBLE_EQ(f.band_lo_khz, 16 * 2000.0 / 256);
    EXPECT_DOUBLE_EQ(f.band_hi_khz, 48 * 2000.0 / 256);
    ASSERT_EQ(spectrum.size(), n / 2);
    for (std::size_t k = 0; k < n / 2; ++k)
        EXPECT_NEAR(spectrum[k], magnitude[k] / magnitude[16], 1e-9) << k;
    EXPECT_EQ(FiguresText(f).substr(0, 33), "samples: 256\nbandwidth_khz: 1000\n");
}

// A peak list written from a frequency list reads back to the same floats
// for every value typed to the Hz below 16777 kHz; any other float comes back
// within one unit in its last place (the reader divides in single precision),
// and the writer counts those.
TEST(PeakListWriter, ReadsBackToTheSameFloats) {
    TestDir dir;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> hz(0, 16777000);
    std::uniform_real_distribution<float> any(0.0f, 20000.0f);
    std::vector<float> typed, arbitrary;
    for (int i = 0; i < 2000; ++i) {
        AddToFloatList(typed, static_cast<float>(hz(random) / 1000.0));
        AddToFloatList(arbitrary, any(random));
    }
    for (float f : {0.0f, 0.001f, 475.5f, 902.25f, 12500.0f})
        AddToFloatList(typed, f);
    const std::string path = (dir / "list.pks").string();
    EXPECT_EQ(WritePeakList(path, typed), 0u);
    PeakListResult read = ReadPeakList(path);
    EXPECT_TRUE(read.count_found);
    EXPECT_TRUE(read.note.empty()) << read.note;
    EXPECT_EQ(read.frequencies_khz, typed);

    const std::size_t inexact = WritePeakList(path, arbitrary);
    EXPECT_GT(inexact, 0u);
    EXPECT_LT(inexact, arbitrary.size() / 10);
    read = ReadPeakList(path);
    ASSERT_EQ(read.frequencies_khz.size(), arbitrary.size());
    std::size_t differ = 0;
    for (std::size_t i = 0; i < arbitrary.size(); ++i) {
        const float f = arbitrary[i], back = read.frequencies_khz[i];
        differ += back != f;
        EXPECT_TRUE(back == f || back == std::nextafter(f, 0.0f) || back == std::nextafter(f, 1e9f))
            << f << " read back as " << back;
    }
    EXPECT_EQ(differ, inexact);
}

}  // namespace
}  // namespace pelorin

#include "core/files/swf.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "core/files/file_names.h"
#include "core/synth/swift.h"
#include "core/workspace/operations.h"
#include "tests/support/test_dir.h"

#ifndef PELORIN_TEST_DATA_DIR
#define PELORIN_TEST_DATA_DIR "tests/data"
#endif

namespace pelorin {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TestDir;

class SwfFileTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    TestDir dir_;
};

TEST(swf_test, sample_codes) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double s;
        int code;
    } cases[] = {
        {1.0, 4095}, {0.0, 2047}, {-1.0, 0},          {0.5, 3071},   {0.99999, 4094},
        {1.5, 4095}, {-1.5, 0},   {-0.9999, 0},       {1e300, 4095}, {-1e300, 0},
        {inf, 4095}, {-inf, 0},   {nan, kSwfNanCode},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SampleCode(c.s), c.code) << c.s;
}

TEST(swf_test, header_lines) {
    EXPECT_EQ(SwfHeader(4, 1000.0),
              "TAVIK SWIFT File\n\nData Points:4\nBandwidth:1000000.000000\nData:\n");
    EXPECT_EQ(SwfHeader(0, 312.5),
              "TAVIK SWIFT File\n\nData Points:0\nBandwidth:312500.000000\nData:\n");
    // The bandwidth renders as "%f" does in the C locale, ties and huge values
    // included (7.8125e-6 kHz is 0.0078125 Hz, exactly halfway).
    for (double khz : {7.8125e-6, 0.1234567891, 1.0 / 3.0, 2.5e-7, 1e10, 1e300, -3.75}) {
        char expected[400];
        std::snprintf(expected, sizeof expected, "Bandwidth:%f\n", khz * 1000.0);
        EXPECT_NE(SwfHeader(1, khz).find(expected), std::string::npos) << expected;
    }
}

TEST_F(SwfFileTest, matches_golden_file) {
    const std::string path = PathOf("example4.swf");
    StoreSwift(path, 4, 1000.0, std::vector<double>{1.0, 0.0, -1.0, 0.5});
    const std::string golden = ReadFile(PELORIN_TEST_DATA_DIR "/example4.swf");
    ASSERT_EQ(golden.size(), 71u);
    EXPECT_EQ(ReadFile(path), golden);
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"example4.swf"});
}

// A whole design, synthesised and stored, pinned byte for byte: 8 profile
// points, a band over points 2 .. 5, factor -1.
TEST_F(SwfFileTest, synthesised_band_matches_golden_file) {
    Workspace ws;
    ws.bandwidth = 1000.0;
    ws.Magnitude = {0, 0, 1, 1, 1, 1, 0, 0};
    ProcessSwift(ws, -1);
    const std::string path = PathOf("band-n8.swf");
    StoreSwift(path, static_cast<int>(ws.Swift.size()), ws.bandwidth, ws.Swift);
    EXPECT_EQ(ReadFile(path), ReadFile(PELORIN_TEST_DATA_DIR "/band-n8.swf"));
}

// The codes a file holds, decoded to -1 .. +1.
std::vector<double> DecodedSamples(const std::string& bytes, int count) {
    const std::size_t header = bytes.size() - 2 * static_cast<std::size_t>(count);
    std::vector<double> x(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < x.size(); ++i) {
        const auto lo = static_cast<unsigned char>(bytes[header + 2 * i]);
        const auto hi = static_cast<unsigned char>(bytes[header + 2 * i + 1]);
        x[i] = 2.0 * (lo | hi << 8) / 4095.0 - 1.0;
    }
    return x;
}

// A waveform whose sample count is not a power of two must play its band
// where it was designed: the stored codes' spectrum, by a direct DFT, has its
// energy in 20 .. 40 kHz.
TEST_F(SwfFileTest, stored_band_of_non_power_of_two_design_lies_where_designed) {
    const int n = 500;  // 1000 samples at 200 kHz
    Workspace ws;
    ws.bandwidth = 100.0;
    ws.Magnitude.assign(n, 0.0);
    std::fill(ws.Magnitude.begin() + 100, ws.Magnitude.begin() + 200, 1.0);
    ProcessSwift(ws, -1);
    const std::string path = PathOf("odd.swf");
    StoreSwift(path, static_cast<int>(ws.Swift.size()), ws.bandwidth, ws.Swift);
    const std::vector<double> x = DecodedSamples(ReadFile(path), 2 * n);
    double inside = 0.0, all = 0.0;
    for (int k = 1; k < n; ++k) {
        double re = 0.0, im = 0.0;
        for (int t = 0; t < 2 * n; ++t) {
            const double angle = -6.283185307179586 * ((k * t) % (2 * n)) / (2.0 * n);
            re += x[t] * std::cos(angle);
            im += x[t] * std::sin(angle);
        }
        const double power = re * re + im * im;
        const double khz = k * 200.0 / (2 * n);
        all += power;
        if (khz >= 19.0 && khz <= 41.0)
            inside += power;
    }
    EXPECT_GT(inside / all, 0.97);
}

// The longest names the file system allows can be stored: the temporary
// file must not be named after the target.
TEST_F(SwfFileTest, longest_file_names_are_stored) {
    for (std::size_t length : {249u, 255u}) {
        const std::string name = std::string(length - 4, 'n') + ".swf";
        StoreSwift(PathOf(name), 4, 1000.0, std::vector<double>{1.0, 0.0, -1.0, 0.5});
        EXPECT_EQ(ReadFile(PathOf(name)), ReadFile(PELORIN_TEST_DATA_DIR "/example4.swf"))
            << length;
    }
    EXPECT_EQ(dir_.Names().size(), 2u);
    EXPECT_EQ(WithExtension("/a.b/band", ".swf"), "/a.b/band.swf");
    EXPECT_EQ(WithExtension("band.v2", ".swf"), "band.v2");
    EXPECT_EQ(WithExtension("x/.hidden", ".recipe"), "x/.hidden.recipe");
    EXPECT_EQ(WithExtension("folder/", ".csv"), "folder/");
}

TEST_F(SwfFileTest, writes_datapts_samples_and_replaces_longer_file) {
    const std::string path = PathOf("w.swf");
    Write(path, std::string(10000, 'x'));
    // Only datapts of the samples are written, even when Swift holds more.
    StoreSwift(path, 3, 312.5, std::vector<double>{-1.0, 1.0, 0.0, 0.5, 0.5});
    const std::string header = SwfHeader(3, 312.5);
    EXPECT_EQ(ReadFile(path), header + std::string("\x00\x00\xff\x0f\xff\x07", 6));

    StoreSwift(path, 0, 312.5, {});
    EXPECT_EQ(ReadFile(path), SwfHeader(0, 312.5));
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"w.swf"});
}

TEST_F(SwfFileTest, new_file_gets_usual_permissions) {
    const mode_t old_mask = ::umask(027);
    StoreSwift(PathOf("p.swf"), 1, 1.0, std::vector<double>{0.0});
    ::umask(old_mask);
    struct stat st {};
    ASSERT_EQ(::stat(PathOf("p.swf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(SwfFileTest, refuses_missing_waveform_without_writing) {
    const std::string path = PathOf("old.swf");
    Write(path, "old");
    const std::vector<double> two = {0.1, 0.2};
    EXPECT_THROW(StoreSwift(path, 3, 1.0, two), Refusal);
    EXPECT_THROW(StoreSwift(path, -1, 1.0, two), Refusal);
    EXPECT_THROW(StoreSwift(PathOf("new.swf"), 1, 1.0, {}), Refusal);
    EXPECT_THROW(StoreSwift("", 1, 1.0, two), Refusal);
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"old.swf"});
}

TEST_F(SwfFileTest, unwritable_paths_name_path_and_reason) {
    // Root ignores permissions, so use places no one can write a file to: below
    // a plain file, and the name of an existing folder.
    Write(PathOf("afile"), "keep");
    fs::create_directory(PathOf("folder"));
    Write(PathOf("folder/inside"), "keep");
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {PathOf("afile/x.swf"), "Not a directory"},
        {PathOf("missing/x.swf"), "No such file or directory"},
        {PathOf("folder"), "it is a folder"},
    };
    for (const auto& c : cases) {
        try {
            StoreSwift(c.path, 2, 1.0, std::vector<double>{0.0, 0.0});
            ADD_FAILURE() << "no refusal for " << c.path;
        } catch (const Refusal& r) {
            const std::string text = r.what();
            EXPECT_NE(text.find("\"" + c.path + "\""), std::string::npos) << text;
            EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        }
    }
    EXPECT_EQ(ReadFile(PathOf("afile")), "keep");
    EXPECT_EQ(ReadFile(PathOf("folder/inside")), "keep");
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"afile", "folder"}));
}

TEST_F(SwfFileTest, failed_write_keeps_old_file) {
    // A write that runs out of room halfway (here: a file size limit, in a
    // child so the limit cannot touch anything else) must leave the old file
    // as it was and no temporary behind.
    const std::string path = PathOf("full.swf");
    Write(path, "old contents");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        int status = 1;
        try {
            StoreSwift(path, 5000, 1.0, std::vector<double>(5000, 0.25));
        } catch (const Refusal& r) {
            const std::string text = r.what();
            status = text.find(path) != std::string::npos &&
                             text.find("File too large") != std::string::npos
                         ? 0
                         : 2;
        }
        std::_Exit(status);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no refusal, 2: message without path or reason";
    EXPECT_EQ(ReadFile(path), "old contents");
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"full.swf"});
}

}  // namespace
}  // namespace pelorin

// The recipe steps against the core operations they stand for: the same
// workspace, the same bytes, the same CSV values, kHz and m/z alike; the
// series, the import, inspect and the examples.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "core/recipe/entries.h"
#include "core/recipe/recipe.h"
#include "core/recipe/runner.h"
#include "core/synth/hadamard.h"
#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"
#include "tests/support/cli_fixture.h"
#include "tests/support/test_dir.h"

namespace pelorin::cli {
namespace {

using namespace recipe;

namespace fs = std::filesystem;
using testing::ReadFile;

// The steps give what the core operations give when called as the panels call
// them; the CSV files read back to the same doubles.
TEST_F(CliTest, StepsMatchTheOperationsAndCsvRoundTrips) {
    std::ostringstream out;
    Runner runner(out);
    for (const Step& s : ParseRecipe(
             "reset layout=ni samples=4096 bandwidth=1000\ncursors c1=300 c2=120\n"
             "notch source=cursors level=0.75\nnotch from=200 to=250 level=0\nsmooth width=5\n"
             "swim law=2 nodes=3 base=0.1 peak=1 from=400 to=500\nexport profile=" +
             Path("profile.csv") + "\nswift factor=1 check=" + Path("check.csv") +
             " waveform=" + Path("wave.csv") + "\n"))
        runner.Run(s);

    Workspace ws;
    SetReset(ws, 4096, 1000.0);
    ws.cursor1 = 300.0, ws.cursor2 = 120.0;
    ApplyNotch(ws, 0.75);
    ws.cursor2 = 250.0, ws.cursor1 = 200.0;
    ApplyNotch(ws, 0.0);
    ApplySmoothing(ws, 5);
    ws.cursor2 = 500.0, ws.cursor1 = 400.0;
    ApplySwim(ws, 0.1, 1.0, 3, 2);
    const std::vector<double> profile = ws.Magnitude;
    std::vector<double> check;
    Synthesise(ws, 1, &check);
    EXPECT_EQ(runner.workspace().Swift, ws.Swift);

    const auto p = ReadCsv(dir / "profile.csv"), c = ReadCsv(dir / "check.csv"),
               w = ReadCsv(dir / "wave.csv");
    ASSERT_EQ(p.size(), 2048u);
    ASSERT_EQ(c.size(), 4096u);
    ASSERT_EQ(w.size(), 4096u);
    for (std::size_t i = 0; i < p.size(); ++i)
        ASSERT_TRUE(p[i].first == i * 1000.0 / 2048 && p[i].second == profile[i]) << i;
    for (std::size_t i = 0; i < c.size(); ++i) {
        ASSERT_TRUE(c[i].first == i * 1000.0 / 4096 && c[i].second == check[i]) << i;
        ASSERT_TRUE(w[i].first == i && w[i].second == ws.Swift[i]) << i;
    }
}

// A recipe in m/z writes the bytes of a recipe in kHz: each m/z window
// rounded outward to whole points (from the point at or below its low
// frequency to the one at or above its high frequency), written here as kHz
// bounds half a point past those points; cursors placed in m/z keep the kHz
// rule of the cursors.
TEST_F(CliTest, MzRecipeWritesTheFileOfItsKhzRecipe) {
    const Calibration nine{kHzPerTesla * 9.4, 3.0e9};
    const double step = 1250.0 / 8192.0;
    const auto khz = [&](double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", v);
        return std::string(text);
    };
    const auto window = [&](double lo_mz, double hi_mz) {
        const double first = std::floor(KhzFromMz(nine, hi_mz) / step);
        const double end = std::ceil(KhzFromMz(nine, lo_mz) / step) + 1.0;
        return "from=" + khz((first + 0.5) * step) + " to=" + khz((end + 0.5) * step);
    };
    const std::string head =
        "reset layout=ni samples=16384 bandwidth=1250\ncalibrate tesla=9.4 b=3e9\n";
    const Result mz = Recipe(head +
                             "isolate mz=524.3 mz=1000 width=3 from-mz=300 to-mz=2000\n"
                             "notch from-mz=700 to-mz=720 level=0.5\n"
                             "cursors c1-mz=400 c2-mz=450\nnotch source=cursors level=0.25\n"
                             "swim law=1 nodes=2 base=0 peak=1 from-mz=1500 to-mz=1800\n"
                             "freq add-mz=900\nhadamard width=2000 row=1\nswift\nstore file=" +
                             Path("mz.swf") + "\n");
    ASSERT_EQ(mz.status, 0) << mz.err;
    const Result hz = Recipe(
        head + "notch " + window(300, 2000) + " level=1\nnotch " + window(522.8, 525.8) +
        " level=0\nnotch " + window(998.5, 1001.5) + " level=0\nnotch " + window(700, 720) +
        " level=0.5\nnotch from=" + khz(KhzFromMz(nine, 400)) + " to=" + khz(KhzFromMz(nine, 450)) +
        " level=0.25\nswim law=1 nodes=2 base=0 peak=1 " + window(1500, 1800) +
        "\nfreq add=" + khz(KhzFromMz(nine, 900)) +
        "\nhadamard width=2000 row=1\nswift\nstore file=" + Path("khz.swf") + "\n");
    ASSERT_EQ(hz.status, 0) << hz.err;
    EXPECT_EQ(ReadFile(dir / "mz.swf"), ReadFile(dir / "khz.swf"));
}

// inspect prints the figures of the codes a file holds, computed here from
// its bytes with a direct transform; show prints the same for the waveform in
// hand. Files that are no waveform are refused with status 2 and the fault.
TEST_F(CliTest, InspectGivesTheFiguresOfTheStoredCodes) {
    const Result made = Recipe(
        "reset layout=ni samples=2048 bandwidth=1000\nnotch from=200 to=400 level=1\n"
        "notch from=290 to=310 level=0\nswift\nstore file=" +
        Path("band.swf") + "\nshow\n");
    ASSERT_EQ(made.status, 0) << made.err;
    const Result r = Cli({"-e", "inspect file=" + Path("band.swf") + " waveform=" + Path("w.csv") +
                                    " spectrum=" + Path("s.csv")});
    ASSERT_EQ(r.status, 0) << r.err;
    // The figures of the codes are the same; the played-once ones follow,
    // judged against the profile in hand and, for the file alone, against
    // the bands its spectrum shows.
    const std::string codes = r.out.substr(0, r.out.find("bands_from: "));
    EXPECT_NE(made.out.find(codes), std::string::npos) << made.out << "\n" << r.out;
    EXPECT_NE(made.out.find("bands_from: profile\n"), std::string::npos) << made.out;
    std::map<std::string, std::string> figure;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
        figure[line.substr(0, line.find(':'))] = line.substr(line.find(": ") + 2);
    ASSERT_EQ(figure.size(), 14u) << r.out;
    EXPECT_EQ(figure["bands_from"], "spectrum");
    EXPECT_EQ(figure["notch_db"].find(' '), std::string::npos) << "one notch: " << r.out;

    const std::string bytes = ReadFile(dir / "band.swf");
    const std::size_t data = bytes.find("Data:\n") + 6;
    const std::size_t n = (bytes.size() - data) / 2;
    std::vector<double> x(n);
    double peak = 0.0, squares = 0.0, clipped = 0.0;
    for (std::size_t t = 0; t < n; ++t) {
        const unsigned code = static_cast<unsigned char>(bytes[data + 2 * t]) |
                              static_cast<unsigned char>(bytes[data + 2 * t + 1]) << 8;
        x[t] = 2.0 * code / 4095.0 - 1.0;
        peak = std::max(peak, std::fabs(x[t]));
        squares += x[t] * x[t];
        clipped += code == 0 || code == 4095;
    }
    std::vector<double> magnitude(n / 2);
    double largest = 0.0;
    for (std::size_t k = 1; k < n / 2; ++k) {
        double re = 0.0, im = 0.0;
        for (std::size_t t = 0; t < n; ++t) {
            const double angle = 2.0 * M_PI * static_cast<double>((k * t) % n) / n;
            re += x[t] * std::cos(angle);
            im -= x[t] * std::sin(angle);
        }
        magnitude[k] = std::hypot(re, im);
        largest = std::max(largest, magnitude[k]);
    }
    std::size_t lo = 0, hi = 0;
    for (std::size_t k = 1; k < n / 2; ++k)
        if (magnitude[k] >= largest / 2) {
            lo = lo ? lo : k;
            hi = k;
        }
    const double rms = std::sqrt(squares / n);
    const auto number = [&](const std::string& key) { return std::stod(figure[key]); };
    EXPECT_EQ(figure["samples"], "2048");
    EXPECT_EQ(figure["bandwidth_khz"], "1000");
    EXPECT_EQ(number("peak"), peak);
    EXPECT_NEAR(number("rms"), rms, 1e-14);
    EXPECT_NEAR(number("crest_factor"), peak / rms, 1e-12);
    EXPECT_NEAR(number("crest_factor_db"), 20 * std::log10(peak / rms), 1e-11);
    EXPECT_EQ(number("clipped_fraction"), clipped / n);
    EXPECT_EQ(figure["band_khz"], Num(lo * 1000.0 / 1024) + " " + Num(hi * 1000.0 / 1024));
    EXPECT_NEAR(lo * 1000.0 / 1024, 200.0, 2.0);
    EXPECT_NEAR(hi * 1000.0 / 1024, 400.0, 2.0);
    const auto w = ReadCsv(dir / "w.csv"), sp = ReadCsv(dir / "s.csv");
    ASSERT_EQ(w.size(), n);
    ASSERT_EQ(sp.size(), n / 2);
    for (std::size_t t = 0; t < n; t += 97)
        EXPECT_EQ(w[t].second, x[t]) << t;
    for (std::size_t k = 1; k < n / 2; k += 31) {
        EXPECT_NEAR(sp[k].second, magnitude[k] / largest, 1e-9) << k;
        // 2048 samples at twice 1000 kHz: bin k is k x 2000 / 2048 kHz.
        EXPECT_EQ(sp[k].first, k * 2000.0 / 2048.0) << k;
    }
    // show in hand says how long the waveform is.
    EXPECT_NE(made.out.find("datapts: 2048\n"), std::string::npos) << made.out;

    const std::pair<const char*, const char*> malformed[] = {
        {"wrong-header.swf", "its first line is \"SWIFT File\""},
        {"short-samples.swf", "cut short: its header announces 8 samples, 16 bytes, but only 10"},
        {"odd-bytes.swf", "1 byte follow the 4 samples its header announces (an odd number"},
        {"huge-count.swf", "announces 4000000000 samples; at most 67108864"},
        {"code-beyond-12-bits.swf", "sample 2 holds the code 65535"},
    };
    for (const auto& [file, message] : malformed) {
        const std::string path = std::string(PELORIN_TEST_DATA_DIR) + "/malformed-swf/" + file;
        const Result bad = Cli({"-e", "inspect file=" + path});
        EXPECT_EQ(bad.status, 2) << file;
        EXPECT_NE(bad.err.find(message), std::string::npos) << bad.err;
        EXPECT_TRUE(bad.out.empty()) << bad.out;
    }
}

TEST_F(CliTest, SwimSeriesAndHadamardBatchWriteWhatTheCoreWrites) {
    std::ofstream(dir / "p.pks") << "There were 3\n\n\n\n\n\n1 2 3 150000\n1 2 3 90000\n"
                                    "1 2 3 40000\n";
    std::ostringstream out, progress;
    Runner runner(out);
    StepHooks hooks;
    hooks.series = [&progress](std::uint64_t done, std::uint64_t total) {
        progress << "member " << done << " of " << total << (done == total ? "\n" : "");
        return true;
    };
    for (const Step& s :
         ParseRecipe("reset layout=ni samples=2048 bandwidth=200\n"
                     "swim law=1 nodes=2 last=4 smooth=1 base=0 peak=1 from=20 to=80 file=" +
                     Path("swim.SWF") + "\nfreq read=" + Path("p.pks") +
                     "\nhadamard width=3000 batch=" + Path("had") + "\n"))
        runner.Run(s, hooks);
    EXPECT_EQ(out.str(), "3 of 3 files written.\n3 frequencies read from " +
                             (dir / "p.pks").string() +
                             ", 3 of them new to the list.\n3 of 3 files written.\n");
    EXPECT_NE(progress.str().find("member 3 of 3\n"), std::string::npos) << progress.str();

    Workspace ws;
    SetReset(ws, 2048, 200.0);
    ws.cursor1 = 20.0, ws.cursor2 = 80.0;
    RunSwimSeries(ws, 0.0, 1.0, 2, 4, 1, true, SplitSeriesPath((dir / "core.swf").string()));
    // A series with the optimised phase: each member as the core makes it.
    runner.Run(ParseRecipe("reset layout=ni samples=2048 bandwidth=200")[0]);
    runner.Run(
        ParseRecipe("swim law=1 nodes=2 last=2 base=0 peak=1 from=20 to=80 phase=optimised "
                    "iterations=30 file=" +
                    Path("opt.swf"))[0]);
    Workspace opt;
    SetReset(opt, 2048, 200.0);
    opt.cursor1 = 20.0, opt.cursor2 = 80.0;
    opt.synthesis = {PhaseLaw::Optimised, 30};
    RunSwimSeries(opt, 0.0, 1.0, 2, 2, 1, false, SplitSeriesPath((dir / "core_opt.swf").string()));
    EXPECT_EQ(ReadFile(dir / "opt_0002.swf"), ReadFile(dir / "core_opt_0002.swf"));
    EXPECT_NE(ReadFile(dir / "opt_0002.swf"), ReadFile(dir / "swim_0002.SWF"));
    ws.frequencies = runner.workspace().frequencies;
    PrepareHadamard(ws, 3000.0);
    RunHadamardBatch(ws, SplitSeriesPath((dir / "core_h").string()));
    for (int k = 2; k <= 4; ++k)
        EXPECT_EQ(ReadFile(dir / ("swim_000" + std::to_string(k) + ".SWF")),
                  ReadFile(dir / ("core_000" + std::to_string(k) + ".swf")));
    for (int k = 1; k <= 3; ++k) {
        const std::string cli = ReadFile(dir / ("had_000" + std::to_string(k) + ".swf"));
        EXPECT_FALSE(cli.empty());
        EXPECT_EQ(cli, ReadFile(dir / ("core_h_000" + std::to_string(k) + ".swf")));
    }
    // A profile left by a series is no waveform to store, and the refusal
    // says that the series' files are there.
    try {
        runner.Run(ParseRecipe("store file=x.swf")[0]);
        ADD_FAILURE() << "a store after a series was not refused";
    } catch (const Refusal& r) {
        EXPECT_NE(std::string(r.what()).find("series has written its files"), std::string::npos)
            << r.what();
    }
}

TEST_F(CliTest, SeriesThatCannotWriteFailsAfterItsAccount) {
    const Result r = Recipe(
        "reset samples=64 bandwidth=100\nswim law=1 nodes=1 last=2 base=0 "
        "peak=1 from=10 to=40 file=" +
        Path("no/such/s.swf") + "\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out.rfind("0 of 2 files written.\nFailed to write 1 member:", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("Stopped there"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(":2: swim: 1 file of the series could not be written"), std::string::npos)
        << r.err;
}

TEST_F(CliTest, ImportStoresTheSnappedWaveform) {
    std::string dat = "Data Points: 4\nBandwidth: 1300000\nData:\n";
    for (float f : {0.5f, -1.0f, 0.25f, 0.0f})
        dat.append(reinterpret_cast<const char*>(&f), 4);  // little-endian machine
    std::ofstream(dir / "in.dat", std::ios::binary) << dat;
    const Result r = Recipe("import file=" + Path("in.dat") + " awg=2 out=" + Path("in.swf") +
                            "\nstore file=" + Path("again.swf") + "\nshow\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string swf = ReadFile(dir / "in.swf");
    EXPECT_EQ(swf.substr(0, swf.find("Data:")),
              "TAVIK SWIFT File\n\nData Points:4\nBandwidth:1333000.000000\n");
    EXPECT_EQ(swf, ReadFile(dir / "again.swf"));
    EXPECT_NE(r.out.find("phase: start (no profile yet)"), std::string::npos) << r.out;

    // After an import there is no profile left to export against the new
    // bandwidth.
    const Result e = Recipe("reset samples=64 bandwidth=100\nimport file=" + Path("in.dat") +
                            " awg=2\nexport profile=" + Path("p.csv") + "\n");
    EXPECT_EQ(e.status, 2);
    EXPECT_EQ(e.err.rfind(Prefix() + "3: export: The waveform read from a file has replaced", 0),
              0u)
        << e.err;
    EXPECT_FALSE(fs::exists(dir / "p.csv"));
}

TEST_F(CliTest, CursorsRefusals) {
    const std::string reset = "reset samples=64 bandwidth=100\n";
    EXPECT_NE(Recipe("cursors c1=1 c2=2").err.find(":1: cursors: There is no profile yet"),
              std::string::npos);
    EXPECT_NE(Recipe(reset + "cursors c1=1 c2=101").err.find(":2: cursors: c2=101 lies outside"),
              std::string::npos);
    EXPECT_NE(Recipe(reset + "notch source=cursors level=1").err.find("no cursors step"),
              std::string::npos);
    EXPECT_NE(Recipe(reset + "cursors c1=1 c2=90\nnotch source=cursors from=1 level=1")
                  .err.find(":3: notch: the window's bounds are not read"),
              std::string::npos);
    EXPECT_NE(Recipe(reset + "cursors c1=1 c2=90\nreset samples=64 bandwidth=50\nnotch "
                             "source=cursors level=1")
                  .err.find(":4: notch: the cursors at 1 and 90 kHz lie outside"),
              std::string::npos);
}

// excite prints its figures as key: value lines and one line a target in a
// fixed form, and writes its table; a file names the waveform instead of the
// one in hand.
TEST_F(CliTest, ExciteReportsAndWritesItsTable) {
    const Result r = Recipe(
        "reset layout=ni samples=4096 bandwidth=1250\nisolate mz=524.3 width=8\nswift\nstore "
        "file=" +
        Path("iso.swf") + "\nexcite vpp=700 mz=524.3 csv=" + Path("ions.csv") +
        "\nexcite vpp=700 trap=1 mz=524.3 file=" + Path("iso.swf") + "\n");
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::map<std::string, int> keys;
    int targets = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("target 524.3: ", 0) == 0) {
            ++targets;
            float plus = 0, minus = 0, peak = 0;
            char verdict[16] = {};
            EXPECT_EQ(
                std::sscanf(line.c_str(),
                            "target 524.3: r_plus_mm=%f r_minus_mm=%f peak_mm=%f verdict=%15s",
                            &plus, &minus, &peak, verdict),
                4)
                << line;
            EXPECT_GE(peak, plus);
        } else if (line.find(": ") != std::string::npos) {
            ++keys[line.substr(0, line.find(": "))];
        }
    }
    EXPECT_EQ(targets, 2);
    for (const char* key :
         {"min_radius_mm", "vpp_to_eject", "vpp_to_keep", "ejected_fraction", "magnetron_hz"})
        EXPECT_EQ(keys[key], 2) << key;
    std::ifstream csv(dir / "ions.csv");
    std::string header, row;
    std::getline(csv, header);
    EXPECT_EQ(header, "mz,frequency_hz,r_plus_mm,r_minus_mm,peak_mm,verdict");
    std::size_t rows = 0;
    while (std::getline(csv, row))
        ++rows;
    // Four a profile point over the default range, 12.5 … 1250 kHz less a point.
    EXPECT_NEAR(static_cast<double>(rows), 4.0 * 2048 * (1250.0 - 12.5 - 0.61) / 1250.0, 8.0);
    // Without a waveform there is nothing to excite with.
    const Result none = Recipe("reset layout=ni samples=64 bandwidth=100\nexcite vpp=1\n");
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("no waveform"), std::string::npos) << none.err;
}

// A design replayed in the window writes nothing: not its stores, nor the
// tables of swift and inspect, nor an import's store.
TEST_F(CliTest, ReplayWritesNoFile) {
    ASSERT_EQ(Recipe("reset layout=ni samples=64 bandwidth=100\nnotch from=10 to=40 level=1\n"
                     "swift\nstore file=" +
                     Path("kept.swf") + "\n")
                  .status,
              0);
    std::ostringstream out;
    Runner replay(out, false);
    for (const Step& s : ParseRecipe(
             "reset layout=ni samples=64 bandwidth=100\nnotch from=10 to=40 level=1\n"
             "swift check=" +
             Path("c.csv") + " waveform=" + Path("w.csv") + "\nstore file=" + Path("again.swf") +
             "\ninspect file=" + Path("kept.swf") + " waveform=" + Path("iw.csv") +
             " spectrum=" + Path("is.csv") + "\nexport profile=" + Path("p.csv") + "\n"))
        replay.Run(s);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"kept.swf", "r.recipe"}));
}

// Every example runs from a copy of the repository's examples folder.
TEST_F(CliTest, ExamplesRun) {
    fs::copy(fs::path(PELORIN_SOURCE_DIR) / "examples", dir / "examples",
             fs::copy_options::recursive);
    const fs::path was = fs::current_path();
    fs::current_path(dir);
    for (const char* name : {"notched-band", "swim-series", "hadamard-batch", "isolate-mz"}) {
        const Result r = Cli({std::string("examples/") + name + ".recipe"});
        EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    }
    fs::current_path(was);
    for (const char* f :
         {"notched-band.swf", "notched-band-check.csv", "notched-band-profile.csv", "swim_0002.swf",
          "swim_0006.swf", "hadamard_0001.swf", "hadamard_0007.swf", "isolate-mz.swf"})
        EXPECT_TRUE(fs::exists(dir / "examples/out" / f)) << f;
    EXPECT_FALSE(fs::exists(dir / "examples/out/hadamard_0008.swf"));
}

}  // namespace
}  // namespace pelorin::cli

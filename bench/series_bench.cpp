// Cost of the series machinery around the synthesis and the file writes: each
// run times a whole series and, on the same workspace, the bare ProcessSwift +
// StoreSwift of the same members. outside_pct is the share of the series spent
// outside those two (goal: under 5 %).
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/edit/bands.h"
#include "core/edit/smooth.h"
#include "core/files/swf.h"
#include "core/synth/hadamard.h"
#include "core/synth/swift.h"
#include "core/synth/swim.h"

namespace {

namespace fs = std::filesystem;
using pelorin::Workspace;

constexpr int kN = 1 << 16;

class TempDir {
public:
    explicit TempDir(const std::string& tag)
        : path_(fs::temp_directory_path() /
                ("pelorin_bench_" + tag + "_" + std::to_string(::getpid()))) {
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

Workspace Profile() {
    Workspace ws;
    ws.datapts = kN;
    ws.bandwidth = 1000.0;
    ws.HadamardWidth = 2000.0;
    ws.Magnitude.assign(kN, 0.0);
    return ws;
}

// Process CPU time (user and system, so the file writes count): other jobs on
// a shared machine then disturb the comparison much less than wall time.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

using Series = std::function<pelorin::SeriesReport(Workspace&, const pelorin::SeriesName&)>;
// Writes the (smoothed) profile of member k into a cleared ws.Magnitude.
using Member = std::function<void(Workspace&, std::uint64_t)>;

struct Bare {
    double synth = 0.0;  // ProcessSwift + StoreSwift
    double build = 0.0;  // clearing, building and smoothing the profiles
};

// ProcessSwift + StoreSwift alone for every member of the series, each on its
// own profile (the synthesis cost depends a little on the profile's phases)
// and under its own name (the same file replacements as the series), with the
// work arrays lent from one member to the next as the series lends them. The
// profile build is timed apart.
void RunBare(Workspace& ws, const pelorin::SeriesName& name, std::uint64_t first,
             std::uint64_t last, const Member& member, Bare& bare) {
    pelorin::SwiftWork work;
    for (std::uint64_t k = first; k <= last; ++k) {
        const double t0 = CpuSeconds();
        std::fill(ws.Magnitude.begin(), ws.Magnitude.end(), 0.0);
        member(ws, k);
        const double t1 = CpuSeconds();
        pelorin::ProcessSwift(ws, -1, nullptr, &work);
        pelorin::StoreSwift(pelorin::SeriesMemberName(name, k), ws.datapts, ws.bandwidth, ws.Swift);
        const double t2 = CpuSeconds();
        bare.build += t1 - t0;
        bare.synth += t2 - t1;
        ws.datapts /= 2;
    }
}

void Measure(benchmark::State& state, const std::string& tag, std::uint64_t first,
             std::uint64_t last, const Series& series, const Member& member) {
    TempDir dir(tag);
    Workspace ws = Profile();
    const auto name = pelorin::SplitSeriesPath((dir.path() / "member.swf").string());
    const auto report = series(ws, name);  // also creates the files both sides replace
    if (report.written != last - first + 1) {
        state.SkipWithError("series members were skipped or failed");
        return;
    }
    double series_total = 0.0;
    Bare bare;
    bool bare_first = false;
    for (auto _ : state) {
        // Alternate the order so that neither side always runs on a warm cache.
        bare_first = !bare_first;
        if (bare_first)
            RunBare(ws, name, first, last, member, bare);
        const double t0 = CpuSeconds();
        series(ws, name);
        series_total += CpuSeconds() - t0;
        if (!bare_first)
            RunBare(ws, name, first, last, member, bare);
    }
    state.counters["members"] = static_cast<double>(report.total);
    state.counters["outside_pct"] = 100.0 * (series_total - bare.synth) / series_total;
    // The part of it spent building the member profiles (CalcSwim or
    // BuildHadamard, smoothing); the rest is the loop and allocator effects.
    state.counters["build_pct"] = 100.0 * bare.build / series_total;
}

// Argument: the band width in kHz of the 1000 kHz profile, from 100 kHz up.
// CalcSwim takes one sine per band point, so the share grows with the band.
void BM_SwimSeries(benchmark::State& state) {
    const pelorin::BandIndices band{
        pelorin::FrequencyToIndex(100.0, 1000.0, kN),
        pelorin::FrequencyToIndex(100.0 + static_cast<double>(state.range(0)), 1000.0, kN)};
    Measure(
        state, "swim", 1, 32,
        [band](Workspace& ws, const pelorin::SeriesName& name) {
            return pelorin::SwimSeries(ws, band, 0.1, 1.0, 1, 32, 1, true, name);
        },
        [band](Workspace& ws, std::uint64_t k) {
            pelorin::CalcSwim(ws.Magnitude, band.start, band.end, 0.1, 1.0,
                              static_cast<std::uint32_t>(k), 1);
            pelorin::SmoothData(ws.Magnitude, 3);
        });
}
BENCHMARK(BM_SwimSeries)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_HadamardBatch(benchmark::State& state) {
    std::vector<float> list;
    for (int i = 0; i < 100; ++i)
        list.push_back(5.0f + 9.9f * static_cast<float>(i));
    Measure(
        state, "hadamard", 1, 127,
        [&list](Workspace& ws, const pelorin::SeriesName& name) {
            return pelorin::BatchHadamard(ws, list, name);
        },
        [&list](Workspace& ws, std::uint64_t row) {
            pelorin::BuildHadamard(ws.Magnitude, list, ws.bandwidth, ws.HadamardWidth,
                                   static_cast<int>(row));
            pelorin::SmoothData(ws.Magnitude, 3);
        });
}
BENCHMARK(BM_HadamardBatch)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

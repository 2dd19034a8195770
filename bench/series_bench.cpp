// Series and batches on every core: a SWIM series of 32 members and a
// Hadamard batch of 127 rows at N = 2^16, run on one core and on all of them,
// alternating; speedup is the ratio of the minimum wall times (goal: 1.7 on two
// idle cores). identical is 1 when both runs wrote the same files.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "core/synth/hadamard.h"
#include "core/synth/swim.h"

namespace pelorin {
namespace {

constexpr int kN = 1 << 16;

struct Profile {
    std::vector<double> magnitude = std::vector<double>(kN, 0.0);
    std::vector<double> last;
    SeriesTarget Target() { return {magnitude, 1000.0, {}, &last}; }
};

using Series = std::function<SeriesReport(const SeriesTarget&, const SeriesName&, unsigned)>;

std::string Read(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Measure(benchmark::State& state, const Series& series) {
    const bench::Folder folder(true);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const SeriesName one = SplitSeriesPath((folder.path / "one.swf").string());
    const SeriesName all = SplitSeriesPath((folder.path / "all.swf").string());
    Profile ws;
    std::vector<double> t_one, t_all;
    std::uint64_t members = 0;
    for (auto _ : state) {
        double t = bench::Wall();
        members = series(ws.Target(), one, 1).written;
        t_one.push_back(bench::Wall() - t);
        t = bench::Wall();
        series(ws.Target(), all, cores);
        t_all.push_back(bench::Wall() - t);
    }
    bool identical = true;
    for (std::uint64_t k = 1; k <= members; ++k)
        identical = identical && Read(SeriesMemberName(one, k)) == Read(SeriesMemberName(all, k));
    state.counters["members"] = static_cast<double>(members);
    state.counters["cores"] = cores;
    state.counters["one_core_ms"] = 1e3 * bench::Min(t_one);
    state.counters["speedup"] = bench::Min(t_one) / bench::Min(t_all);
    state.counters["identical"] = identical ? 1 : 0;
}

void BM_SwimSeries32(benchmark::State& state) {
    Measure(state, [](const SeriesTarget& target, const SeriesName& name, unsigned threads) {
        const BandIndices band{kN / 10, 3 * kN / 10};
        return SwimSeries(target, band, 0.1, 1.0, 1, 32, 1, true, name, {}, threads);
    });
}
BENCHMARK(BM_SwimSeries32)->Iterations(9)->Unit(benchmark::kMillisecond);

void BM_HadamardBatch127(benchmark::State& state) {
    std::vector<float> list;
    for (int i = 0; i < 100; ++i)
        list.push_back(50.0f + 9.0f * static_cast<float>(i));  // 100 frequencies: order 128
    Measure(state, [list](const SeriesTarget& target, const SeriesName& name, unsigned threads) {
        return BatchHadamard(target, list, 2000.0, name, {}, threads);
    });
}
BENCHMARK(BM_HadamardBatch127)->Iterations(9)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelorin

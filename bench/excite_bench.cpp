// What a waveform does to the ions, at the size the window must answer in
// under ten seconds: a record of 2^22 samples, the grid at four points a
// profile point over the whole default range, one target followed sample by
// sample. Reported: seconds of wall time and of CPU, the grid's size, and
// the share of the ten-second goal used.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/bench_support.h"
#include "core/excite/excitation.h"
#include "core/files/swf.h"
#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"

namespace pelorin::bench {
namespace {

void BM_ExciteWholeRange(benchmark::State& state) {
    const int samples = static_cast<int>(state.range(0));
    Workspace ws;
    SetReset(ws, samples, 1250.0);
    const double target = 524.3;
    ApplyIsolation(ws, std::vector<double>{target}, 2.0);
    Synthesise(ws, -1, nullptr);
    ExcitationSetup setup;
    setup.vpp = 200.0;
    setup.targets = {target};
    setup.range_mz = {ws.lowmass, ws.highmass};
    std::vector<double> played(ws.Swift.size());
    for (std::size_t i = 0; i < played.size(); ++i)
        played[i] = 2.0 * SampleCode(ws.Swift[i]) / 4095.0 - 1.0;
    std::vector<double> wall, cpu;
    std::size_t points = 0;
    for (auto _ : state) {
        const double w = Wall(), c = ProcessCpu();
        const ExcitationReport r = Excite(played, ws.bandwidth, setup);
        cpu.push_back(ProcessCpu() - c);
        wall.push_back(Wall() - w);
        points = r.grid.size();
        benchmark::DoNotOptimize(r.vpp_to_eject);
    }
    state.counters["wall_s"] = Min(wall);
    state.counters["cpu_s"] = Min(cpu);
    state.counters["grid_points"] = static_cast<double>(points);
    state.counters["goal_share"] = Min(wall) / 10.0;
}
BENCHMARK(BM_ExciteWholeRange)->Arg(1 << 16)->Arg(1 << 22)->Iterations(3)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace pelorin::bench

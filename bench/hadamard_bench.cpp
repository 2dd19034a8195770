#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "core/synth/fasthadamard.h"

namespace {

void BM_Hadamard(benchmark::State& state) {
    const int order = static_cast<int>(state.range(0));
    std::vector<float> input(std::size_t{1} << order);
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    for (float& x : input)
        x = value(rng);
    std::vector<float> v(input.size());
    for (auto _ : state) {
        // Repeated transforms grow by N each time and overflow; restore first.
        state.PauseTiming();
        v = input;
        state.ResumeTiming();
        benchmark::DoNotOptimize(pelorin::Hadamard(v, order));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(input.size()));
}
BENCHMARK(BM_Hadamard)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace

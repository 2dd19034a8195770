#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "core/edit/smooth.h"

namespace {

std::vector<double> RandomProfile(std::size_t length) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> value(0.0, 1.0);
    std::vector<double> v(length);
    for (double& x : v)
        x = value(rng);
    return v;
}

// Smoothing the same profile again and again keeps it in 0 .. 1 and costs the
// same every time, so the input is not restored between iterations.
void RunSmooth(benchmark::State& state, std::size_t length, int width) {
    std::vector<double> profile = RandomProfile(length);
    for (auto _ : state) {
        benchmark::DoNotOptimize(pelorin::SmoothData(profile, width));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(length));
}

// Items per second should stay flat as the length grows. At 2^22 points the
// 32 MiB scratch is beyond glibc's largest mmap threshold, so every call pays
// fresh page faults for it: expect a drop there that is the allocator's.
void BM_SmoothLength(benchmark::State& state) {
    RunSmooth(state, static_cast<std::size_t>(state.range(0)), 3);
}
BENCHMARK(BM_SmoothLength)->RangeMultiplier(2)->Range(1 << 16, 1 << 22);

// The width must not matter: 3 and 1001 should run at the same rate.
void BM_SmoothWidth(benchmark::State& state) {
    RunSmooth(state, std::size_t{1} << 20, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_SmoothWidth)->Arg(3)->Arg(1001);

}  // namespace

// Synthesis and .swf writing against their floors: a bare inverse FFT of the
// same length, and a plain fwrite of the same bytes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/files/swf.h"
#include "core/synth/fft.h"
#include "core/synth/swift.h"
#include "core/workspace/workspace.h"

namespace pelorin {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// A band over the middle three quarters of the profile.
Workspace BandProfile(int n) {
    Workspace ws;
    ws.datapts = n;
    ws.Magnitude.assign(n, 0.0);
    std::fill(ws.Magnitude.begin() + n / 8, ws.Magnitude.begin() + 7 * n / 8, 1.0);
    return ws;
}

long StatusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t len = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, len, field) == 0)
            return std::strtol(line.c_str() + len, nullptr, 10);
    return -1;
}

// Peak resident memory of one synthesis at N = 2^20, against the 13N doubles
// of the arrays as first laid out (two 4N work arrays, 2N squares, N phases,
// 2N waveform). Writing 5 to clear_refs resets the process's resident
// high-water mark (VmHWM) to its current size, so the peak after the call less
// the size before it is what the call itself made resident, whatever ran
// earlier; memory that is allocated but never touched (the planner's scratch
// block) does not count. The first run includes making the FFT plan, the
// second reuses it. Registered first so that it also runs in a fresh process.
void BM_SynthesisPeakMemory(benchmark::State& state) {
    const int n = 1 << 20;
    const double arrays = 13.0 * n * sizeof(double);
    int run = 0;
    for (auto _ : state) {
        Workspace ws = BandProfile(n);
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = StatusKiB("VmRSS:");
        ProcessSwift(ws, -1);
        const long peak = StatusKiB("VmHWM:");
        benchmark::DoNotOptimize(ws.Swift.data());
        const double grown = (peak - before) * 1024.0;
        const std::string tag = run++ == 0 ? "first_" : "again_";
        state.counters[tag + "peak_MiB"] = grown / (1 << 20);
        state.counters[tag + "peak_per_13N"] = grown / arrays;
    }
    state.counters["13N_MiB"] = arrays / (1 << 20);
}
BENCHMARK(BM_SynthesisPeakMemory)->Iterations(2)->Unit(benchmark::kMillisecond);

// ProcessSwift(N, -1) timed in alternation with a bare scaled inverse FFT of
// 2N points; "ratio" is the synthesis time over the FFT time.
void BM_ProcessSwift(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::size_t length = 2 * static_cast<std::size_t>(n);
    Workspace ws = BandProfile(n);

    SplitComplexBuffer bare(length);
    std::vector<double> input(2 * length);
    std::mt19937 gen(1);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    for (double& v : input)
        v = dist(gen);
    // Warm both plans up.
    ProcessSwift(ws, -1);
    InverseFft(bare, length);

    double synth_total = 0.0;
    double fft_total = 0.0;
    for (auto _ : state) {
        ws.datapts = n;
        const auto t0 = Clock::now();
        ProcessSwift(ws, -1);
        const auto t1 = Clock::now();
        // Fresh input each time: repeated 1/L scaling would sink into
        // subnormal numbers and slow the transform down.
        std::copy(input.begin(), input.begin() + length, bare.re());
        std::copy(input.begin() + length, input.end(), bare.im());
        const auto t2 = Clock::now();
        InverseFft(bare, length);
        const auto t3 = Clock::now();
        benchmark::DoNotOptimize(bare.re());
        const double synth = Seconds(t0, t1);
        synth_total += synth;
        fft_total += Seconds(t2, t3);
        state.SetIterationTime(synth);
    }
    state.counters["fft_ms"] = 1e3 * fft_total / state.iterations();
    state.counters["ratio"] = synth_total / fft_total;
}
BENCHMARK(BM_ProcessSwift)
    ->RangeMultiplier(2)
    ->Range(1 << 14, 1 << 21)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// In memory (tmpfs) where there is one, so that the comparison measures the
// writer and not the disk's writeback of earlier rounds; the disk folder is the
// second variant.
struct TempFolder {
    explicit TempFolder(bool in_memory) {
        const std::filesystem::path base = in_memory && std::filesystem::is_directory("/dev/shm")
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "swf_bench.XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

double Median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// StoreSwift of 2^21 samples timed in alternation with fopen/fwrite/fclose of
// the same bytes, already converted; "ratio" is the median StoreSwift time over
// the median fwrite time. Argument 1: tmpfs, 0: the temporary folder on disk.
void BM_StoreSwift(benchmark::State& state) {
    const int samples = 1 << 21;
    const double bandwidth = 1000.0;
    Workspace ws = BandProfile(samples / 2);
    ProcessSwift(ws, -1);
    TempFolder folder(state.range(0) == 1);
    const std::string swf = (folder.path / "bench.swf").string();
    const std::string plain = (folder.path / "plain.swf").string();

    StoreSwift(swf, samples, bandwidth, ws.Swift);
    std::string bytes;
    {
        std::ifstream in(swf, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::vector<double> store_times;
    std::vector<double> fwrite_times;
    std::vector<double> durable_times;
    const auto write_plain = [&](bool sync) {
        std::FILE* f = std::fopen(plain.c_str(), "wb");
        if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() ||
            std::fflush(f) != 0 || (sync && ::fsync(fileno(f)) != 0) || std::fclose(f) != 0)
            state.SkipWithError("fwrite failed");
    };
    for (auto _ : state) {
        const auto t0 = Clock::now();
        StoreSwift(swf, samples, bandwidth, ws.Swift);
        const auto t1 = Clock::now();
        write_plain(false);
        const auto t2 = Clock::now();
        write_plain(true);
        const auto t3 = Clock::now();
        store_times.push_back(Seconds(t0, t1));
        fwrite_times.push_back(Seconds(t1, t2));
        durable_times.push_back(Seconds(t2, t3));
        state.SetIterationTime(Seconds(t0, t1));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["fwrite_MBps"] = bytes.size() / Median(fwrite_times) / 1e6;
    // StoreSwift flushes the file and its folder to the disk; the plain write
    // with one fsync shows what durability costs by itself.
    state.counters["ratio"] = Median(store_times) / Median(fwrite_times);
    state.counters["ratio_to_fsynced_write"] = Median(store_times) / Median(durable_times);
    state.counters["fsync_ms"] = 1e3 * (Median(durable_times) - Median(fwrite_times));
}
BENCHMARK(BM_StoreSwift)->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelorin

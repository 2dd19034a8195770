// The synthesis, the store and the command line against their floors. Each
// benchmark interleaves what it compares, takes minima of CPU time (the
// machine is shared) and prints the ratio its goal speaks of.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "core/files/swf.h"
#include "core/maxmin.h"
#include "core/memory.h"
#include "core/synth/fft.h"
#include "core/synth/polar.h"
#include "core/synth/swift.h"
#include "core/synth/swim.h"
#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"

namespace pelorin {
namespace {

using bench::Min;
using bench::ProcessCpu;

// A band over the middle three quarters of the profile.
Workspace BandProfile(int n) {
    Workspace ws;
    ws.Magnitude.assign(n, 0.0);
    std::fill(ws.Magnitude.begin() + n / 8, ws.Magnitude.begin() + 7 * n / 8, 1.0);
    return ws;
}

std::vector<double> Noise(std::size_t n) {
    std::vector<double> v(n);
    std::mt19937 gen(1);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    for (double& x : v)
        x = dist(gen);
    return v;
}

// Goal 1: ProcessSwift without a check, N points, against a bare FFTW
// split-array inverse of 2N (FFTW_ESTIMATE) and a bare real-output inverse of
// 2N with its plan reused; ratio_split and ratio_c2r are the ratios of the
// minimum CPU times.
void BM_Synthesis(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::size_t length = 2 * static_cast<std::size_t>(n);
    Workspace ws = BandProfile(n);
    const std::vector<double> input = Noise(2 * length + 2);

    SplitComplexBuffer split(length);
    AlignedDoubles real(length + 2);
    fftw_iodim64 dim{static_cast<std::ptrdiff_t>(length), 1, 1};
    fftw_plan split_plan = fftw_plan_guru64_split_dft(1, &dim, 0, nullptr, split.im(), split.re(),
                                                      split.im(), split.re(), FFTW_ESTIMATE);
    fftw_plan real_plan =
        fftw_plan_dft_c2r_1d(static_cast<int>(length), reinterpret_cast<fftw_complex*>(real.data()),
                             real.data(), FFTW_ESTIMATE);
    ProcessSwift(ws, -1);  // makes its plan, takes its memory

    std::vector<double> synth, bare_split, bare_real;
    for (auto _ : state) {
        double t = ProcessCpu();
        ProcessSwift(ws, -1);
        synth.push_back(ProcessCpu() - t);

        // Fresh input each time: the unscaled transforms would otherwise grow
        // the values round after round.
        std::copy(input.begin(), input.begin() + length, split.re());
        std::copy(input.begin() + length, input.begin() + 2 * length, split.im());
        t = ProcessCpu();
        fftw_execute_split_dft(split_plan, split.im(), split.re(), split.im(), split.re());
        bare_split.push_back(ProcessCpu() - t);

        std::copy(input.begin(), input.begin() + length + 2, real.data());
        t = ProcessCpu();
        fftw_execute_dft_c2r(real_plan, reinterpret_cast<fftw_complex*>(real.data()), real.data());
        bare_real.push_back(ProcessCpu() - t);
        benchmark::DoNotOptimize(real.data());
    }
    fftw_destroy_plan(split_plan);
    fftw_destroy_plan(real_plan);
    state.counters["synth_ms"] = 1e3 * Min(synth);
    state.counters["ratio_split"] = Min(synth) / Min(bare_split);
    state.counters["ratio_c2r"] = Min(synth) / Min(bare_real);
}
BENCHMARK(BM_Synthesis)
    ->RangeMultiplier(2)
    ->Range(1 << 14, 1 << 22)
    ->Iterations(9)
    ->Unit(benchmark::kMillisecond);

// The first synthesis: a complex inverse over split arrays, the scalar sine
// and cosine; the reference the files of the program are pinned to.
std::vector<std::uint16_t> ReferenceCodes(std::span<const double> m, int factor) {
    const std::size_t n = m.size();
    SplitComplexBuffer work(2 * n);
    SwiftPhases(m, factor, {work.im(), n});
    for (std::size_t i = 0; i < n; ++i) {
        const double phase = work.im()[i];
        work.re()[i] = m[i] * std::cos(phase);
        work.im()[i] = m[i] * std::sin(phase);
    }
    InverseFftUnscaled(work, 2 * n);
    double max = 0, min = 0;
    int a = 0, b = 0;
    MaxMin1D({work.re(), 2 * n}, max, a, min, b);
    const double scale = 1.0 / (std::fabs(min) >= max ? std::fabs(min) : max);
    std::vector<std::uint16_t> codes(2 * n);
    for (std::size_t i = 0; i < 2 * n; ++i)
        codes[i] = SampleCode(work.re()[i] * scale);
    return codes;
}

// The files must not change: designs of N = 2^14 .. 2^22 points (bands,
// random levels, SWIM), factors -3 .. 3, their codes against the reference.
// differing_codes must be 0.
void BM_LargeDesignsIdentical(benchmark::State& state) {
    long differing = 0, codes = 0, designs = 0;
    for (auto _ : state) {
        for (int lg = 14; lg <= 22; lg += 2) {
            for (int shape = 0; shape < 3; ++shape) {
                Workspace base;
                SetReset(base, 2 << lg, 1250.0);
                base.cursor1 = 0.1 * base.bandwidth;
                base.cursor2 = 0.7 * base.bandwidth;
                if (shape == 0) {
                    ApplyNotch(base, 1.0);
                } else if (shape == 1) {
                    std::mt19937 gen(static_cast<unsigned>(lg));
                    std::uniform_real_distribution<double> level(0.0, 1.0);
                    for (double& m : base.Magnitude)
                        m = level(gen);
                } else {
                    ApplySwim(base, 0.1, 1.0, 5, 1);
                }
                for (int factor = -3; factor <= 3; ++factor) {
                    if (lg >= 20 && factor % 2 == 0)
                        continue;  // the largest take long: odd factors there
                    Workspace ws = base;
                    ProcessSwift(ws, factor);
                    const auto reference = ReferenceCodes(base.Magnitude, factor);
                    for (std::size_t i = 0; i < reference.size(); ++i)
                        differing += SampleCode(ws.Swift[i]) != reference[i];
                    codes += static_cast<long>(reference.size());
                    ++designs;
                }
            }
        }
    }
    state.counters["designs"] = static_cast<double>(designs);
    state.counters["codes"] = static_cast<double>(codes);
    state.counters["differing_codes"] = static_cast<double>(differing);
}
BENCHMARK(BM_LargeDesignsIdentical)->Iterations(1)->Unit(benchmark::kSecond);

// Goal 4: StoreSwift of 2^21 samples against encoding the same samples and
// writing them with fopen/fwrite/fclose, wall times. Argument 1: tmpfs (the
// writer's own cost); 0: the disk, where fsync_ms shows what a durable write
// adds. fixed_ms is the writer's extra cost for a 256 KB series member over
// a plain write flushed with fsync.
void BM_StoreSwift(benchmark::State& state) {
    const bench::Folder folder(state.range(0) == 1);
    const auto measure = [&](std::size_t samples, std::vector<double>& store,
                             std::vector<double>& plain, std::vector<double>& durable) {
        const std::vector<double> wave = Noise(samples);
        std::vector<std::uint16_t> codes(samples);
        const std::string swf = (folder.path / "store.swf").string();
        const std::string ref = (folder.path / "plain.swf").string();
        const std::string header = SwfHeader(static_cast<int>(samples), 1000.0);
        const auto write_plain = [&](bool sync) {
            EncodeSamples(wave.data(), samples, codes.data());
            std::FILE* f = std::fopen(ref.c_str(), "wb");
            if (f == nullptr || std::fwrite(header.data(), 1, header.size(), f) != header.size() ||
                std::fwrite(codes.data(), 2, samples, f) != samples || std::fflush(f) != 0 ||
                (sync && ::fsync(fileno(f)) != 0) || std::fclose(f) != 0)
                std::abort();
        };
        double t = bench::Wall();
        StoreSwift(swf, static_cast<int>(samples), 1000.0, wave);
        store.push_back(bench::Wall() - t);
        t = bench::Wall();
        write_plain(false);
        plain.push_back(bench::Wall() - t);
        t = bench::Wall();
        write_plain(true);
        durable.push_back(bench::Wall() - t);
    };
    std::vector<double> big_store, big_plain, big_durable, small_store, small_plain, small_durable;
    for (auto _ : state) {
        measure(std::size_t{1} << 21, big_store, big_plain, big_durable);
        for (int i = 0; i < 8; ++i)
            measure(std::size_t{1} << 17, small_store, small_plain, small_durable);
    }
    state.counters["ratio"] = Min(big_store) / Min(big_plain);
    state.counters["ratio_to_fsynced_write"] = Min(big_store) / Min(big_durable);
    state.counters["fsync_ms"] = 1e3 * (Min(big_durable) - Min(big_plain));
    state.counters["fixed_ms"] = 1e3 * (Min(small_store) - Min(small_durable));
}
BENCHMARK(BM_StoreSwift)->Arg(1)->Arg(0)->Iterations(15)->Unit(benchmark::kMillisecond);

// Goal 2: pelorin-cli making a band at 2N = 2^23 samples (reset, band,
// synthesis, store) against the least work that makes the same file
// (bench/minimal_synthesis.cpp), both as fresh processes, alternating; ratio
// of the minimum CPU times. identical is 1 when both wrote the same bytes.
void BM_CommandLine(benchmark::State& state) {
    const bench::Folder folder(true);
    const std::string cli_out = (folder.path / "cli.swf").string();
    const std::string min_out = (folder.path / "min.swf").string();
    const std::vector<std::string> cli = {PELORIN_CLI,
                                          "-e",
                                          "reset layout=ni samples=8388608 bandwidth=1000",
                                          "-e",
                                          "notch from=100 to=300 level=1",
                                          "-e",
                                          "swift factor=-1",
                                          "-e",
                                          "store file=" + cli_out};
    const std::vector<std::string> minimal = {PELORIN_MINIMAL, "8388608", "1000",
                                              "100",           "300",     min_out};
    std::vector<double> cli_cpu, min_cpu;
    for (auto _ : state) {
        const bench::ChildRun a = bench::RunChild(cli);
        const bench::ChildRun b = bench::RunChild(minimal);
        if (a.status != 0 || b.status != 0) {
            state.SkipWithError("a program failed");
            return;
        }
        cli_cpu.push_back(a.cpu);
        min_cpu.push_back(b.cpu);
    }
    const auto read = [](const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    state.counters["cli_s"] = Min(cli_cpu);
    state.counters["minimal_s"] = Min(min_cpu);
    state.counters["ratio"] = Min(cli_cpu) / Min(min_cpu);
    state.counters["identical"] = read(cli_out) == read(min_out) ? 1 : 0;
}
BENCHMARK(BM_CommandLine)->Iterations(5)->Unit(benchmark::kSecond);

// pelorin-cli end to end (a fresh process: reset, band, synthesis, store)
// against the work no program making the file can skip, done in this process
// with everything warm: one real-output transform of 2N with its plan made
// before, N sines and cosines, and writing the 4N bytes of the file to tmpfs.
// ratio is the CLI's minimum CPU time over the sum of the minima (goal: at
// most 1.5 from 2^20 samples up); ratio_own puts the program's own transform
// (N-point complex, plan reused) in place of the real-output one.
void BM_EndToEnd(benchmark::State& state) {
    const std::size_t samples = static_cast<std::size_t>(state.range(0));
    const std::size_t n = samples / 2;
    const bench::Folder folder(true);
    const std::string out = (folder.path / "cli.swf").string();
    const std::vector<std::string> cli = {
        PELORIN_CLI,
        "-e",
        "reset layout=ni samples=" + std::to_string(samples) + " bandwidth=1000",
        "-e",
        "notch from=100 to=300 level=1",
        "-e",
        "swift factor=-1",
        "-e",
        "store file=" + out};
    const std::vector<double> input = Noise(samples + 2);
    std::vector<double> magnitude(n, 1.0), phase = Noise(n);
    AlignedDoubles real(samples + 2);
    fftw_plan plan = fftw_plan_dft_c2r_1d(static_cast<int>(samples),
                                          reinterpret_cast<fftw_complex*>(real.data()), real.data(),
                                          FFTW_ESTIMATE);
    std::vector<std::uint16_t> codes(samples, 2048);
    const std::string file = (folder.path / "plain.swf").string();
    std::vector<double> run, transform, own, sines, write;
    for (auto _ : state) {
        const bench::ChildRun child = bench::RunChild(cli);
        if (child.status != 0) {
            state.SkipWithError("pelorin-cli failed");
            break;
        }
        run.push_back(child.cpu);
        std::copy(input.begin(), input.end(), real.data());
        double t = ProcessCpu();
        fftw_execute_dft_c2r(plan, reinterpret_cast<fftw_complex*>(real.data()), real.data());
        transform.push_back(ProcessCpu() - t);
        std::copy(input.begin(), input.end(), real.data());
        t = ProcessCpu();
        InverseRealFft(real.data(), real.size(), samples);
        own.push_back(ProcessCpu() - t);
        t = ProcessCpu();
        PhasedSpectrum(magnitude.data(), phase.data(), real.data(), n);
        sines.push_back(ProcessCpu() - t);
        t = ProcessCpu();
        std::FILE* f = std::fopen(file.c_str(), "wb");
        if (f == nullptr || std::fwrite(codes.data(), 2, samples, f) != samples ||
            std::fclose(f) != 0)
            std::abort();
        write.push_back(ProcessCpu() - t);
        benchmark::DoNotOptimize(real.data());
    }
    fftw_destroy_plan(plan);
    const double floor = Min(transform) + Min(sines) + Min(write);
    state.counters["cli_ms"] = 1e3 * Min(run);
    state.counters["floor_ms"] = 1e3 * floor;
    state.counters["ratio"] = Min(run) / floor;
    state.counters["ratio_own"] = Min(run) / (Min(own) + Min(sines) + Min(write));
}
BENCHMARK(BM_EndToEnd)
    ->Arg(1 << 20)
    ->Arg(1 << 22)
    ->Arg(1 << 24)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// Goal 5: peak memory of a synthesis of 2N = 2^26 samples from the command
// line: the peak resident set of a run with the synthesis less that of the
// same run without it, against the waveform's doubles plus the work block
// (2N + 2 doubles).
void BM_SynthesisPeakMemory(benchmark::State& state) {
    const std::vector<std::string> design = {PELORIN_CLI, "-e",
                                             "reset layout=ni samples=67108864 bandwidth=1000",
                                             "-e", "notch from=100 to=300 level=1"};
    std::vector<std::string> with = design;
    with.insert(with.end(), {"-e", "swift factor=-1"});
    const double arrays = (2.0 * 67108864 + 2) * sizeof(double) / 1024.0;
    for (auto _ : state) {
        const bench::ChildRun base = bench::RunChild(design);
        const bench::ChildRun full = bench::RunChild(with);
        if (base.status != 0 || full.status != 0) {
            state.SkipWithError("pelorin-cli failed");
            return;
        }
        state.counters["synthesis_MiB"] = (full.peak_kib - base.peak_kib) / 1024.0;
        state.counters["peak_rss_MiB"] = full.peak_kib / 1024.0;
        state.counters["ratio"] = (full.peak_kib - base.peak_kib) / arrays;
    }
}
BENCHMARK(BM_SynthesisPeakMemory)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace pelorin

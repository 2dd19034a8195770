// The optimised phase against the quadratic law on four designs of 65536
// samples at 1250 kHz (NI layout): the crest factors of the stored codes, how
// closely the codes' spectrum follows the design (ripple in the band, the
// highest level outside it), and the time an optimised synthesis takes next
// to a classic one.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "bench/bench_support.h"
#include "core/display/figures.h"
#include "core/edit/bands.h"
#include "core/synth/hadamard.h"
#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"

namespace pelorin::bench {
namespace {

Workspace Design(int which) {
    Workspace ws;
    SetReset(ws, 65536, 1250.0);
    ws.cursor1 = 200.0, ws.cursor2 = 400.0;
    if (which <= 1)
        ApplyNotch(ws, 1.0);
    if (which == 1) {
        ws.cursor1 = 290.0, ws.cursor2 = 310.0;
        ApplyNotch(ws, 0.0);
    }
    if (which == 2)
        ApplySwim(ws, 0.0, 1.0, 3, 1);
    if (which == 3) {
        const std::vector<float> list = {220, 260, 300, 340, 380};
        PrepareHadamard(ws, list, 4000.0);
        ApplyHadamardRow(ws, list, 3);
    }
    return ws;
}

// The codes' spectrum against the design: the largest deviation (dB) from the
// designed shape where the design has at least a tenth of its largest level,
// and the highest level (dB below the band's mean) where it has none; points
// within 2 % of the band's width of a change between the two are left out, and
// 0 Hz.
void Fidelity(const std::vector<double>& profile, const std::vector<double>& spectrum,
              double& ripple, double& stop) {
    const std::size_t n = std::min(profile.size(), spectrum.size());
    double top = 0.0;
    std::size_t first = n, last = 0;
    for (std::size_t k = 0; k < n; ++k) {
        top = std::max(top, profile[k]);
        if (profile[k] > 0.0) {
            first = std::min(first, k);
            last = k;
        }
    }
    const std::size_t margin = std::max<std::size_t>(1, (last - first) / 50);
    const auto near_edge = [&](std::size_t k) {
        for (std::size_t j = k > margin ? k - margin : 0; j <= std::min(n - 1, k + margin); ++j)
            if ((profile[j] > 0.0) != (profile[k] > 0.0))
                return true;
        return false;
    };
    double mean_ratio = 0.0, mean_level = 0.0;
    int count = 0;
    for (std::size_t k = 1; k < n; ++k)
        if (profile[k] >= top / 10 && !near_edge(k)) {
            mean_ratio += spectrum[k] / profile[k];
            mean_level += spectrum[k];
            ++count;
        }
    mean_ratio /= count;
    mean_level /= count;
    ripple = 0.0;
    stop = -1000.0;
    for (std::size_t k = 1; k < n; ++k) {
        if (near_edge(k))
            continue;
        if (profile[k] >= top / 10)
            ripple =
                std::max(ripple, std::fabs(20 * std::log10(spectrum[k] / profile[k] / mean_ratio)));
        else if (profile[k] == 0.0)
            stop = std::max(stop, 20 * std::log10(std::max(spectrum[k], 1e-300) / mean_level));
    }
}

void BM_OptimisedPhase(benchmark::State& state) {
    const Workspace design = Design(static_cast<int>(state.range(0)));
    std::vector<double> classic_s, optimised_s;
    WaveformFigures classic, best_classic, optimised;
    double ripple = 0.0, stop = 0.0;
    for (auto _ : state) {
        for (int rep = 0; rep < 5; ++rep) {
            Workspace ws = design;
            const double t = ProcessCpu();
            Synthesise(ws, -1, nullptr);
            classic_s.push_back(ProcessCpu() - t);
            classic = FiguresOfSamples(ws.Swift, ws.bandwidth);
        }
        best_classic = classic;
        for (int factor : {-2, -3}) {
            Workspace ws = design;
            Synthesise(ws, factor, nullptr);
            const WaveformFigures f = FiguresOfSamples(ws.Swift, ws.bandwidth);
            if (f.crest_factor < best_classic.crest_factor)
                best_classic = f;
        }
        Workspace ws = design;
        ws.synthesis = {PhaseLaw::Optimised, 400};
        const double t = ProcessCpu();
        Synthesise(ws, -1, nullptr);
        optimised_s.push_back(ProcessCpu() - t);
        std::vector<double> spectrum;
        optimised = FiguresOfSamples(ws.Swift, ws.bandwidth, &spectrum);
        Fidelity(design.Magnitude, spectrum, ripple, stop);
    }
    state.counters["classic_crest"] = classic.crest_factor;
    state.counters["best_classic_crest"] = best_classic.crest_factor;
    state.counters["optimised_crest"] = optimised.crest_factor;
    state.counters["optimised_db"] = optimised.crest_factor_db;
    state.counters["ripple_db"] = ripple;
    state.counters["stop_db"] = stop;
    state.counters["optimised_s"] = Min(optimised_s);
    state.counters["ratio"] = Min(optimised_s) / Min(classic_s);
}
BENCHMARK(BM_OptimisedPhase)
    ->ArgName("design")  // 0 flat band, 1 notched band, 2 SWIM, 3 Hadamard row
    ->DenseRange(0, 3)
    ->Iterations(2)
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace pelorin::bench

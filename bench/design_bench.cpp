// Designs kept and looked at: what an undoable edit costs on a profile of
// 2^25 points (time to pack the state, bytes kept), and what the figures of a
// waveform add to its synthesis.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/bench_support.h"
#include "core/design/design.h"
#include "core/display/figures.h"
#include "core/edit/bands.h"
#include "core/edit/history.h"
#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"

namespace pelorin::bench {
namespace {

// Undoable edits on a profile of 2^25 points: a band, a dense SWIM band over
// a fifth of the profile, then a notch inside it. Reported: the time the
// history takes for the notch against the notch itself, the bytes each edit
// keeps against a plain copy of the profile (256 MiB), and how many copies the
// budget would hold.
void BM_UndoState(benchmark::State& state) {
    const int samples = 1 << 26;
    std::vector<double> record, edit;
    std::size_t band = 0, swim = 0, notch = 0;
    for (auto _ : state) {
        Workspace ws;
        SetReset(ws, samples, 1000.0);
        ProfileTracker tracker;
        tracker.Reset(ws.Magnitude);
        ws.cursor1 = 100.0, ws.cursor2 = 900.0;
        ApplyNotch(ws, 1.0);
        band = tracker.Track(ws.Magnitude)->bytes();
        ws.cursor1 = 300.0, ws.cursor2 = 500.0;
        ApplySwim(ws, 0.0, 1.0, 40, 1);
        swim = tracker.Track(ws.Magnitude)->bytes();
        double t = ProcessCpu();
        ws.cursor1 = 400.0, ws.cursor2 = 401.0;
        ApplyNotch(ws, 0.0);
        edit.push_back(ProcessCpu() - t);
        t = ProcessCpu();
        notch = tracker.Track(ws.Magnitude)->bytes();
        record.push_back(ProcessCpu() - t);
    }
    const double copy = 8.0 * (samples / 2);
    state.counters["history_ms"] = 1e3 * Min(record);
    state.counters["history_per_notch"] = Min(record) / Min(edit);
    state.counters["band_share"] = band / copy;
    state.counters["swim_share"] = swim / copy;
    state.counters["notch_share"] = notch / copy;
    state.counters["budget_copies"] = Design::kDefaultBudget / copy;
}
BENCHMARK(BM_UndoState)->Iterations(3)->Unit(benchmark::kMillisecond);

// The figures (encoding, a real-input transform of the codes) against the
// synthesis they follow, at 2^20 samples.
void BM_FiguresAfterSynthesis(benchmark::State& state) {
    Workspace ws;
    SetReset(ws, 1 << 20, 1250.0);
    ws.cursor1 = 200.0, ws.cursor2 = 400.0;
    ApplyNotch(ws, 1.0);
    std::vector<double> synth, figures;
    for (auto _ : state) {
        Workspace w = ws;
        double t = ProcessCpu();
        Synthesise(w, -1, nullptr);
        synth.push_back(ProcessCpu() - t);
        t = ProcessCpu();
        benchmark::DoNotOptimize(FiguresOfSamples(w.Swift, w.bandwidth));
        figures.push_back(ProcessCpu() - t);
    }
    state.counters["figures_ms"] = 1e3 * Min(figures);
    state.counters["ratio"] = Min(figures) / Min(synth);
}
BENCHMARK(BM_FiguresAfterSynthesis)->Iterations(7)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelorin::bench

// Drawing long series, headless. The profile after an edit, through the real
// panels and the real graph: the notch panel's command (the edit, the plot's
// new data and an immediate replot), at N = 2^22 points (goal: under 100 ms)
// and at 2^25 (2^26 samples); edit_ms is the minimum wall time over the runs
// after the first, which lays out the plot. And a waveform of up to 2^26
// samples drawn, zoomed and panned.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "bench/bench_support.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/graph_control.h"
#include "gui/platform/popups.h"
#include "gui/platform/ui.h"

namespace pelorin {
namespace {

void BM_ProfileEditRedraw(benchmark::State& state) {
    const int samples = static_cast<int>(state.range(0));
    ui::ResetPlatform();
    ResetSession();
    RegisterCallbacks();
    StartUp(0.0);
    Screen& s = screen();
    ui::EnterCtrlVal(s.SetResetHandle, ids::SetReset::kNiSwitch, 1);
    ui::EnterCtrlVal(s.SetResetHandle, ids::SetReset::kNiSamples, samples);
    ui::EnterCtrlVal(s.SetResetHandle, ids::SetReset::kNiBandwidth, 1000.0);
    ui::PressButton(s.SetResetHandle, ids::SetReset::kApply);
    std::vector<double> commands, replots;
    const auto edit = [&](double level) {
        ui::SetCtrlVal(s.NotchHandle, ids::Notch::kSource, 0);
        ui::SetCtrlVal(s.NotchHandle, ids::Notch::kFrom, 200.0);
        ui::SetCtrlVal(s.NotchHandle, ids::Notch::kTo, 400.0);
        ui::SetCtrlVal(s.NotchHandle, ids::Notch::kLevel, level);
        const double t0 = bench::Wall();
        ui::PressButton(s.NotchHandle, ids::Notch::kApply);
        const double t1 = bench::Wall();
        ui::RefreshGraph(s.GraphHandle, ids::Main::kGraph);
        commands.push_back(t1 - t0);
        replots.push_back(bench::Wall() - t1);
    };
    double t = bench::Wall();
    edit(1.0);
    const double first = bench::Wall() - t;
    std::vector<double> edits;
    double level = 0.5;
    for (auto _ : state) {
        t = bench::Wall();
        edit(level);
        edits.push_back(bench::Wall() - t);
        level = 1.5 - level;
    }
    state.counters["first_ms"] = 1e3 * first;
    state.counters["edit_ms"] = 1e3 * bench::Min(edits);
    state.counters["command_ms"] = 1e3 * bench::Min(commands);
    state.counters["replot_ms"] = 1e3 * bench::Min(replots);
    ui::ResetPlatform();
}
BENCHMARK(BM_ProfileEditRedraw)
    ->Arg(1 << 23)
    ->Arg(1 << 26)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// A waveform of 2^22 and of 2^26 samples in a graph of its own (as the
// waveform pop-up shows it): first_ms lays it out and draws it; zoom_ms is one
// wheel step of zoom and its redraw; pan_ms a pan of half the view.
void BM_WaveformDraw(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    std::vector<double> wave(n);
    for (std::size_t i = 0; i < n; ++i)
        wave[i] = std::sin(0.001 * static_cast<double>(i) * static_cast<double>(i) / n);
    std::vector<double> first, zoom, pan;
    for (auto _ : state) {
        ui::GraphControl graph(nullptr, false);
        graph.resize(1000, 500);
        double t = bench::Wall();
        graph.addPlot(wave, 0.0, 0.02, QColor(0, 0, 160), "Waveform");
        graph.setFullXRange(0.0, 0.02 * static_cast<double>(n));
        graph.setXRange(0.0, 0.02 * static_cast<double>(n));
        graph.replot();
        first.push_back(bench::Wall() - t);
        const QCPRange r = graph.xAxis->range();
        t = bench::Wall();
        graph.setXRange(r.lower + 0.1 * r.size(), r.upper - 0.1 * r.size());
        graph.replot();
        zoom.push_back(bench::Wall() - t);
        const QCPRange z = graph.xAxis->range();
        t = bench::Wall();
        graph.setXRange(z.lower + 0.5 * z.size(), z.upper + 0.5 * z.size());
        graph.replot();
        pan.push_back(bench::Wall() - t);
    }
    state.counters["first_ms"] = 1e3 * bench::Min(first);
    state.counters["zoom_ms"] = 1e3 * bench::Min(zoom);
    state.counters["pan_ms"] = 1e3 * bench::Min(pan);
}
BENCHMARK(BM_WaveformDraw)
    ->Arg(1 << 22)
    ->Arg(1 << 26)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelorin

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    pelorin::ui::InstallPopups(pelorin::ui::MakeQtPopups());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

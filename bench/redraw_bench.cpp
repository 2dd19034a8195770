// Redrawing the profile after an edit, through the real panels and the real
// graph, headless: the notch panel's command (the edit, the plot's new data and
// an immediate replot), at N = 2^22 points (goal: under 100 ms) and at 2^25
// (2^26 samples). edit_ms is the minimum wall time over the runs after the
// first, which lays out the plot.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

#include "bench/bench_support.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/popups.h"
#include "gui/platform/ui.h"

namespace pelorin {
namespace {

void BM_ProfileEditRedraw(benchmark::State& state) {
    const int samples = static_cast<int>(state.range(0));
    ui::ResetPlatform();
    workspace() = Workspace{};
    RegisterCallbacks();
    StartUp(0.0);
    Screen& s = workspace().screen;
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

// The window's memory, headless, through the real panels: the peak resident
// size of a synthesis with its spectrum check (and what the figures and the
// played-once spectrum add), next to the doubles of the waveform and the
// profile; and what a Set/Reset back to a short profile gives back to the
// system, next to the same short work done first.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSettings>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/popups.h"
#include "gui/platform/ui.h"

namespace pelorin {
namespace {

// Pop-ups answered at once: no file, Discard, no dialog drawn.
struct QuietPopups : ui::Popups {
    int FileSelect(const ui::FileSelectRequest&, std::string&) override {
        return ui::VAL_NO_FILE_SELECTED;
    }
    void Message(const std::string& title, const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    }
    void Graph(const std::string&, std::span<const double>, double, const std::string&) override {}
    // The pop-up would show now; what it measures beside it follows.
    void GraphMeasured(const std::string&, std::span<const double>, double, const std::string&,
                       const std::function<std::string()>& measure) override {
        ShownAt() = bench::Wall();
        measure();
    }
    static double& ShownAt() {
        static double at = 0.0;
        return at;
    }
    bool Confirm(const std::string&, const std::string&) override { return true; }
    ui::SaveAnswer AskToSave(const std::string&, const std::string&) override {
        return ui::SaveAnswer::Discard;
    }
    struct Quiet : ui::Progress {
        bool Update(std::uint64_t, std::uint64_t, const std::string&) override { return true; }
    };
    std::unique_ptr<ui::Progress> StartProgress(const std::string&, std::uint64_t) override {
        return std::make_unique<Quiet>();
    }
    void Radii(const ui::RadiusPlot&) override {}
};

// Resident and peak resident size of this process, KiB.
long Status(const char* key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::string(key).size()));
    return 0;
}

// Starts the peak resident size afresh (Linux).
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void StartWindow() {
    ui::ResetPlatform();
    ResetSession();
    RegisterCallbacks();
    StartUp(0.0);
    ui::EnterCtrlVal(screen().SetResetHandle, ids::SetReset::kNiSwitch, 1);
}

void Design(int samples) {
    const Screen& s = screen();
    ui::EnterCtrlVal(s.SetResetHandle, ids::SetReset::kNiSamples, samples);
    ui::EnterCtrlVal(s.SetResetHandle, ids::SetReset::kNiBandwidth, 1250.0);
    ui::PressButton(s.SetResetHandle, ids::SetReset::kApply);
    ui::SetCtrlVal(s.NotchHandle, ids::Notch::kSource, 0);
    ui::SetCtrlVal(s.NotchHandle, ids::Notch::kFrom, 200.0);
    ui::SetCtrlVal(s.NotchHandle, ids::Notch::kTo, 400.0);
    ui::SetCtrlVal(s.NotchHandle, ids::Notch::kLevel, 1.0);
    ui::PressButton(s.NotchHandle, ids::Notch::kApply);
}

void Synthesise(bool check, bool popup = false) {
    const Screen& s = screen();
    ui::SetCtrlVal(s.ProcessHandle, ids::Process::kPopup, popup ? 1 : 0);
    ui::SetCtrlVal(s.ProcessHandle, ids::Process::kCheck, check ? 1 : 0);
    ui::PressButton(s.ProcessHandle, ids::Process::kSynthesise);
}

// Set/Reset back to 65536 samples after 2^24: the resident size after, over
// that of the same short work done first (goal: at most 1.2).
void BM_SetResetRelease(benchmark::State& state) {
    const int long_samples = static_cast<int>(state.range(0));
    double ratio = 0.0, before = 0.0, during = 0.0, after = 0.0;
    for (auto _ : state) {
        StartWindow();
        Design(65536);
        Synthesise(true);
        before = static_cast<double>(Status("VmRSS:"));
        Design(long_samples);
        Synthesise(true);
        during = static_cast<double>(Status("VmRSS:"));
        Design(65536);
        Synthesise(true);
        after = static_cast<double>(Status("VmRSS:"));
        ratio = after / before;
    }
    state.counters["short_mib"] = before / 1024.0;
    state.counters["long_mib"] = during / 1024.0;
    state.counters["after_mib"] = after / 1024.0;
    state.counters["ratio"] = ratio;
}
BENCHMARK(BM_SetResetRelease)->Arg(1 << 24)->Iterations(1)->Unit(benchmark::kSecond);

// The peak resident size of a synthesis with its check in the window, next
// to the waveform's and the profile's doubles, 8 x 2N + 8 x N bytes (goal:
// at most 2.5), and next to the waveform's alone (goal: at most 3).
void BM_SynthesisWithCheckMemory(benchmark::State& state) {
    const int samples = static_cast<int>(state.range(0));
    double peak = 0.0, seconds = 0.0;
    for (auto _ : state) {
        StartWindow();
        Design(samples);
        ResetPeak();
        const double t = bench::Wall();
        Synthesise(true);
        seconds = bench::Wall() - t;
        peak = static_cast<double>(Status("VmHWM:")) * 1024.0;
    }
    const double points = samples / 2.0;
    state.counters["peak_mib"] = peak / (1 << 20);
    state.counters["to_data"] = peak / (8.0 * samples + 8.0 * points);
    state.counters["to_waveform"] = peak / (8.0 * samples);
    state.counters["synthesis_s"] = seconds;
}
BENCHMARK(BM_SynthesisWithCheckMemory)
    ->Arg(1 << 22)
    ->Arg(1 << 26)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// Synthesise to the waveform's pop-up, without the check, wall time, next to
// the command line's synthesis of the same design (goal: at most 1.3 times);
// done_s is the whole command, the played-once figures and spectrum
// measured beside the pop-up included.
void BM_WindowSynthesis(benchmark::State& state) {
    const int samples = static_cast<int>(state.range(0));
    std::vector<double> window, cli, done;
    const bench::Folder folder(true);
    const std::vector<std::string> args = {
        PELORIN_CLI,
        "-e",
        "reset layout=ni samples=" + std::to_string(samples) + " bandwidth=1250",
        "-e",
        "notch from=200 to=400 level=1",
        "-e",
        "swift factor=-1"};
    const std::vector<std::string> design(args.begin(), args.end() - 2);
    for (auto _ : state) {
        StartWindow();
        Design(samples);
        const double t = bench::Wall();
        Synthesise(false, true);
        done.push_back(bench::Wall() - t);
        window.push_back(QuietPopups::ShownAt() - t);
        // The command line's synthesis: the run with it less the run without.
        double w = bench::Wall();
        bench::RunChild(design);
        const double base = bench::Wall() - w;
        w = bench::Wall();
        bench::RunChild(args);
        cli.push_back(bench::Wall() - w - base);
    }
    state.counters["window_s"] = bench::Min(window);
    state.counters["done_s"] = bench::Min(done);
    state.counters["cli_s"] = bench::Min(cli);
    state.counters["ratio"] = bench::Min(window) / bench::Min(cli);
}
BENCHMARK(BM_WindowSynthesis)->Arg(1 << 22)->Arg(1 << 26)->Iterations(3)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace pelorin

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // The settings of this run only, never the operator's.
    const pelorin::bench::Folder settings(true);
    QApplication::setOrganizationName("Pelorin");
    QApplication::setApplicationName("Pelorin-bench");
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(settings.path.string()));
    pelorin::ui::InstallPopups(std::make_unique<pelorin::QuietPopups>());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

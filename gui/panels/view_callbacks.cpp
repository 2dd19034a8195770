// The view of the waveform in hand: its figures beside the graph, its
// played-once spectrum on the graph, and the decibel scale.
#include "core/display/played_once.h"
#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {

namespace menu = ids::Main;
constexpr int kGraph = ids::Main::kGraph;
constexpr ui::Rgb kPlayedColour{220, 120, 0};

bool Setting(const std::string& key, bool fallback) {
    const auto v = ui::ReadSetting(key);
    return v ? *v == "1" : fallback;
}

}  // namespace

void ShowWaveformFigures(const WaveformFigures& f, const PlayedOnceFigures& played) {
    const Screen& s = screen();
    ui::SetFiguresText(s.GraphHandle, FiguresForEye(f, &played));
    ui::ShowStatusMessage(s.GraphHandle, FiguresSummary(f));
}

void ClearWaveformFigures() {
    ui::SetFiguresText(screen().GraphHandle, "");
}

bool PlayedOnceWanted() {
    return ui::MenuItemChecked(screen().MenuHandle, menu::kMenuPlayedOnce);
}

void DrawPlayedOnce(PlayedOnceSpectrum&& shown) {
    Workspace& ws = workspace();
    Screen& s = screen();
    if (!PlayedOnceWanted() || shown.values.empty())
        return;
    s.PlayedPlot =
        ui::PlotSpectrum(s.GraphHandle, kGraph, s.PlayedFlag == 1 ? s.PlayedPlot : 0,
                         std::move(shown.values), ws.bandwidth, kPlayedColour, "Played once (8×)");
    s.PlayedFlag = 1;
}

void RemovePlayedOnce() {
    if (screen().PlayedFlag == 1)
        ui::DeleteGraphPlot(screen().GraphHandle, kGraph, screen().PlayedPlot);
    screen().PlayedFlag = 0;
}

void View_Callback(int menubar, int item, int /*panel*/) {
    Workspace& ws = workspace();
    const Screen& s = screen();
    const bool on = ui::MenuItemChecked(menubar, item);
    if (item == menu::kMenuDecibels) {
        ui::SetGraphDecibels(s.GraphHandle, kGraph, on);
        ui::WriteSetting("view/decibels", on ? "1" : "0");
    } else if (item == menu::kMenuFigures) {
        ui::ShowFiguresPane(s.GraphHandle, on);
        ui::WriteSetting("view/figures", on ? "1" : "0");
    } else if (item == menu::kMenuPlayedOnce) {
        ui::WriteSetting("view/played", on ? "1" : "0");
        if (!on) {
            RemovePlayedOnce();
            return;
        }
        // While work runs the waveform in hand is its to change: the choice
        // is kept, and the next waveform is drawn by it.
        if (ui::Busy() || !HasWaveform(ws) || s.PlayedFlag == 1)
            return;
        PlayedOnceSpectrum shown;
        try {
            ui::RunBusy("Computing the played-once spectrum", [&] {
                PlayedOnceOfSamples(ws.Swift, ws.bandwidth, WaveformDesign(ws), &shown);
            });
        } catch (const Refusal& r) {
            Report(r);
            return;
        }
        DrawPlayedOnce(std::move(shown));
    }
}

void RestoreViewSettings() {
    const Screen& s = screen();
    const bool decibels = Setting("view/decibels", false);
    const bool figures = Setting("view/figures", true);
    ui::SetMenuItemChecked(s.MenuHandle, menu::kMenuDecibels, decibels);
    ui::SetMenuItemChecked(s.MenuHandle, menu::kMenuFigures, figures);
    ui::SetMenuItemChecked(s.MenuHandle, menu::kMenuPlayedOnce, Setting("view/played", true));
    ui::SetGraphDecibels(s.GraphHandle, kGraph, decibels);
    ui::ShowFiguresPane(s.GraphHandle, figures);
}

}  // namespace pelorin

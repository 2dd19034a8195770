// The import of .dat waveforms: the AWG choice panel, the open pop-up, the
// "Check Data" graph and the store.
#include <string>

#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {
namespace id = ids::Awg;
}

void Ltavikcallback(int /*menubar*/, int /*item*/, int /*panel*/) {
    // One choice panel at a time: a second request shows the open one.
    int& handle = screen().awg_handle;
    if (handle == 0 || !ui::PanelExists(handle))
        handle = ui::LoadPanel(0, "pelorin.uir", id::kPanel);
    ui::DisplayPanel(handle);
}

int AWGcallback(int panel, int control, int event) {
    if (event != ui::EVENT_COMMIT)
        return 0;
    Workspace& ws = workspace();
    if (control == id::kAwg1 || control == id::kAwg2) {
        // The two switches act as a pair: turning one off turns the other on.
        const bool on = ui::GetCtrlInt(panel, control) != 0;
        ws.Arb = (control == id::kAwg1) == on ? 1 : 2;
        ui::SetCtrlVal(panel, id::kAwg1, ws.Arb == 1);
        ui::SetCtrlVal(panel, id::kAwg2, ws.Arb == 2);
        // OK stays unavailable until a clock has been chosen on this panel.
        ui::SetCtrlDimmed(panel, id::kOk, false);
    } else if (control == id::kOk) {
        ui::DiscardPanel(panel);
        screen().awg_handle = 0;
        FinishSwiftSave(ws.Arb);
    }
    return 0;
}

int AwgPCallback(int panel, int event) {
    if (event == ui::EVENT_CLOSE) {
        ui::MessagePopup("Make SWIFT Terminated", "SWIFT creation terminated by user");
        ui::DiscardPanel(panel);
        screen().awg_handle = 0;
    }
    return 0;
}

int FinishSwiftSave(int awg) {
    if (!MayDiscardWork("import a waveform"))
        return 0;
    const auto path =
        AskPath("*.dat", "Please Slecet Dat File for Processing", ui::VAL_LOAD_BUTTON, "*.dat");
    if (!path)
        return 0;
    try {
        // Read whole before anything is replaced: a refused file leaves the
        // waveform, its length and the bandwidth as they were.
        WaveformFigures figures;
        PlayedOnceFigures played;
        const MenuPhase before = workspace().phase;
        ui::RunBusy("Reading " + *path, [&] {
            design().Apply(MakeStep("import", {{"file", *path}, {"awg", std::to_string(awg)}}));
            const Workspace& ws = workspace();
            played = PlayedOnceOfSamples(ws.Swift, ws.bandwidth, {}, nullptr, &figures);
        });
        const Workspace& ws = workspace();
        ShowWaveformFigures(figures, played);
        ShowEditMenu();
        WaveformMade(*path);
        if (before != MenuPhase::Start) {
            // The profile and its check no longer describe the waveform, nor
            // does the old bandwidth the frequency axis.
            RemoveAllPlots();
            ShowGraphRange(ws.bandwidth, false);
            EnterMenuPhase(MenuPhase::Synthesised);
        }
        ui::XGraphPopup("Check Data", ws.Swift, 1000.0 / (2.0 * ws.bandwidth),
                        FiguresForEye(figures, &played));
        if (const auto file = AskPath("*.swf", "Selct File Name to Store swf File",
                                      ui::VAL_SAVE_BUTTON, "*.swf")) {
            ui::RunBusy("Storing " + *file, [&] {
                design().Apply(MakeStep("store", {{"file", *file}}));
            });
            ui::RememberFolder("*.swf", *file);
            Stored(*file);
        }
    } catch (const Refusal& r) {
        Report(r);
    }
    return 0;
}

}  // namespace pelorin

// The import of .dat waveforms: the AWG choice panel, the open pop-up, the
// "Check Data" graph and the store.
#include <string>

#include "app/operations.h"
#include "app/pelorin.h"
#include "files/datfile.h"
#include "files/swf.h"
#include "platform/ui.h"

namespace pelorin {

namespace {
enum AwgControl { kAwg1 = 2, kAwg2 = 3, kOk = 4 };
}

void Ltavikcallback(int /*menubar*/, int /*item*/, int /*panel*/) {
    Workspace& ws = workspace();
    // One choice panel at a time: a second request shows the open one.
    if (ws.awg_handle == 0 || !ui::PanelExists(ws.awg_handle))
        ws.awg_handle = ui::LoadPanel(0, "pelorin.uir", 1);
    ui::DisplayPanel(ws.awg_handle);
}

int AWGcallback(int panel, int control, int event) {
    if (event != ui::EVENT_COMMIT)
        return 0;
    Workspace& ws = workspace();
    if (control == kAwg1 || control == kAwg2) {
        // The two switches act as a pair: turning one off turns the other on.
        const bool on = ui::GetCtrlInt(panel, control) != 0;
        ws.Arb = (control == kAwg1) == on ? 1 : 2;
        ui::SetCtrlVal(panel, kAwg1, ws.Arb == 1);
        ui::SetCtrlVal(panel, kAwg2, ws.Arb == 2);
        // OK stays unavailable until a clock has been chosen on this panel.
        ui::SetCtrlDimmed(panel, kOk, false);
    } else if (control == kOk) {
        ui::DiscardPanel(panel);
        ws.awg_handle = 0;
        FinishSwiftSave(ws.Arb);
    }
    return 0;
}

int AwgPCallback(int panel, int event) {
    if (event == ui::EVENT_CLOSE) {
        ui::MessagePopup("Make SWIFT Terminated", "SWIFT creation terminated by user");
        ui::DiscardPanel(panel);
        workspace().awg_handle = 0;
    }
    return 0;
}

int FinishSwiftSave(int awg) {
    Workspace& ws = workspace();
    ui::FileSelectRequest open;
    open.default_spec = "*.dat";
    open.type_list = "*.dat";
    open.title = "Please Slecet Dat File for Processing";
    open.button = ui::VAL_LOAD_BUTTON;
    std::string path;
    if (ui::FileSelectPopup(open, path) <= 0)
        return 0;
    try {
        // Read whole before anything is replaced: a refused file leaves the
        // waveform, its length and the bandwidth as they were.
        ImportWaveform(ws, ReadDatFile(path, awg));
        if (ws.phase != MenuPhase::Start) {
            // The profile and its check no longer describe the waveform, nor
            // does the old bandwidth the frequency axis.
            ui::DeleteGraphPlot(ws.GraphHandle, kGraph, -1);
            ws.MagFlag = 0;
            ws.OutFlag = 0;
            ui::SetAxisRange(ws.GraphHandle, kGraph, ui::VAL_MANUAL, 0.0, ws.bandwidth,
                             ui::VAL_NO_CHANGE, 0.0, 0.0);
            EnterMenuPhase(MenuPhase::Synthesised);
        }
        ui::XGraphPopup("Check Data", ws.Swift);
        ui::FileSelectRequest save;
        save.default_spec = "*.swf";
        save.type_list = "*.swf";
        save.title = "Selct File Name to Store swf File";
        save.button = ui::VAL_SAVE_BUTTON;
        save.allow_make_directory = true;
        std::string out;
        if (ui::FileSelectPopup(save, out) > 0)
            StoreWaveform(ws, WithSwfExtension(out));
    } catch (const Refusal& r) {
        Report(r);
    }
    return 0;
}

}  // namespace pelorin

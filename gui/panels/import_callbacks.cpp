// The import of .dat waveforms: the AWG choice panel, the open pop-up, the
// "Check Data" graph and the store.
#include <string>

#include "core/files/datfile.h"
#include "core/files/swf.h"
#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {
namespace id = ids::Awg;
}

void Ltavikcallback(int /*menubar*/, int /*item*/, int /*panel*/) {
    Workspace& ws = workspace();
    // One choice panel at a time: a second request shows the open one.
    int& handle = ws.screen.awg_handle;
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
        ws.screen.awg_handle = 0;
        FinishSwiftSave(ws.Arb);
    }
    return 0;
}

int AwgPCallback(int panel, int event) {
    if (event == ui::EVENT_CLOSE) {
        ui::MessagePopup("Make SWIFT Terminated", "SWIFT creation terminated by user");
        ui::DiscardPanel(panel);
        workspace().screen.awg_handle = 0;
    }
    return 0;
}

int FinishSwiftSave(int awg) {
    Workspace& ws = workspace();
    if (!MayDiscardWork("import a waveform"))
        return 0;
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
        DatWaveform imported;
        WaveformFigures figures;
        PlayedOnceFigures played;
        ui::RunBusy("Reading " + path, [&] {
            imported = ReadDatFile(path, awg);
            played =
                PlayedOnceOfSamples(imported.samples, imported.bandwidth, {}, nullptr, &figures);
        });
        ImportWaveform(ws, std::move(imported));
        ShowWaveformFigures(figures, played);
        EndDesign();
        WaveformMade(path);
        if (ws.phase != MenuPhase::Start) {
            // The profile and its check no longer describe the waveform, nor
            // does the old bandwidth the frequency axis.
            RemoveAllPlots(ws);
            ui::SetGraphExtent(ws.screen.GraphHandle, ids::Main::kGraph, 0.0, ws.bandwidth);
            ui::SetAxisRange(ws.screen.GraphHandle, ids::Main::kGraph, ui::VAL_MANUAL, 0.0,
                             ws.bandwidth, ui::VAL_NO_CHANGE, 0.0, 0.0);
            EnterMenuPhase(MenuPhase::Synthesised);
        }
        ui::XGraphPopup("Check Data", ws.Swift, 1000.0 / (2.0 * ws.bandwidth),
                        FiguresForEye(figures, &played));
        ui::FileSelectRequest save;
        save.default_spec = "*.swf";
        save.type_list = "*.swf";
        save.title = "Selct File Name to Store swf File";
        save.button = ui::VAL_SAVE_BUTTON;
        save.allow_make_directory = true;
        std::string out;
        if (ui::FileSelectPopup(save, out) > 0) {
            const std::string file = WithSwfExtension(out);
            ui::RunBusy("Storing " + file, [&] { StoreWaveform(ws, file); });
            ui::RememberFolder("*.swf", file);
            Stored(file);
        }
    } catch (const Refusal& r) {
        Report(r);
    }
    return 0;
}

}  // namespace pelorin

// The synthesis panel: synthesis, the waveform pop-up and the spectrum check.
#include <vector>

#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

void ProcessSwift(int popup, int check, int factor) {
    Workspace& ws = workspace();
    std::vector<double> spectrum;
    WaveformFigures figures;
    ui::RunBusy("Synthesising", [&] {
        Synthesise(ws, factor, check == 1 ? &spectrum : nullptr);
        // What the stored file will hold, measured before the operator asks.
        figures = FiguresOfSamples(
            std::span<const double>(ws.Swift).first(static_cast<std::size_t>(ws.datapts)),
            ws.bandwidth);
    });
    ShowFigures(figures);
    if (popup == 1) {
        ui::SetWaitCursor(0);
        // Samples 1 / (2 bandwidth) apart: the time axis in microseconds.
        ui::YGraphPopup("Swift Waveform", ws.Swift, 1000.0 / (2.0 * ws.bandwidth),
                        FiguresText(figures));
    }
    if (check == 1) {
        BusyCursor busy;
        MakeGraph(spectrum, kPlotOutput);
    }
}

int Process_Callback(int panel, int control, int event) {
    namespace id = ids::Process;
    return PanelCommand(panel, control, event, id::kSynthesise, [panel] {
        const int popup = ui::GetCtrlInt(panel, id::kPopup);
        const int check = ui::GetCtrlInt(panel, id::kCheck);
        const int factor = ui::GetCtrlInt(panel, id::kFactor);
        ProcessSwift(popup, check, factor);
        RecordStep("swift", {{"factor", std::to_string(factor)}});
        workspace().screen.history.Clear();  // the profile is fixed from now on
        EnterMenuPhase(MenuPhase::Synthesised);
        WaveformMade("");
        return true;
    });
}

}  // namespace pelorin

// The synthesis panel: synthesis, the waveform pop-up and the spectrum check.
#include <vector>

#include "app/operations.h"
#include "app/pelorin.h"
#include "platform/ui.h"

namespace pelorin {

namespace {
enum ProcessControl { kCheck = 2, kSynthesise = 4, kPopup = 5, kFactor = 6 };
}

void ProcessSwift(int popup, int check, int factor) {
    Workspace& ws = workspace();
    std::vector<double> spectrum;
    Synthesise(ws, factor, check == 1 ? &spectrum : nullptr);
    if (popup == 1) {
        ui::SetWaitCursor(0);
        ui::YGraphPopup("Swift Waveform", ws.Swift);
    }
    if (check == 1) {
        ui::SetWaitCursor(1);
        MakeGraph(spectrum, kPlotOutput);
        ui::SetWaitCursor(0);
    }
}

int Process_Callback(int panel, int control, int event) {
    return PanelCommand(panel, control, event, kSynthesise, [panel] {
        const int popup = ui::GetCtrlInt(panel, kPopup);
        const int check = ui::GetCtrlInt(panel, kCheck);
        const int factor = ui::GetCtrlInt(panel, kFactor);
        ProcessSwift(popup, check, factor);
        EnterMenuPhase(MenuPhase::Synthesised);
    });
}

}  // namespace pelorin

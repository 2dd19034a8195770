// The notch and smoothing panels.
#include "core/edit/smooth.h"
#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

int MakeNotch_Callback(int panel, int control, int event) {
    namespace id = ids::Notch;
    return PanelCommand(panel, control, event, id::kApply, [panel] {
        Workspace& ws = workspace();
        RequireEditableProfile(ws);
        RemoveOutputPlot(ws);
        const double level = ui::GetCtrlVal(panel, id::kLevel);
        if (ui::GetCtrlInt(panel, id::kSource) == 0)
            ReadTypedWindow(ws, panel, id::kFrom, id::kTo);
        ui::RunBusy("Setting the window", [&] { ApplyNotch(ws, level); });
        MakeGraph(ws.Magnitude, kPlotProfile);
        return true;
    });
}

int Smooth_Callback(int panel, int control, int event) {
    namespace id = ids::Smooth;
    return PanelCommand(panel, control, event, id::kApply, [panel] {
        Workspace& ws = workspace();
        RequireEditableProfile(ws);
        const int width = ui::GetCtrlInt(panel, id::kWidth);
        try {
            CheckSmoothWidth(width, ws.datapts);
        } catch (const Refusal& r) {
            throw EntryRefusal(r, id::kWidth);
        }
        RemoveOutputPlot(ws);
        ui::RunBusy("Smoothing", [&] { ApplySmoothing(ws, width); });
        MakeGraph(ws.Magnitude, kPlotProfile);
        return true;
    });
}

}  // namespace pelorin

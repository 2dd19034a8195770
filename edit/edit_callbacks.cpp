// The notch and smoothing panels.
#include "app/operations.h"
#include "app/pelorin.h"
#include "edit/smooth.h"
#include "platform/ui.h"

namespace pelorin {

namespace {

enum NotchControl {
    kBoundSource = 2,
    kApplyNotch = 4,
    kLevel = 5,
    kFirstBound = 6,
    kSecondBound = 7
};
enum SmoothControl { kWidth = 2, kApplySmooth = 4 };

}  // namespace

int MakeNotch_Callback(int panel, int control, int event) {
    return PanelCommand(panel, control, event, kApplyNotch, [panel] {
        Workspace& ws = workspace();
        RequireEditableProfile(ws);
        RemoveOutputPlot(ws);
        const double level = ui::GetCtrlVal(panel, kLevel);
        if (ui::GetCtrlInt(panel, kBoundSource) == 0) {
            ws.cursor2 = ui::GetCtrlVal(panel, kSecondBound);
            ws.cursor1 = ui::GetCtrlVal(panel, kFirstBound);
        }
        ApplyNotch(ws, level);
        MakeGraph(ws.Magnitude, kPlotProfile);
    });
}

int Smooth_Callback(int panel, int control, int event) {
    return PanelCommand(panel, control, event, kApplySmooth, [panel] {
        Workspace& ws = workspace();
        RequireEditableProfile(ws);
        const int width = ui::GetCtrlInt(panel, kWidth);
        CheckSmoothWidth(width, ws.datapts);
        RemoveOutputPlot(ws);
        ApplySmoothing(ws, width);
        MakeGraph(ws.Magnitude, kPlotProfile);
    });
}

}  // namespace pelorin

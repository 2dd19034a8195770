// The notch and smoothing panels.
#include "app/operations.h"
#include "app/pelorin.h"
#include "edit/smooth.h"
#include "platform/ui.h"

namespace pelorin {

namespace {

enum NotchControl { kBoundSource = 2, kApplyNotch = 4, kLevel = 5, kFirstBound = 6, kSecondBound = 7 };
enum SmoothControl { kWidth = 2, kApplySmooth = 4 };

// The output plot no longer matches a profile that is about to change.
void RemoveOutputPlot(Workspace& ws) {
    if (ws.OutFlag == 1)
        ui::DeleteGraphPlot(ws.GraphHandle, kGraph, ws.OutPlot);
    ws.OutFlag = 0;
}

}  // namespace

int MakeNotch_Callback(int panel, int control, int event) {
    if (event == ui::EVENT_COMMIT && control == kApplyNotch) {
        Workspace& ws = workspace();
        try {
            RequireEditableProfile(ws);
            ui::SetWaitCursor(1);
            RemoveOutputPlot(ws);
            const double level = ui::GetCtrlVal(panel, kLevel);
            if (ui::GetCtrlInt(panel, kBoundSource) == 0) {
                ws.cursor2 = ui::GetCtrlVal(panel, kSecondBound);
                ws.cursor1 = ui::GetCtrlVal(panel, kFirstBound);
            }
            ApplyNotch(ws, level);
            MakeGraph(ws.Magnitude, kPlotProfile);
            ui::SetWaitCursor(0);
        } catch (const Refusal& r) {
            Report(r);
        }
    }
    ui::HidePanel(panel);
    return 0;
}

int Smooth_Callback(int panel, int control, int event) {
    if (event == ui::EVENT_COMMIT && control == kApplySmooth) {
        Workspace& ws = workspace();
        try {
            RequireEditableProfile(ws);
            const int width = ui::GetCtrlInt(panel, kWidth);
            CheckSmoothWidth(width, ws.datapts);
            ui::SetWaitCursor(1);
            RemoveOutputPlot(ws);
            ApplySmoothing(ws, width);
            MakeGraph(ws.Magnitude, kPlotProfile);
            ui::SetWaitCursor(0);
        } catch (const Refusal& r) {
            Report(r);
        }
    }
    ui::HidePanel(panel);
    return 0;
}

}  // namespace pelorin

// The profile plot, the output-spectrum plot, the graph cursors and zoom.
#include <algorithm>
#include <vector>

#include "app/pelorin.h"
#include "display/maxmin.h"
#include "platform/ui.h"

namespace pelorin {

namespace {

void ReadCursors(Workspace& ws) {
    double y = 0.0;
    ui::GetGraphCursor(ws.GraphHandle, kGraph, 1, ws.cursor1, y);
    ui::GetGraphCursor(ws.GraphHandle, kGraph, 2, ws.cursor2, y);
}

}  // namespace

int MakeGraph(std::span<const double> y, int kind) {
    Workspace& ws = workspace();
    const int count = static_cast<int>(y.size());
    // The axis runs from 0 to just below the bandwidth whatever the count, so
    // that the N profile points and the 2N spectrum points span one range.
    std::vector<double> x(y.size());
    for (int i = 0; i < count; ++i)
        x[i] = (i * ws.bandwidth) / count;
    if (kind == kPlotProfile) {
        if (ws.MagFlag == 1)
            ui::DeleteGraphPlot(ws.GraphHandle, kGraph, ws.MagPlot);
        ws.MagPlot = ui::PlotXY(ws.GraphHandle, kGraph, x, y, ui::VAL_RED);
        ws.MagFlag = 1;
        ReadCursors(ws);
    } else if (kind == kPlotOutput) {
        if (ws.OutFlag == 1)
            ui::DeleteGraphPlot(ws.GraphHandle, kGraph, ws.OutPlot);
        double max = 0.0, min = 0.0;
        int imax = 0, imin = 0;
        if (MaxMin1D(y, max, imax, min, imin) == 0 && max > 100.0)
            ui::SetAxisRange(ws.GraphHandle, kGraph, ui::VAL_NO_CHANGE, 0.0, 0.0, ui::VAL_MANUAL,
                             0.0, max);
        ws.OutPlot = ui::PlotXY(ws.GraphHandle, kGraph, x, y, ui::VAL_BLUE);
        ws.OutFlag = 1;
    }
    return 0;
}

int Graph_Callback(int panel, int control, int event) {
    if (event != ui::EVENT_VALUE_CHANGED)
        return 0;
    Workspace& ws = workspace();
    double y = 0.0;
    ui::GetGraphCursor(panel, control, 1, ws.cursor1, y);
    ui::GetGraphCursor(panel, control, 2, ws.cursor2, y);
    return 0;
}

void Zoom_Callback(int /*menubar*/, int item, int /*panel*/) {
    Workspace& ws = workspace();
    ui::SetWaitCursor(1);
    if (ws.cursor2 < ws.cursor1)
        std::swap(ws.cursor1, ws.cursor2);
    double xmin = 0.0, xmax = 0.0, ymin = 0.0, ymax = 0.0;
    if (item == kMenuZoomCursors) {
        ui::GetAxisRange(ws.GraphHandle, kGraph, xmin, xmax, ymin, ymax);
        ws.tempfreqmin = xmin;
        ws.tempfreqmax = xmax;
        ui::SetAxisRange(ws.GraphHandle, kGraph, ui::VAL_MANUAL, ws.cursor1, ws.cursor2,
                         ui::VAL_NO_CHANGE, 0.0, 0.0);
    } else if (item == kMenuZoomPrevious) {
        ui::GetAxisRange(ws.GraphHandle, kGraph, xmin, xmax, ymin, ymax);
        // Before any zoom there is no previous view: show the full range.
        const bool none = !(ws.tempfreqmax > ws.tempfreqmin);
        ui::SetAxisRange(ws.GraphHandle, kGraph, ui::VAL_MANUAL, none ? 0.0 : ws.tempfreqmin,
                         none ? ws.bandwidth : ws.tempfreqmax, ui::VAL_NO_CHANGE, 0.0, 0.0);
        ws.tempfreqmin = xmin;
        ws.tempfreqmax = xmax;
    } else if (item == kMenuZoomFull) {
        ui::SetAxisRange(ws.GraphHandle, kGraph, ui::VAL_MANUAL, 0.0, ws.bandwidth,
                         ui::VAL_NO_CHANGE, 0.0, 0.0);
    }
    ui::RefreshGraph(ws.GraphHandle, kGraph);
    ReadCursors(ws);
    ui::SetWaitCursor(0);
}

}  // namespace pelorin

// The profile plot, the output-spectrum plot, the graph cursors and zoom.
#include <algorithm>
#include <vector>

#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {

constexpr int kGraph = ids::Main::kGraph;

void ReadCursors() {
    Screen& s = screen();
    double y = 0.0;
    ui::GetGraphCursor(s.GraphHandle, kGraph, 1, s.cursor1, y);
    ui::GetGraphCursor(s.GraphHandle, kGraph, 2, s.cursor2, y);
}

}  // namespace

int MakeGraph(std::span<const double> y, int kind) {
    Workspace& ws = workspace();
    Screen& s = screen();
    if (kind == kPlotProfile) {
        // The workspace's own profile is drawn where it lies; a plot of other
        // values (a series member's part) is a copy.
        const bool own = y.data() == ws.Magnitude.data();
        s.MagPlot = own ? ui::PlotView(s.GraphHandle, kGraph, s.MagFlag == 1 ? s.MagPlot : 0, y,
                                       ws.bandwidth, ui::VAL_RED, "Profile")
                        : ui::PlotSpectrum(s.GraphHandle, kGraph, s.MagFlag == 1 ? s.MagPlot : 0, y,
                                           ws.bandwidth, ui::VAL_RED, "Profile");
        s.MagFlag = 1;
        ReadCursors();
    } else if (kind == kPlotOutput) {
        s.OutPlot = ui::PlotSpectrum(s.GraphHandle, kGraph, s.OutFlag == 1 ? s.OutPlot : 0, y,
                                     ws.bandwidth, ui::VAL_BLUE, "Spectrum check");
        s.OutFlag = 1;
    }
    return 0;
}

int MakeGraph(std::vector<double>&& y, int kind) {
    Workspace& ws = workspace();
    Screen& s = screen();
    if (kind != kPlotOutput)
        return MakeGraph(std::span<const double>(y), kind);
    s.OutPlot = ui::PlotSpectrum(s.GraphHandle, kGraph, s.OutFlag == 1 ? s.OutPlot : 0,
                                 std::move(y), ws.bandwidth, ui::VAL_BLUE, "Spectrum check");
    s.OutFlag = 1;
    return 0;
}

int Graph_Callback(int panel, int control, int event) {
    if (event != ui::EVENT_VALUE_CHANGED)
        return 0;
    Screen& s = screen();
    double y = 0.0;
    ui::GetGraphCursor(panel, control, 1, s.cursor1, y);
    ui::GetGraphCursor(panel, control, 2, s.cursor2, y);
    return 0;
}

void Zoom_Callback(int /*menubar*/, int item, int /*panel*/) {
    Screen& s = screen();
    BusyCursor busy;
    if (s.cursor2 < s.cursor1)
        std::swap(s.cursor1, s.cursor2);
    double xmin = 0.0, xmax = 0.0, ymin = 0.0, ymax = 0.0;
    if (item == ids::Main::kMenuZoomCursors) {
        ui::GetAxisRange(s.GraphHandle, kGraph, xmin, xmax, ymin, ymax);
        s.tempfreqmin = xmin;
        s.tempfreqmax = xmax;
        // A margin of a twentieth each side keeps both cursors in sight, off
        // the axes.
        const double margin = (s.cursor2 - s.cursor1) / 20.0;
        ui::SetAxisRange(s.GraphHandle, kGraph, ui::VAL_MANUAL, s.cursor1 - margin,
                         s.cursor2 + margin, ui::VAL_NO_CHANGE, 0.0, 0.0);
    } else if (item == ids::Main::kMenuZoomPrevious) {
        ui::GetAxisRange(s.GraphHandle, kGraph, xmin, xmax, ymin, ymax);
        // Before any zoom there is no previous view: show the full range.
        const bool none = !(s.tempfreqmax > s.tempfreqmin);
        ui::SetAxisRange(s.GraphHandle, kGraph, ui::VAL_MANUAL, none ? 0.0 : s.tempfreqmin,
                         none ? s.bandwidth : s.tempfreqmax, ui::VAL_NO_CHANGE, 0.0, 0.0);
        s.tempfreqmin = xmin;
        s.tempfreqmax = xmax;
    } else if (item == ids::Main::kMenuZoomFull) {
        ui::SetAxisRange(s.GraphHandle, kGraph, ui::VAL_MANUAL, 0.0, s.bandwidth, ui::VAL_NO_CHANGE,
                         0.0, 0.0);
    }
    ui::RefreshGraph(s.GraphHandle, kGraph);
    ReadCursors();
}

}  // namespace pelorin

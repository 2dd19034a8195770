// The SWIM panel: one modulated band on the current profile, or a numbered
// series of waveforms, one per nodes value.
#include "app/operations.h"
#include "app/pelorin.h"
#include "platform/ui.h"

namespace pelorin {

namespace {

enum SwimControl {
    kSmooth = 2,
    kSeries = 3,
    kBoundSource = 4,
    kRun = 6,
    kLastNodes = 7,
    kNodes = 8,
    kPeak = 9,
    kFirstBound = 10,
    kSecondBound = 11,
    kBase = 12,
    kLaw = 13,
};

}  // namespace

int MakeSWIM_Callback(int panel, int control, int event) {
    if (event == ui::EVENT_COMMIT && control == kRun) {
        Workspace& ws = workspace();
        try {
            RequireEditableProfile(ws);
            ui::SetWaitCursor(1);
            RemoveOutputPlot(ws);
            const double base = ui::GetCtrlVal(panel, kBase);
            const double peak = ui::GetCtrlVal(panel, kPeak);
            const std::uint32_t nodes = ui::GetCtrlUInt(panel, kNodes);
            const int law = ui::GetCtrlInt(panel, kLaw);
            const int source = ui::GetCtrlInt(panel, kBoundSource);
            const bool series = ui::GetCtrlInt(panel, kSeries) != 0;
            const bool smooth = ui::GetCtrlInt(panel, kSmooth) != 0;
            if (source == 0) {
                ws.cursor2 = ui::GetCtrlVal(panel, kSecondBound);
                ws.cursor1 = ui::GetCtrlVal(panel, kFirstBound);
            }
            OrderBounds(ws);
            if (!series) {
                ApplySwim(ws, base, peak, nodes, law);
                MakeGraph(ws.Magnitude, kPlotProfile);
            } else {
                const std::uint32_t last = ui::GetCtrlUInt(panel, kLastNodes);
                const auto name = AskSeriesName();
                if (!name) {
                    ui::SetWaitCursor(0);
                    return 0;  // the panel stays open for another try
                }
                RunSeriesWithProgress("SWIM series", [&](const SeriesProgress& progress) {
                    return RunSwimSeries(ws, base, peak, nodes, last, law, smooth, *name, progress);
                });
            }
            ui::SetWaitCursor(0);
        } catch (const Refusal& r) {
            Report(r);
        }
    }
    ui::HidePanel(panel);
    return 0;
}

int Batch_Callback(int panel, int /*control*/, int event) {
    if (event != ui::EVENT_VALUE_CHANGED)
        return 0;
    const bool series = ui::GetCtrlInt(panel, kSeries) != 0;
    ui::SetCtrlLabel(panel, kNodes, series ? "Minimum nodes" : "Nodes");
    ui::SetCtrlDimmed(panel, kLastNodes, !series);
    ui::SetCtrlDimmed(panel, kSmooth, !series);
    return 0;
}

}  // namespace pelorin

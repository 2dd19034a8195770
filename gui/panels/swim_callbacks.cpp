// The SWIM panel: one modulated band on the current profile, or a numbered
// series of waveforms, one per nodes value.
#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {
namespace id = ids::Swim;
}  // namespace

int MakeSWIM_Callback(int panel, int control, int event) {
    return PanelCommand(panel, control, event, id::kRun, [panel] {
        Workspace& ws = workspace();
        RequireEditableProfile(ws);
        const double base = ui::GetCtrlVal(panel, id::kBase);
        const double peak = ui::GetCtrlVal(panel, id::kPeak);
        const std::uint32_t nodes = ui::GetCtrlUInt(panel, id::kNodes);
        const int law = ui::GetCtrlInt(panel, id::kLaw);
        const bool series = ui::GetCtrlInt(panel, id::kSeries) != 0;
        const bool smooth = ui::GetCtrlInt(panel, id::kSmoothMembers) != 0;
        const bool typed = ui::GetCtrlInt(panel, id::kSource) == 0;
        const bool mz = typed && ws.screen.mzaxis;
        if (typed && !mz)
            ReadTypedWindow(ws, panel, id::kFrom, id::kTo);
        OrderBounds(ws);
        BandIndices indices{};
        try {
            indices =
                mz ? MzBand(ws, ui::GetCtrlVal(panel, id::kFrom), ui::GetCtrlVal(panel, id::kTo))
                   : SwimBand(ws);
        } catch (const Refusal& r) {
            throw EntryRefusal(r, id::kFrom);
        }
        std::string band;
        StepEntries entries = {{"law", std::to_string(law)},
                               {"nodes", std::to_string(nodes)},
                               {"base", StepNumber(base)},
                               {"peak", StepNumber(peak)}};
        for (auto& entry : WindowEntries(ws, panel, id::kFrom, id::kTo, typed, &band))
            entries.push_back(std::move(entry));
        if (!series) {
            try {
                ui::RunBusy("Modulating the band",
                            [&] { ApplySwim(ws, indices, base, peak, nodes, law); });
            } catch (const Refusal& r) {
                if (!typed)
                    throw;
                throw EntryRefusal(r, id::kFrom);
            }
            RemoveOutputPlot(ws);
            MakeGraph(ws.Magnitude, kPlotProfile);
            RecordEdit("SWIM " + band, "swim", entries);
            return true;
        }
        const std::uint32_t last = ui::GetCtrlUInt(panel, id::kLastNodes);
        const auto name = AskSeriesName();
        if (!name)
            return false;  // the panel stays open for another try
        ws.synthesis = PanelPhaseChoice();
        RunSeriesWithProgress("SWIM series", *name, [&](const SeriesProgress& progress) {
            return RunSwimSeries(ws, indices, base, peak, nodes, last, law, smooth, *name,
                                 progress);
        });
        entries.emplace_back("last", std::to_string(last));
        entries.emplace_back("smooth", smooth ? "1" : "0");
        entries.emplace_back("file", name->stem + name->extension);
        RecordPhase(entries, ws.synthesis);
        RecordSeries("swim", entries);
        return true;
    });
}

int Batch_Callback(int panel, int /*control*/, int event) {
    if (event != ui::EVENT_VALUE_CHANGED)
        return 0;
    const bool series = ui::GetCtrlInt(panel, id::kSeries) != 0;
    ui::SetCtrlLabel(panel, id::kNodes, series ? "Minimum nodes" : "Nodes");
    ui::SetCtrlDimmed(panel, id::kLastNodes, !series);
    ui::SetCtrlDimmed(panel, id::kSmoothMembers, !series);
    return 0;
}

}  // namespace pelorin

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
        RequireEditableProfile(workspace());
        const bool series = ui::GetCtrlInt(panel, id::kSeries) != 0;
        const bool typed = ui::GetCtrlInt(panel, id::kSource) == 0;
        std::string band;
        StepEntries entries = {{"law", std::to_string(ui::GetCtrlInt(panel, id::kLaw))},
                               {"nodes", std::to_string(ui::GetCtrlUInt(panel, id::kNodes))},
                               {"base", StepNumber(ui::GetCtrlVal(panel, id::kBase))},
                               {"peak", StepNumber(ui::GetCtrlVal(panel, id::kPeak))}};
        for (auto& entry : WindowEntries(panel, id::kFrom, id::kTo, typed, &band))
            entries.push_back(std::move(entry));
        if (!series) {
            RunWindowStep("swim", entries, "SWIM " + band, typed, id::kFrom);
            return true;
        }
        entries.emplace_back("last", std::to_string(ui::GetCtrlUInt(panel, id::kLastNodes)));
        entries.emplace_back("smooth", ui::GetCtrlInt(panel, id::kSmoothMembers) != 0 ? "1" : "0");
        const auto name = AskSeriesName();
        if (!name)
            return false;  // the panel stays open for another try
        entries.emplace_back("file", name->stem + name->extension);
        RecordPhase(entries, PanelPhaseChoice());
        RunSeriesStep("SWIM series", "swim", entries, *name);
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

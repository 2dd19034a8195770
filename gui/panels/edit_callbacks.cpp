// The notch and smoothing panels.
#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

int MakeNotch_Callback(int panel, int control, int event) {
    namespace id = ids::Notch;
    return PanelCommand(panel, control, event, id::kApply, [panel] {
        RequireEditableProfile(workspace());
        const double level = ui::GetCtrlVal(panel, id::kLevel);
        const bool typed = ui::GetCtrlInt(panel, id::kSource) == 0;
        std::string window;
        StepEntries entries = WindowEntries(panel, id::kFrom, id::kTo, typed, &window);
        entries.emplace_back("level", StepNumber(level));
        const std::string what = level == 0.0   ? "notch"
                                 : level == 1.0 ? "band"
                                                : "level " + StepNumber(level);
        // A typed window the profile cannot hold, or one too narrow to notch,
        // keeps the panel open with its bound selected.
        RunWindowStep("notch", entries, what + " " + window, typed, id::kFrom);
        return true;
    });
}

int Smooth_Callback(int panel, int control, int event) {
    namespace id = ids::Smooth;
    return PanelCommand(panel, control, event, id::kApply, [panel] {
        RequireEditableProfile(workspace());
        const int width = ui::GetCtrlInt(panel, id::kWidth);
        try {
            RunStep("smooth", {{"width", std::to_string(width)}},
                    "smoothing over " + std::to_string(width) + " points");
        } catch (const Refusal& r) {
            throw EntryRefusal(r, id::kWidth);
        }
        RemoveOutputPlot();
        MakeGraph(workspace().Magnitude, kPlotProfile);
        return true;
    });
}

}  // namespace pelorin

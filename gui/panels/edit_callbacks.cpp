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
        const double level = ui::GetCtrlVal(panel, id::kLevel);
        const bool typed = ui::GetCtrlInt(panel, id::kSource) == 0;
        const bool mz = typed && ws.screen.mzaxis;
        if (typed && !mz)
            ReadTypedWindow(ws, panel, id::kFrom, id::kTo);
        std::string window;
        StepEntries entries = WindowEntries(ws, panel, id::kFrom, id::kTo, typed, &window);
        if (mz) {
            // A window the calibration cannot place, or too narrow to notch,
            // keeps the panel open with its bound selected.
            const double from = ui::GetCtrlVal(panel, id::kFrom);
            const double to = ui::GetCtrlVal(panel, id::kTo);
            try {
                ui::RunBusy("Setting the window", [&] { ApplyMzNotch(ws, from, to, level); });
            } catch (const Refusal& r) {
                throw EntryRefusal(r, id::kFrom);
            }
        } else {
            try {
                ui::RunBusy("Setting the window", [&] { ApplyNotch(ws, level); });
            } catch (const Refusal& r) {
                if (!typed)
                    throw;
                throw EntryRefusal(r, id::kFrom);
            }
        }
        RemoveOutputPlot(ws);
        MakeGraph(ws.Magnitude, kPlotProfile);
        entries.emplace_back("level", StepNumber(level));
        const std::string what = level == 0.0   ? "notch"
                                 : level == 1.0 ? "band"
                                                : "level " + StepNumber(level);
        RecordEdit(what + " " + window, "notch", entries);
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
        RecordEdit("smoothing over " + std::to_string(width) + " points", "smooth",
                   {{"width", std::to_string(width)}});
        return true;
    });
}

}  // namespace pelorin

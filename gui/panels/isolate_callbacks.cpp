// The isolation panel: the targets to keep, their window width and the m/z
// range everything else is ejected from.
#include <cstdlib>
#include <string>
#include <vector>

#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {

namespace iso = ids::Isolate;

// The targets in the list, as they were typed: each label is the shortest
// text of its value.
std::vector<double> Targets(int panel) {
    std::vector<double> targets;
    const int n = ui::GetNumListItems(panel, iso::kList);
    for (int i = 0; i < n; ++i)
        targets.push_back(
            std::strtod(ui::GetLabelFromIndex(panel, iso::kList, i).c_str(), nullptr));
    return targets;
}

}  // namespace

// The isolation panel's range: the default one while the operator has not
// asked for another.
void ShowMassRange(const Workspace& ws) {
    const int panel = screen().IsolateHandle;
    if (!panel || ui::GetCtrlInt(panel, iso::kRanged) != 0 || !ws.mass_refusal.empty())
        return;
    ui::SetCtrlVal(panel, iso::kFrom, ws.lowmass);
    ui::SetCtrlVal(panel, iso::kTo, ws.highmass);
}

int IsolateList_Callback(int panel, int control, int event) {
    if (event != ui::EVENT_COMMIT)
        return 0;
    if (control == iso::kDelete) {
        const int index = ui::GetCtrlIndex(panel, iso::kList);
        if (index >= 0)
            ui::DeleteListItem(panel, iso::kList, index, 1);
    } else if (control == iso::kAdd) {
        // In rising order, each target once.
        const double target = ui::GetCtrlVal(panel, iso::kTarget);
        const std::vector<double> targets = Targets(panel);
        std::size_t at = 0;
        while (at < targets.size() && targets[at] < target)
            ++at;
        if (at == targets.size() || targets[at] != target)
            ui::InsertListItem(panel, iso::kList, static_cast<int>(at), StepNumber(target),
                               static_cast<float>(target));
    }
    return 0;
}

int IsolateRange_Callback(int panel, int /*control*/, int event) {
    if (event != ui::EVENT_COMMIT && event != ui::EVENT_VALUE_CHANGED)
        return 0;
    const bool ranged = ui::GetCtrlInt(panel, iso::kRanged) != 0;
    ui::SetCtrlDimmed(panel, iso::kFrom, !ranged);
    ui::SetCtrlDimmed(panel, iso::kTo, !ranged);
    ShowMassRange(workspace());
    return 0;
}

int Isolate_Callback(int panel, int control, int event) {
    return PanelCommand(panel, control, event, iso::kApply, [panel] {
        Workspace& ws = workspace();
        RequireEditableProfile(ws);
        // The list, or with none listed the one target typed.
        std::vector<double> targets = Targets(panel);
        if (targets.empty())
            targets.push_back(ui::GetCtrlVal(panel, iso::kTarget));
        const double width = ui::GetCtrlVal(panel, iso::kWidth);
        std::optional<std::pair<double, double>> range;
        if (ui::GetCtrlInt(panel, iso::kRanged) != 0)
            range = {ui::GetCtrlVal(panel, iso::kFrom), ui::GetCtrlVal(panel, iso::kTo)};
        StepEntries entries;
        for (double t : targets)
            entries.emplace_back("mz", StepNumber(t));
        entries.emplace_back("width", StepNumber(width));
        if (range) {
            entries.emplace_back("from-mz", StepNumber(range->first));
            entries.emplace_back("to-mz", StepNumber(range->second));
        }
        const std::string what =
            "isolation of m/z " + StepNumber(targets.front()) +
            (targets.size() > 1 ? " and " + std::to_string(targets.size() - 1) + " more" : "");
        try {
            RunStep("isolate", entries, what);
        } catch (const NarrowWindow& r) {
            throw EntryRefusal(r, iso::kWidth);
        } catch (const Refusal& r) {
            throw EntryRefusal(r, range ? iso::kFrom : iso::kTarget);
        }
        RemoveOutputPlot();
        MakeGraph(ws.Magnitude, kPlotProfile);
        return true;
    });
}

}  // namespace pelorin

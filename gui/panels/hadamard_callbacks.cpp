// The Hadamard panel: the frequency list with its buttons, the row selector
// and the build command for one row or the whole batch.
#include <algorithm>
#include <string>

#include "core/edit/freqlist.h"
#include "core/synth/hadamard.h"
#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {

namespace id = ids::Hadamard;

// Writes the list as a peak list.
void SaveList() {
    const auto chosen = AskPath("*.pks", "Save the frequency list", ui::VAL_SAVE_BUTTON);
    if (!chosen)
        return;
    const std::string& path = *chosen;
    try {
        const std::vector<float>& list = workspace().frequencies;
        const std::size_t inexact = WritePeakList(path, list);
        ui::RememberFolder("*.pks", path);
        ui::ShowStatusMessage(screen().GraphHandle,
                              "Saved " + std::to_string(list.size()) + " frequencies to " + path);
        if (inexact > 0)
            ui::MessagePopup("Peak list",
                             std::to_string(inexact) +
                                 " of the frequencies lie where a peak list's single-precision "
                                 "Hz value cannot land exactly: each reads back one unit in "
                                 "its last place away.");
    } catch (const Refusal& r) {
        Report(r);
    }
}

// Merges a peak list into the list. The design keeps the values, not the
// file they came from: one step adds each new value.
void ReadList() {
    const auto path = AskPath("*.pks", "Read a peak list", ui::VAL_SELECT_BUTTON);
    if (!path)
        return;
    try {
        std::vector<float> merged = workspace().frequencies;
        const std::string text = MergePeakFile(merged, *path);
        const std::vector<float> before = workspace().frequencies;
        for (float f : merged)
            if (!std::binary_search(before.begin(), before.end(), f))
                RunStep("freq", {{"add", StepNumber(f)}}, "adding " + StepNumber(f) + " kHz");
        ShowFrequencyList();
        ui::MessagePopup("Peak list", text);
    } catch (const Refusal& r) {
        Report(r);
    }
}

}  // namespace

void ShowFrequencyList() {
    const int panel = screen().HadamardHandle;
    if (!panel || !ui::PanelExists(panel))
        return;
    const std::vector<float>& list = workspace().frequencies;
    const int selected = ui::GetCtrlIndex(panel, id::kList);
    const int count = ui::GetNumListItems(panel, id::kList);
    if (count > 0)
        ui::DeleteListItem(panel, id::kList, 0, count);
    for (float f : list)
        ui::InsertListItem(panel, id::kList, -1, FrequencyListLabel(f), f);
    if (selected >= 0 && static_cast<std::size_t>(selected) < list.size())
        ui::SetCtrlIndex(panel, id::kList, selected);
    AdjustHadamard(panel);
}

void AdjustHadamard(int panel) {
    const int n = ui::GetNumListItems(panel, id::kList);
    if (n > 0)
        ui::SetCtrlMaximum(panel, id::kRow, HadamardOrder(n) - 1);
    ui::SetCtrlDimmed(panel, id::kRow, ui::GetCtrlInt(panel, id::kBatch) != 0);
}

int FreqListCallback(int panel, int control, int event) {
    if (event != ui::EVENT_COMMIT)
        return 0;
    try {
        if (control == id::kRead) {
            ReadList();
        } else if (control == id::kDelete) {
            const int index = ui::GetCtrlIndex(panel, id::kList);
            if (index >= 0) {
                RunStep(
                    "freq", {{"delete", std::to_string(index)}},
                    "deleting " +
                        StepNumber(workspace().frequencies.at(static_cast<std::size_t>(index))) +
                        " kHz");
                ShowFrequencyList();
            }
        } else if (control == id::kSave) {
            SaveList();
        } else if (control == id::kAdd) {
            const float khz =
                static_cast<float>(FrequencyEntry(workspace(), panel, id::kFrequency));
            RunStep("freq", {{"add", StepNumber(khz)}}, "adding " + StepNumber(khz) + " kHz");
            ShowFrequencyList();
        }
    } catch (const EntryRefusal& r) {
        Report(r);
        ui::SelectCtrl(panel, r.control());
    } catch (const Refusal& r) {
        Report(r);
    }
    AdjustHadamard(panel);
    return 0;
}

int HadamBatchCallback(int panel, int /*control*/, int event) {
    if (event == ui::EVENT_COMMIT)
        AdjustHadamard(panel);
    return 0;
}

int DoHadamardCallback(int panel, int control, int event) {
    return PanelCommand(panel, control, event, id::kBuild, [panel] {
        const double width = ui::GetCtrlVal(panel, id::kWidth);
        // Refused before a file is asked for.
        PrepareHadamard(workspace(), width);
        if (ui::GetCtrlInt(panel, id::kBatch) != 0) {
            if (const auto name = AskSeriesName()) {
                StepEntries entries = {{"width", StepNumber(width)},
                                       {"batch", name->stem + name->extension}};
                RecordPhase(entries, PanelPhaseChoice());
                RunSeriesStep("Hadamard batch", "hadamard", entries, *name);
            }
        } else {
            const int row = ui::GetCtrlInt(panel, id::kRow);
            RunStep("hadamard", {{"width", StepNumber(width)}, {"row", std::to_string(row)}},
                    "Hadamard row " + std::to_string(row));
            MakeGraph(workspace().Magnitude, kPlotProfile);
        }
        return true;
    });
}

}  // namespace pelorin

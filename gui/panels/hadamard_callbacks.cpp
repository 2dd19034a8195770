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

// Inserts the values of `merged` that the list box lacks, in order.
void ShowList(int panel, int control, const std::vector<float>& merged) {
    for (std::size_t i = 0; i < merged.size(); ++i) {
        const int count = ui::GetNumListItems(panel, control);
        if (static_cast<int>(i) >= count ||
            ui::GetValueFromIndex(panel, control, static_cast<int>(i)) != merged[i])
            ui::InsertListItem(panel, control, static_cast<int>(i), FrequencyListLabel(merged[i]),
                               merged[i]);
    }
}

// Writes the list as a peak list.
void SaveList(int panel) {
    const auto chosen = AskPath("*.pks", "Save the frequency list", ui::VAL_SAVE_BUTTON);
    if (!chosen)
        return;
    const std::string& path = *chosen;
    try {
        const std::vector<float> list = ReadFloatList(panel, id::kList);
        const std::size_t inexact = WritePeakList(path, list);
        ui::RememberFolder("*.pks", path);
        ui::ShowStatusMessage(workspace().screen.GraphHandle,
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

}  // namespace

std::vector<float> ReadFloatList(int panel, int control) {
    std::vector<float> list(static_cast<std::size_t>(ui::GetNumListItems(panel, control)));
    for (std::size_t i = 0; i < list.size(); ++i)
        list[i] = ui::GetValueFromIndex(panel, control, static_cast<int>(i));
    return list;
}

void AddToFloatList(int panel, int control, float value) {
    std::vector<float> list = ReadFloatList(panel, control);
    std::size_t index = 0;
    if (AddToFloatList(list, value, &index))
        ui::InsertListItem(panel, control, static_cast<int>(index), FrequencyListLabel(value),
                           value);
}

int ReadList(int panel, int control) {
    ui::FileSelectRequest request;
    request.default_spec = "*.pks";
    request.button = ui::VAL_SELECT_BUTTON;
    request.restrict_extension = true;
    std::string path;
    if (ui::FileSelectPopup(request, path) != ui::VAL_EXISTING_FILE_SELECTED)
        return 0;
    try {
        std::vector<float> list = ReadFloatList(panel, control);
        const std::vector<float> before = list;
        const std::string text = MergePeakFile(list, path);
        ShowList(panel, control, list);
        // The design keeps the values, not the file they came from.
        for (float f : list)
            if (!std::binary_search(before.begin(), before.end(), f))
                RecordStep("freq", {{"add", StepNumber(f)}});
        ui::MessagePopup("Peak list", text);
    } catch (const Refusal& r) {
        Report(r);
        return -1;
    }
    return 0;
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
    if (control == id::kRead) {
        ReadList(panel, id::kList);
    } else if (control == id::kDelete) {
        const int index = ui::GetCtrlIndex(panel, id::kList);
        if (index >= 0) {
            ui::DeleteListItem(panel, id::kList, index, 1);
            RecordStep("freq", {{"delete", std::to_string(index)}});
        }
    } else if (control == id::kSave) {
        SaveList(panel);
    } else if (control == id::kAdd) {
        try {
            const double khz = FrequencyEntry(workspace(), panel, id::kFrequency);
            AddToFloatList(panel, id::kList, static_cast<float>(khz));
            RecordStep("freq", {{"add", StepNumber(static_cast<float>(khz))}});
        } catch (const EntryRefusal& r) {
            Report(r);
            ui::SelectCtrl(panel, r.control());
        }
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
        Workspace& ws = workspace();
        const std::vector<float> list = ReadFloatList(panel, id::kList);
        const double width = ui::GetCtrlVal(panel, id::kWidth);
        PrepareHadamard(ws, list, width);
        if (ui::GetCtrlInt(panel, id::kBatch) != 0) {
            if (const auto name = AskSeriesName()) {
                ws.synthesis = PanelPhaseChoice();
                RunSeriesWithProgress("Hadamard batch", *name, [&](const SeriesProgress& progress) {
                    return BatchHadamard(ws, list, *name, progress);
                });
                StepEntries entries = {{"width", StepNumber(width)},
                                       {"batch", name->stem + name->extension}};
                RecordPhase(entries, ws.synthesis);
                RecordSeries("hadamard", entries);
            }
        } else {
            const int row = ui::GetCtrlInt(panel, id::kRow);
            ui::RunBusy("Building the row", [&] { ApplyHadamardRow(ws, list, row); });
            MakeGraph(ws.Magnitude, kPlotProfile);
            RecordEdit("Hadamard row " + std::to_string(row), "hadamard",
                       {{"width", StepNumber(width)}, {"row", std::to_string(row)}});
        }
        return true;
    });
}

}  // namespace pelorin

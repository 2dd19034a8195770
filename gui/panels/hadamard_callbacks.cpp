// The Hadamard panel: the frequency list with its buttons, the row selector
// and the build command for one row or the whole batch.
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
            ui::InsertListItem(panel, control, static_cast<int>(i), FrequencyLabel(merged[i]),
                               merged[i]);
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
        ui::InsertListItem(panel, control, static_cast<int>(index), FrequencyLabel(value), value);
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
        const std::string text = MergePeakFile(list, path);
        ShowList(panel, control, list);
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
        if (index >= 0)
            ui::DeleteListItem(panel, id::kList, index, 1);
    } else if (control == id::kAdd) {
        try {
            const double khz = FrequencyEntry(workspace(), panel, id::kFrequency);
            AddToFloatList(panel, id::kList, static_cast<float>(khz));
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
        PrepareHadamard(ws, list, ui::GetCtrlVal(panel, id::kWidth));
        if (ui::GetCtrlInt(panel, id::kBatch) != 0) {
            if (const auto name = AskSeriesName())
                RunSeriesWithProgress("Hadamard batch", *name, [&](const SeriesProgress& progress) {
                    return BatchHadamard(ws, list, *name, progress);
                });
        } else {
            const int row = ui::GetCtrlInt(panel, id::kRow);
            ui::RunBusy("Building the row", [&] { ApplyHadamardRow(ws, list, row); });
            MakeGraph(ws.Magnitude, kPlotProfile);
        }
        return true;
    });
}

}  // namespace pelorin

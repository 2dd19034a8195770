// The store command.
#include <string>

#include "core/files/swf.h"
#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

void SaveSwift_Callback(int /*menubar*/, int /*item*/, int /*panel*/) {
    const Workspace& ws = workspace();
    try {
        RequireWaveform(ws);
        ui::FileSelectRequest request;
        request.default_spec = "*.swf";
        request.button = ui::VAL_SAVE_BUTTON;
        request.restrict_extension = true;
        std::string path;
        if (ui::FileSelectPopup(request, path) <= 0)
            return;
        BusyCursor busy;
        const std::string file = WithSwfExtension(path);
        ui::RunBusy("Storing " + file, [&] { StoreWaveform(ws, file); });
        Stored(file);
        RecordStep("store", {{"file", file}});
    } catch (const Refusal& r) {
        Report(r);
    }
}

}  // namespace pelorin

// The store command.
#include <string>

#include "core/files/swf.h"
#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

bool StoreWaveformAsked() {
    const Workspace& ws = workspace();
    RequireWaveform(ws);
    ui::FileSelectRequest request;
    request.default_spec = "*.swf";
    request.button = ui::VAL_SAVE_BUTTON;
    request.restrict_extension = true;
    std::string path;
    if (ui::FileSelectPopup(request, path) <= 0)
        return false;
    BusyCursor busy;
    const std::string file = WithSwfExtension(path);
    ui::RunBusy("Storing " + file, [&] { StoreWaveform(ws, file); });
    ui::RememberFolder(request.default_spec, file);
    Stored(file);
    RecordStep("store", {{"file", file}});
    return true;
}

void SaveSwift_Callback(int /*menubar*/, int /*item*/, int /*panel*/) {
    try {
        StoreWaveformAsked();
    } catch (const Refusal& r) {
        Report(r);
    }
}

}  // namespace pelorin

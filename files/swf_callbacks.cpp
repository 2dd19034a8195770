// The store command.
#include <string>

#include "app/operations.h"
#include "app/pelorin.h"
#include "files/swf.h"
#include "platform/ui.h"

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
        path = WithSwfExtension(path);
        ui::SetWaitCursor(1);
        StoreWaveform(ws, path);
        ui::SetWaitCursor(0);
    } catch (const Refusal& r) {
        Report(r);
    }
}

}  // namespace pelorin

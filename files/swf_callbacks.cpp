// The store command.
#include <string>

#include "app/pelorin.h"
#include "files/swf.h"
#include "platform/ui.h"

namespace pelorin {

void SaveSwift_Callback(int /*menubar*/, int /*item*/, int /*panel*/) {
    const Workspace& ws = workspace();
    try {
        if (ws.Swift.empty() || ws.datapts < 1 ||
            ws.Swift.size() < static_cast<std::size_t>(ws.datapts))
            throw Refusal("Error", "There is no waveform to store: synthesise or import one first.");
        ui::FileSelectRequest request;
        request.default_spec = "*.swf";
        request.button = ui::VAL_SAVE_BUTTON;
        request.restrict_extension = true;
        std::string path;
        if (ui::FileSelectPopup(request, path) <= 0)
            return;
        ui::SetWaitCursor(1);
        StoreSwift(path, ws.datapts, ws.bandwidth, ws.Swift);
        ui::SetWaitCursor(0);
    } catch (const Refusal& r) {
        Report(r);
    }
}

}  // namespace pelorin

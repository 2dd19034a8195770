// The store command.
#include <string>

#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

bool StoreWaveformAsked() {
    RequireWaveform(workspace());
    const auto file = AskPath("*.swf", "Store the waveform", ui::VAL_SAVE_BUTTON);
    if (!file)
        return false;
    BusyCursor busy;
    ui::RunBusy("Storing " + *file, [&] { design().Apply(MakeStep("store", {{"file", *file}})); });
    ui::RememberFolder("*.swf", *file);
    Stored(*file);
    ShowEditMenu();
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

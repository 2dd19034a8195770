#include "app/workspace.h"

namespace pelorin {

Workspace& workspace() {
    static Workspace instance;
    return instance;
}

bool ProfileEditable(const Workspace& ws) {
    return ws.SetFlag == 1 && ws.phase == MenuPhase::Editable && ws.datapts > 0 &&
           static_cast<std::size_t>(ws.datapts) == ws.Magnitude.size();
}

void RequireEditableProfile(const Workspace& ws) {
    if (ProfileEditable(ws))
        return;
    if (ws.SetFlag == 0)
        throw Refusal("Error", "There is no profile yet: apply Set/Reset first.");
    throw Refusal("Error",
                  "The profile has been synthesised or replaced by an import and can no "
                  "longer be edited: apply Set/Reset to start a new profile.");
}

}  // namespace pelorin

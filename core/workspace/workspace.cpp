#include "core/workspace/workspace.h"

namespace pelorin {

bool ProfileEditable(const Workspace& ws) {
    return ws.phase == MenuPhase::Editable && !ws.Magnitude.empty();
}

void RequireSetReset(const Workspace& ws) {
    if (!HasProfile(ws))
        throw Refusal("There is no profile yet: apply Set/Reset first.");
}

void RequireEditableProfile(const Workspace& ws) {
    if (ProfileEditable(ws))
        return;
    RequireSetReset(ws);
    throw Refusal(
        "The profile has been synthesised or replaced by an import and can no "
        "longer be edited: apply Set/Reset to start a new profile.");
}

}  // namespace pelorin

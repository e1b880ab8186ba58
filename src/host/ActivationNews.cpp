#include "host/ActivationNews.h"

namespace vorlandite::host {

bool ActivationNews::CountsAsInput(InputKind kind, bool nowActive, bool focusInOwnWindow) {
    if (kind != InputKind::Activate && kind != InputKind::ActivateApp)
        return true;
    bool& active = kind == InputKind::Activate ? windowActive_ : applicationActive_;
    if (nowActive == active)
        return false;  // a repeat
    active = nowActive;
    if (!armed_) {
        // The show's start: armed once the window and the application have both come up.
        armed_ = windowActive_ && applicationActive_;
        return false;
    }
    return !focusInOwnWindow;
}

} // namespace vorlandite::host

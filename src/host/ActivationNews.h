#pragma once
// Which activation news counts as input that may end the show. The toolkit repeats activation
// news (several deliveries, the application's state beside the window's) and the show's own
// start activates the window and the application once; neither is the user's doing. Only a
// change after both have been active once counts, and only when the focus left this program.

#include "host/InputExitPolicy.h"

namespace vorlandite::host {

class ActivationNews {
public:
    // kind: Activate (the show window) or ActivateApp (the application); nowActive: the state
    // the news reports; focusInOwnWindow: the platform's focus is in one of this program's
    // windows (the focus moved between the show's own windows, e.g. the Flash player's view).
    // True when the news is input for the exit policy. Other kinds always count.
    bool CountsAsInput(InputKind kind, bool nowActive, bool focusInOwnWindow);

private:
    bool armed_ = false;
    bool windowActive_ = false;
    bool applicationActive_ = false;
};

} // namespace vorlandite::host

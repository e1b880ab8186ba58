#pragma once
// The password question at the end of a locked show: a small modal dialog above the show that
// asks for the user's login password and checks it (PAM by default).

#include "base/Result.h"
#include "platform/ScreenSaverPassword.h"

#include <functional>
#include <string>

class QDialog;

namespace vorlandite::platform {

class QtPasswordPrompt final : public ScreenSaverPassword {
public:
    // The check of a typed password; an error means no check can be made on this system.
    using Check = std::function<Result<bool>(const std::string& password)>;

    // `check` null: the user's login password through PAM. `bypassWindowManager`: no window
    // manager runs, so the dialog places and raises itself.
    explicit QtPasswordPrompt(Check check = {}, bool bypassWindowManager = false);

    // Asks once: true when the typed password passes, false when it does not or the dialog is
    // cancelled, nullopt when the system cannot check passwords (the show may end).
    std::optional<bool> Verify() override;

    // Called with the dialog once it is shown (tests type into it from here).
    std::function<void(QDialog&)> OnShown;

private:
    Check check_;
    bool bypassWindowManager_;
};

} // namespace vorlandite::platform

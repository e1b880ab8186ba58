#pragma once
// The password question at the end of a locked show: a small modal dialog above the show that
// asks for the user's login password and checks it (PAM by default).
//
// One question is one try. Only a check that passes ends it with a pass; a wrong password, a
// system that cannot check and an account the system refuses keep the show, and the dialog
// says why. After each failed try comes a pause (1, 2, 4, ... s, at most 30 s, on top of PAM's
// own delay) in which no try is taken: the dialog that failed shows the reason and the time
// left, then closes; a question asked meanwhile shows the same and waits. The typed password
// never enters a QString: keys go straight into one locked buffer, wiped after the check.

#include "platform/PamPasswordCheck.h"
#include "platform/ScreenSaverPassword.h"

#include <QString>

#include <chrono>
#include <functional>
#include <optional>

class QDialog;

namespace vorlandite::platform {

class LockedSecret;

// The pause before the next try after `failedTries` failed tries in a row: none before the
// first failure, then 1, 2, 4, ... seconds, at most 30.
std::chrono::seconds PauseAfterFailedTries(int failedTries);

class QtPasswordPrompt final : public ScreenSaverPassword {
public:
    // The check of a typed password.
    using Check = std::function<PasswordCheckResult(const LockedSecret& password)>;
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // `check` null: the user's login password through PAM. `bypassWindowManager`: no window
    // manager runs, so the dialog places and raises itself.
    explicit QtPasswordPrompt(Check check = {}, bool bypassWindowManager = false);

    // Asks once: true when the typed password passes (also an expired one, with a notice on
    // stderr), false otherwise. Never nullopt: a system that cannot check keeps the show.
    std::optional<bool> Verify() override;

    // Failed tries in a row so far.
    int FailedTries() const { return failedTries_; }

    // Called with the dialog once it is shown (tests type into it from here).
    std::function<void(QDialog&)> OnShown;
    // Called with the dialog after a failed check, once it shows the reason.
    std::function<void(QDialog&)> OnFailed;
    // The time the pause is measured on; empty: steady_clock::now.
    Clock now;

private:
    std::chrono::steady_clock::time_point Time() const { return now ? now() : std::chrono::steady_clock::now(); }

    Check check_;
    bool bypassWindowManager_;
    int failedTries_ = 0;
    std::chrono::steady_clock::time_point nextTry_{};
    QString lastReason_;  // why the last try failed, shown until a try passes
};

} // namespace vorlandite::platform

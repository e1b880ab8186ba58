#pragma once
// The desktop's password question at the end of a show. Whether it is asked at all is the
// user's choice in the store ("Control Panel\Desktop", value "ScreenSaveUsePassword"); the
// check itself is a platform service (platform/qt/QtPasswordPrompt). Only a build without any
// such service lets a show that asks end unasked; a service that cannot check keeps the show.

#include "platform/Registry.h"

#include <optional>

namespace vorlandite::platform {

inline constexpr const char* kDesktopKey = "Control Panel\\Desktop";
inline constexpr const char* kScreenSaveUsePasswordValue = "ScreenSaveUsePassword";

// True when the value exists as an integer other than 0, or as text that is such an integer in
// decimal. Missing, or text that is no number: false. An error when that cannot be known: the
// store exists but cannot be read, or the value is there in a form that cannot be read.
Result<bool> ReadScreenSaveUsePassword(Registry& registry);

// The question the show asks before it ends. Fails closed: when the choice cannot be read it
// may have been "yes", so the answer is true (and the reason goes to stderr).
bool ScreenSaveUsePassword(Registry& registry);

class ScreenSaverPassword {
public:
    virtual ~ScreenSaverPassword() = default;
    // Asks the user (modal). true: given; false: not given (wrong, cancelled, or the system
    // could not check it); nullopt: this build has no way to ask at all, so the show may end.
    virtual std::optional<bool> Verify() = 0;
};

} // namespace vorlandite::platform

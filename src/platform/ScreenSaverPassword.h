#pragma once
// The desktop's password question at the end of a show. Whether it is asked at all is the
// user's choice in the store ("Control Panel\Desktop", value "ScreenSaveUsePassword"); the
// check itself is a platform service (platform/qt/QtPasswordPrompt) that may be unable to
// check, in which case the show may end.

#include "platform/Registry.h"

#include <optional>

namespace vorlandite::platform {

inline constexpr const char* kDesktopKey = "Control Panel\\Desktop";
inline constexpr const char* kScreenSaveUsePasswordValue = "ScreenSaveUsePassword";

// True when the value exists as an integer other than 0, or as text that is such an integer in
// decimal. Missing, or text that is no number: false.
bool ScreenSaveUsePassword(Registry& registry);

class ScreenSaverPassword {
public:
    virtual ~ScreenSaverPassword() = default;
    // Asks the user (modal). true: given; false: wrong or cancelled; nullopt: this desktop has
    // no way to ask, so the show may end.
    virtual std::optional<bool> Verify() = 0;
};

} // namespace vorlandite::platform

#include "platform/ScreenSaverPassword.h"

#include <charconv>

namespace vorlandite::platform {

bool ScreenSaveUsePassword(Registry& registry) {
    auto key = registry.OpenKey(kDesktopKey, false);
    if (!key)
        return false;
    if (auto value = (*key)->ReadInteger(kScreenSaveUsePasswordValue); value.ok())
        return *value != 0;
    // Written by hand as text ("1"): the user still asked for a password, and guessing "no" would
    // let anyone end a locked show. Text that is no number asks for nothing, like a missing value.
    if (auto text = (*key)->ReadString(kScreenSaveUsePasswordValue); text.ok()) {
        long long number = 0;
        const char* first = text->data();
        const char* last = first + text->size();
        const auto [end, error] = std::from_chars(first, last, number);
        return error == std::errc() && end == last && number != 0;
    }
    return false;
}

} // namespace vorlandite::platform

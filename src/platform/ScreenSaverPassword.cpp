#include "platform/ScreenSaverPassword.h"

#include <charconv>
#include <cstdio>

namespace vorlandite::platform {

Result<bool> ReadScreenSaveUsePassword(Registry& registry) {
    auto key = registry.FindKey(kDesktopKey);
    if (!key)
        return key.error();
    if (!*key)
        return false;
    const RegistryKey& desktop = **key;
    if (auto value = desktop.ReadInteger(kScreenSaveUsePasswordValue); value.ok())
        return *value != 0;
    // Written by hand as text ("1"): the user still asked for a password, and guessing "no" would
    // let anyone end a locked show. Text that is no number asks for nothing, like a missing value.
    if (auto text = desktop.ReadString(kScreenSaveUsePasswordValue); text.ok()) {
        long long number = 0;
        const char* first = text->data();
        const char* last = first + text->size();
        const auto [end, error] = std::from_chars(first, last, number);
        return error == std::errc() && end == last && number != 0;
    }
    // Stored in another form (a binary value), or on a line of the store that cannot be read:
    // the user may well have asked for it.
    if (desktop.ValueExists(kScreenSaveUsePasswordValue))
        return MakeError("\"" + std::string(kScreenSaveUsePasswordValue) + "\" in " + registry.Location()
                         + " is neither a number nor text");
    if (desktop.ValueUnreadable(kScreenSaveUsePasswordValue))
        return MakeError("the line of \"" + std::string(kScreenSaveUsePasswordValue) + "\" in "
                         + registry.Location() + " cannot be read");
    return false;
}

bool ScreenSaveUsePassword(Registry& registry) {
    auto use = ReadScreenSaveUsePassword(registry);
    if (use)
        return *use;
    std::fprintf(stderr, "vorlandite: %s; the show asks for the password\n", use.message().c_str());
    return true;
}

} // namespace vorlandite::platform

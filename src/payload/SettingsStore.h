#pragma once
// The user's own settings: fifteen values in the registry key named after the screensaver's
// title, which override the author's defaults from the payload header at every start.
//
// There is no settings object of its own: loading writes each stored value over its header
// field (or the effect set string), and every part of the program reads the field. A value that
// is not stored leaves the author's default in place.

#include "base/Result.h"
#include "payload/PayloadRecords.h"
#include "platform/Registry.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vorlandite::payload {

// The fifteen values the configuration dialog writes, in their stored order.
struct StoredSettings {
    int32_t Seconds = 0;
    int32_t Stretch = 0;
    int32_t DisplayOrder = 0;
    bool DesktopStart = false;
    bool Loop = false;
    bool Mute = false;
    bool ShuffleMelody = false;
    std::string Effect;  // effect set string: one byte per enabled effect, its code 1..120
    int32_t EffectSpeed = 0;
    bool PlayOneRandom = false;
    bool ExitMouseMove = false;
    bool ExitMouseButton = false;
    bool ExitKeyboard = false;
    bool ExitESC = false;
    bool UseCustomPlaylist = false;

    bool operator==(const StoredSettings&) const = default;
};

// "\Software\Quenmore\" followed by the title as it is: a backslash in the title nests keys,
// an empty title names "\Software\Quenmore\" itself.
std::string SettingsKeyPath(std::string_view title);

// Loads the stored values over `header`, `strings.EffectList` and `useCustomPlaylist` (false
// unless stored). Without the key nothing changes and nothing is created. Fails, changing
// nothing, on a value of the wrong registry type and on an "Effect" string holding a code
// outside 1..120. Values outside the panel's ranges are taken as they are.
Status LoadSettings(platform::Registry& registry, std::string_view title, TKelFixedSizeInfo& header,
                    TKelVarSizeInfo& strings, bool& useCustomPlaylist);

StoredSettings CurrentSettings(const TKelFixedSizeInfo& header, const TKelVarSizeInfo& strings,
                               bool useCustomPlaylist);

// Opens the key, creating it, writes all fifteen values (flags as integers 0/1, "Effect" as a
// string) and closes it.
Status SaveSettings(platform::Registry& registry, std::string_view title,
                    const StoredSettings& settings);

} // namespace vorlandite::payload

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
#include <functional>
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

// Receives one line per problem met while loading; the default writes it to stderr.
using SettingsWarningSink = std::function<void(const std::string&)>;

// The values the configuration panel writes; a stored value outside them is not used.
inline constexpr int32_t kSecondsRange[2] = {1, 60};
inline constexpr int32_t kStretchRange[2] = {0, 5};
inline constexpr int32_t kDisplayOrderRange[2] = {0, 2};
inline constexpr int32_t kEffectSpeedRange[2] = {1, 10};
inline constexpr int kHighestEffect = 120;  // "Effect" holds codes 1..120

// Loads the stored values over `header`, `strings.EffectList` and `useCustomPlaylist` (false
// unless stored). Without the key nothing changes and nothing is created. The store's problems
// never end the load, as the configuration dialog that would repair them must still open: a
// value of the wrong registry type, outside the range the panel writes, or an "Effect" string
// holding a code outside 1..120 is reported (its name and the store) and keeps its default,
// the author's value from the header; a store that cannot be read is reported and keeps every
// default. So the returned Status is always a success.
Status LoadSettings(platform::Registry& registry, std::string_view title, TKelFixedSizeInfo& header,
                    TKelVarSizeInfo& strings, bool& useCustomPlaylist,
                    const SettingsWarningSink& warn = {});

StoredSettings CurrentSettings(const TKelFixedSizeInfo& header, const TKelVarSizeInfo& strings,
                               bool useCustomPlaylist);

// Opens the key, creating it, writes all fifteen values (flags as integers 0/1, "Effect" as a
// string) and closes it. A failure is a message for the user, naming the store and the reason;
// the settings stored before are then unchanged.
Status SaveSettings(platform::Registry& registry, std::string_view title,
                    const StoredSettings& settings);

} // namespace vorlandite::payload

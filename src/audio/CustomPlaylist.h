#pragma once
// The user's own playlist: full paths of sound files kept per user in the "PlayList" subkey of
// the screensaver's settings key, one string value per entry named item0, item1, ...

#include "platform/Registry.h"

#include <string>
#include <string_view>
#include <vector>

namespace vorlandite::audio {

// "\Software\Quenmore\<title>\PlayList".
std::string PlaylistKeyPath(std::string_view title);

// "item" + index in decimal, without leading zeros.
std::string PlaylistValueName(int index);

// The list the full-screen show plays (`CustomPlaylist`): the run of values from item0 up to the
// first index without a value; anything after such a gap is never read. An empty value stays
// an empty entry, where playback stops. A value that cannot be read as a string (a number
// written by hand) counts as an empty entry and ends the run. A key that cannot be opened gives
// an empty list. The key is created when missing, as the editor does.
std::vector<std::string> LoadCustomPlayListNoWindow(platform::Registry& registry, std::string_view title);

} // namespace vorlandite::audio

#include "audio/CustomPlaylist.h"

#include "payload/SettingsStore.h"

namespace vorlandite::audio {

std::string PlaylistKeyPath(std::string_view title) {
    return payload::SettingsKeyPath(title) + "\\PlayList";
}

std::string PlaylistValueName(int index) {
    return "item" + std::to_string(index);
}

std::vector<std::string> LoadCustomPlayListNoWindow(platform::Registry& registry, std::string_view title) {
    std::vector<std::string> playlist;
    auto key = registry.OpenKey(PlaylistKeyPath(title), true);
    if (!key)
        return playlist;
    for (int i = 0;; ++i) {
        const std::string name = PlaylistValueName(i);
        if (!(*key)->ValueExists(name))
            break;
        // The entry exists before its value is read: an unreadable value leaves it empty, so the
        // music stops there rather than skipping to a later entry.
        playlist.emplace_back();
        auto path = (*key)->ReadString(name);
        if (!path)
            break;
        playlist.back() = std::move(path.value());
    }
    // Nothing was written; closing only ends the key (creating it when it was missing).
    (void)(*key)->Close();
    return playlist;
}

} // namespace vorlandite::audio

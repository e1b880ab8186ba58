#include "audio/EnterSound.h"

#include "payload/ItemExtraction.h"
#include "payload/PayloadLayout.h"
#include "payload/TempFiles.h"

#include <filesystem>
#include <utility>

namespace vorlandite::audio {

namespace {

void RemoveQuietly(const std::string& path) {
    if (path.empty()) return;
    std::error_code ec;
    std::filesystem::remove(path, ec);
}

} // namespace

bool ShouldPlayEnterSound(payload::ItemKind kind, int32_t enterSoundIndex, bool mute, bool previewMode) {
    const bool picture = kind == payload::ItemKind::Picture || kind == payload::ItemKind::Gif;
    return picture && enterSoundIndex >= 0 && !mute && !previewMode;
}

TEnterSound::TEnterSound(EnterSoundSources sources, IMediaPlayer& player)
    : sources_(std::move(sources)), player_(player) {
    if (!sources_.tempFolder.empty() && sources_.tempFolder.back() != '/') sources_.tempFolder += '/';
}

Status TEnterSound::LoadEnterSound(int index) {
    player_.Close();
    // The player's file name is the record of the temporary file in use.
    RemoveQuietly(player_.FileName());
    const std::string target = TemporaryEnterSoundFile(index);
    if (target.empty()) return MakeError("no enter sound " + std::to_string(index));
    // Cleared first, so that a failed extraction cannot leave an older sound to be played.
    RemoveQuietly(target);
    const payload::TKelSoundInfo& sound = sources_.sounds[size_t(index)];
    if (Status extracted =
            payload::ExtractItem(sources_.screensaverPath, target, sound.StoredSize > 0,
                                 payload::ItemPosition(sources_.header, sound), sound.StoredSize, sound.Size);
        !extracted)
        return extracted;
    player_.SetFileName(target);
    if (Status opened = player_.Open(); !opened) return opened;
    return player_.Play();
}

void TEnterSound::Finish() {
    player_.Close();
    RemoveQuietly(player_.FileName());
}

std::string TEnterSound::TemporaryEnterSoundFile(int index) const {
    if (index < 0 || size_t(index) >= sources_.sounds.size()) return {};
    return payload::TempFilePath(sources_.tempFolder, payload::kEnterSoundFile, sources_.sounds[size_t(index)].Ext);
}

} // namespace vorlandite::audio

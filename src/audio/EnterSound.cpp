#include "audio/EnterSound.h"

#include "payload/TempFiles.h"

#include <utility>

namespace vorlandite::audio {

bool ShouldPlayEnterSound(payload::ItemKind kind, int32_t enterSoundIndex, bool mute, bool previewMode) {
    const bool picture = kind == payload::ItemKind::Picture || kind == payload::ItemKind::Gif;
    return picture && enterSoundIndex >= 0 && !mute && !previewMode;
}

EnterSound::EnterSound(EnterSoundSources sources, IMediaPlayer& player)
    : sources_(std::move(sources)), player_(player) {
    if (!sources_.tempFolder.empty() && sources_.tempFolder.back() != '/') sources_.tempFolder += '/';
}

Status EnterSound::LoadEnterSound(int index) {
    player_.Close();
    soundFile_.Reset();
    std::string target = TemporaryEnterSoundFile(index);
    if (target.empty()) return MakeError("no enter sound " + std::to_string(index));
    // A failed extraction leaves no file of the name, so no older sound can be played instead.
    const payload::TKelSoundInfo& sound = sources_.sounds[size_t(index)];
    auto extracted = payload::ExtractedFile::Extract(sources_.screensaverPath, std::move(target),
                                                     payload::TableItem(sources_.header, sound));
    if (!extracted) return extracted.error();
    // Kept until the next sound or the finish: the player reads it while it plays.
    soundFile_ = std::move(extracted).value();
    player_.SetFileName(soundFile_.Path());
    if (Status opened = player_.Open(); !opened) return opened;
    return player_.Play();
}

void EnterSound::Finish() {
    player_.Close();
    soundFile_.Reset();
}

std::string EnterSound::TemporaryEnterSoundFile(int index) const {
    if (index < 0 || size_t(index) >= sources_.sounds.size()) return {};
    return payload::TempFilePath(sources_.tempFolder, payload::kEnterSoundFile, sources_.sounds[size_t(index)].Ext);
}

} // namespace vorlandite::audio

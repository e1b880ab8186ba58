#include "audio/MelodyPlayback.h"

#include "payload/TempFiles.h"
#include "base/RandomSource.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <utility>

namespace vorlandite::audio {

namespace {

std::string WithTrailingSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

int ClampedCount(size_t size) {
    return int(std::min<size_t>(size, size_t(std::numeric_limits<int32_t>::max())));
}

} // namespace

MelodyPlayback::MelodyPlayback(MelodySources sources, IRandomSource& random, IMediaPlayer& player)
    : sources_(std::move(sources)), random_(random), player_(player) {
    sources_.tempFolder = WithTrailingSeparator(std::move(sources_.tempFolder));
    if (sources_.useCustomPlaylist) {
        melodyCount_ = ClampedCount(sources_.customPlaylist.size());
    } else {
        // A header that promises more melodies than its table holds (or a negative count) must
        // not lead an index outside the table.
        melodyCount_ = std::clamp(sources_.header.MelodyCount, 0, ClampedCount(sources_.melodies.size()));
        sources_.melodies.resize(size_t(melodyCount_));
    }
    player_.SetNotifyHandler([this](IMediaPlayer::NotifyValue value) { SndPlayNotify(value); });
}

MelodyPlayback::~MelodyPlayback() {
    player_.SetNotifyHandler({});
}

void MelodyPlayback::Start() {
    const payload::TKelFixedSizeInfo& settings = sources_.header;
    if (settings.PlayOneRandom && melodyCount_ > 1) {
        const int chosen = random_.Random(melodyCount_);
        if (sources_.useCustomPlaylist)
            sources_.customPlaylist[0] = sources_.customPlaylist[size_t(chosen)];
        else
            sources_.melodies[0] = sources_.melodies[size_t(chosen)];
        melodyCount_ = 1;
    }
    melodyIndex_ = 0;
    if (settings.Mute) return;
    if (settings.ShuffleMelody)
        Advance();  // the first melody is the last of a fresh shuffled pass
    else
        LoadMelody(0);
}

void MelodyPlayback::LoadMelody(int index) {
    if (finished_ || index < 0 || index >= melodyCount_) return;
    if (sources_.useCustomPlaylist) {
        if (size_t(index) >= sources_.customPlaylist.size()) return;
        const std::string& path = sources_.customPlaylist[size_t(index)];
        std::error_code ec;
        // A missing file (or an empty entry) ends the music: there is no skipping ahead.
        if (path.empty() || !std::filesystem::exists(path, ec)) return;
        CloseQuietly();
        if (!StartFile(path)) return;
        if (started_) started_(index, path);
        return;
    }

    CloseQuietly();
    melodyFile_.Reset();
    // A failed extraction leaves no file of the name: it ends the music instead of replaying an
    // older melody of the same extension.
    const payload::TKelMelodyInfo& melody = sources_.melodies[size_t(index)];
    auto extracted = payload::ExtractedFile::Extract(sources_.screensaverPath, TemporaryMelodyFile(index),
                                                     payload::TableItem(sources_.header, melody));
    if (!extracted) return;
    melodyFile_ = std::move(extracted).value();
    if (!StartFile(melodyFile_.Path())) return;
    if (started_) started_(index, melodyFile_.Path());
}

// Our own Close must not drive the list: Notify off for it (the setting holds for one command).
void MelodyPlayback::CloseQuietly() {
    player_.SetNotify(false);
    player_.Close();
}

Status MelodyPlayback::StartFile(const std::string& path) {
    player_.SetFileName(path);
    if (Status opened = player_.Open(); !opened) return opened;
    player_.SetNotify(true);
    return player_.Play();
}

void MelodyPlayback::SndPlayNotify(IMediaPlayer::NotifyValue value) {
    // A Successful completion may already wait in the event queue when the show finishes.
    if (finished_ || value != IMediaPlayer::NotifyValue::Successful) return;
    Advance();
}

void MelodyPlayback::Advance() {
    CloseQuietly();
    melodyFile_.Reset();
    ChooseNextIndex();
    if (melodyIndex_ >= 0 && melodyIndex_ < melodyCount_) LoadMelody(melodyIndex_);
}

void MelodyPlayback::ChooseNextIndex() {
    const int n = melodyCount_;
    if (!sources_.header.ShuffleMelody) {
        ++melodyIndex_;
        if (melodyIndex_ >= n && sources_.header.Loop) melodyIndex_ = 0;
        return;
    }
    if (shuffleQueue_.empty() && !shuffleSpent_) {
        shuffleQueue_.resize(size_t(n));
        for (int i = 0; i < n; ++i) shuffleQueue_[size_t(i)] = i;
        for (int j = 0; j < n; ++j) std::swap(shuffleQueue_[size_t(j)], shuffleQueue_[size_t(random_.Random(n))]);
    }
    if (shuffleQueue_.empty()) {
        melodyIndex_ = -1;
        return;
    }
    melodyIndex_ = shuffleQueue_.back();
    shuffleQueue_.pop_back();
    if (shuffleQueue_.empty() && !sources_.header.Loop) shuffleSpent_ = true;
}

void MelodyPlayback::Finish() {
    finished_ = true;
    CloseQuietly();
    // Only files this object extracted are removed; the user's own files are never touched.
    melodyFile_.Reset();
}

void MelodyPlayback::RemoveLeftoverFile() {
    melodyFile_.Reset();
    // By name: a file of the current melody that anything left behind goes too.
    if (!sources_.useCustomPlaylist && IsTableIndex(melodyIndex_))
        payload::RemoveLeftover(TemporaryMelodyFile(melodyIndex_));
}

bool MelodyPlayback::IsTableIndex(int index) const {
    return index >= 0 && size_t(index) < sources_.melodies.size();
}

std::string MelodyPlayback::TemporaryMelodyFile(int index) const {
    if (!IsTableIndex(index)) return {};
    return payload::TempFilePath(sources_.tempFolder, payload::kMelodyFile, sources_.melodies[size_t(index)].Ext);
}

} // namespace vorlandite::audio

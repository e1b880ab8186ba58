#pragma once
// Background music of the full-screen show: the payload's melodies or the user's own playlist,
// played one after another through the melody player, in stored or shuffled order, once or
// repeating, or just one melody chosen at random; nothing at all when muted.
//
// Each built-in melody is extracted to the temporary folder as "SSSND" + its extension just
// before it plays and deleted when it has ended or the show finishes. The user's files are
// played where they are and never deleted.
//
// The player's completions drive the list. Only a Successful completion (the melody played to
// its end) advances it; every other value, in particular the Aborted one that the show's own
// Close produces, starts nothing. Any failure to start a melody (a missing user file, a file
// the player cannot open) ends the music for the run without a message.
//
// Everything runs on the thread the player lives on.

#include "audio/IMediaPlayer.h"
#include "payload/ExtractedFile.h"
#include "payload/PayloadRecords.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorlandite {
class IRandomSource;
}

namespace vorlandite::audio {

struct MelodySources {
    // Settings (Mute, Loop, ShuffleMelody, PlayOneRandom, MelodyCount) and the payload layout
    // that melody offsets are counted in.
    payload::TKelFixedSizeInfo header;
    std::vector<payload::TKelMelodyInfo> melodies;
    // The file the built-in melodies are extracted from.
    std::string screensaverPath;
    // Where the temporary melody file goes.
    std::string tempFolder;
    // The user's playlist replaces the built-in one (`UseCustomPlaylist`); its entries come from
    // LoadCustomPlayListNoWindow.
    bool useCustomPlaylist = false;
    std::vector<std::string> customPlaylist;
};

class MelodyPlayback {
public:
    // The player's one completion listener until destroyed. The random source is the program's
    // one generator; both must outlive this object.
    MelodyPlayback(MelodySources sources, IRandomSource& random, IMediaPlayer& player);
    ~MelodyPlayback();
    MelodyPlayback(const MelodyPlayback&) = delete;
    MelodyPlayback& operator=(const MelodyPlayback&) = delete;

    // Start of the full-screen show: prepares the playlist (one random melody when asked) and
    // starts the first melody unless muted. Call once.
    void Start();

    // Starts melody `index` of the active playlist; a failure ends the music silently.
    void LoadMelody(int index);

    // The player's completion: advances to the next melody on Successful only.
    void SndPlayNotify(IMediaPlayer::NotifyValue value);

    // The show finishes: stops the player and deletes the temporary melody file. Later
    // completions are ignored, so nothing starts again.
    void Finish();
    // The main window closes: deletes the current melody's temporary file if it is still there.
    void RemoveLeftoverFile();

    int MelodyCount() const { return melodyCount_; }
    // -1 once a shuffled list is used up; MelodyCount() or more once a stored-order list ended.
    int MelodyIndex() const { return melodyIndex_; }

    // Told of every melody that started playing, with the file the player opened.
    using StartedListener = std::function<void(int index, const std::string& file)>;
    void SetStartedListener(StartedListener listener) { started_ = std::move(listener); }

    // The temporary file melody `index` of the built-in list is extracted to.
    std::string TemporaryMelodyFile(int index) const;

private:
    void Advance();
    void ChooseNextIndex();
    bool IsTableIndex(int index) const;
    void CloseQuietly();
    Status StartFile(const std::string& path);

    MelodySources sources_;
    IRandomSource& random_;
    IMediaPlayer& player_;

    int melodyCount_ = 0;
    int melodyIndex_ = 0;
    std::vector<int32_t> shuffleQueue_;  // consumed from its end
    bool shuffleSpent_ = false;
    bool finished_ = false;
    payload::ExtractedFile melodyFile_;  // the built-in melody the player has, if any
    StartedListener started_;
};

} // namespace vorlandite::audio

#pragma once
// The enter sound of a picture: a short sound from the payload's enter-sound table that starts
// as the picture comes in, on its own player beside the music. A new enter sound cuts off the
// one still playing (even the same sound starts again from its beginning); a picture without
// one leaves a playing sound alone. Nothing happens when a sound ends.
//
// The sound is extracted as "SSSnd" + its extension. The melody's file is "SSSND" + extension:
// the names differ only in letter case, which this platform's file systems keep apart, so a
// melody and an enter sound of the same format never share a file.

#include "audio/IMediaPlayer.h"
#include "payload/ExtractedFile.h"
#include "payload/PayloadRecords.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlandite::audio {

// Whether an item that is about to be shown starts its enter sound: pictures and animated
// pictures with a sound index of 0 or more, never video or Flash items, never when muted or in
// the preview.
bool ShouldPlayEnterSound(payload::ItemKind kind, int32_t enterSoundIndex, bool mute, bool previewMode);

struct EnterSoundSources {
    payload::TKelFixedSizeInfo header;  // the payload layout sound offsets are counted in
    std::vector<payload::TKelSoundInfo> sounds;
    std::string screensaverPath;  // the file the sounds are extracted from
    std::string tempFolder;       // where the temporary enter-sound file goes
};

class EnterSound {
public:
    // The player is the enter-sound player and must outlive this object; nobody listens to its
    // completions.
    EnterSound(EnterSoundSources sources, IMediaPlayer& player);

    // Plays enter sound `index`, cutting off the previous one. The show goes on without the
    // sound whatever fails; the status says why, for diagnostics.
    Status LoadEnterSound(int index);

    // The show finishes: stops the sound and deletes its temporary file.
    void Finish();

    // The temporary file sound `index` is extracted to ("" for an index outside the table).
    std::string TemporaryEnterSoundFile(int index) const;

private:
    EnterSoundSources sources_;
    IMediaPlayer& player_;
    payload::ExtractedFile soundFile_;  // the sound the player has, if any
};

} // namespace vorlandite::audio

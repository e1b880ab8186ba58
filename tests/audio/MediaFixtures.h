#pragma once
// Short media files made on the spot: WAV and MIDI written byte by byte, the compressed formats
// encoded by GStreamer's own encoders. Shared by the player tests and the media benchmark.

#include "base/Result.h"

#include <chrono>
#include <string>

namespace vorlandite::audio::testing {

enum class MediaKind { Wav, Mp3, Wma, Midi, Avi, Wmv, Mpeg };

struct MediaFile {
    std::string path;
    std::chrono::milliseconds duration{};
    bool hasVideo = false;
    bool hasAudio = true;
};

// Every video sample is this size, blue, 25 frames per second, with a sound track (but WMV).
inline constexpr int kVideoWidth = 96;
inline constexpr int kVideoHeight = 64;

const char* MediaKindName(MediaKind kind);

// Writes a sample of the kind, about `duration` long, into folder. An error when this machine
// has no encoder for the kind.
Result<MediaFile> MakeMediaFile(MediaKind kind, const std::string& folder,
                                std::chrono::milliseconds duration = std::chrono::milliseconds(400));

// 16-bit mono PCM, a sine tone at 440 Hz.
void WriteWav(const std::string& path, std::chrono::milliseconds duration, int sampleRate = 22050);
// A Standard MIDI File of format 0 holding one note for the duration.
void WriteMidi(const std::string& path, std::chrono::milliseconds duration);
// A video of the given size and length, encoded as Motion JPEG in AVI.
Result<MediaFile> MakeAvi(const std::string& path, int width, int height, std::chrono::milliseconds duration);

} // namespace vorlandite::audio::testing

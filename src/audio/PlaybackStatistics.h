#pragma once
// What the sinks of one open file have seen since the last Play (or Rewind). The benchmarks
// read the start-up delays; tests and a headless recorder read whether anything was heard.

#include <chrono>
#include <optional>

namespace vorlandite::audio {

struct PlaybackStatistics {
    // From Play to the first buffer rendered by the silent audio sink / the first video frame
    // delivered while playing. Not measured for the sound device.
    std::optional<std::chrono::nanoseconds> firstAudioBuffer;
    std::optional<std::chrono::nanoseconds> firstVideoFrame;
    int audioBuffers = 0;
    int videoFrames = 0;
    // Largest sample magnitude (16-bit scale) the silent audio sink rendered; -1 when the
    // sound goes to the device and cannot be observed.
    int audioPeak = -1;
};

} // namespace vorlandite::audio

#pragma once
// The GStreamer side of the media player: one playbin for one open file, with sinks chosen here
// and never left to autoplugging. It knows nothing of completions or of the UI thread; its
// events arrive on GStreamer's threads and the player marshals them.

#include "audio/PlaybackStatistics.h"
#include "base/Result.h"

#include <QImage>
#include <QSize>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vorlandite::audio {

struct PipelineOptions {
    // The sound device through autoaudiosink, or a clock-synced silent sink.
    bool soundDevice = false;
    // Decoded RGB frames for a display, or a clock-synced sink that only keeps time.
    bool videoFrames = true;
    // Off: the sinks take buffers as fast as they come, so the file runs through at once (the
    // probe uses it to find the length of a file that does not state it).
    bool clockSync = true;
};

// Called on streaming threads; they must not block.
struct PipelineEvents {
    std::function<void()> endOfStream;
    std::function<void(const std::string& message)> error;
    std::function<void(QImage frame)> videoFrame;  // Format_RGB32, a copy the receiver owns
};

class MediaPipeline {
public:
    // Builds the pipeline for the file and prerolls it to PAUSED; an error when nothing can
    // play the file or the preroll does not finish within the timeout.
    static Result<std::unique_ptr<MediaPipeline>> Open(const std::string& path, const PipelineOptions& options,
                                                       PipelineEvents events);
    ~MediaPipeline();  // stops and joins every streaming thread before returning

    MediaPipeline(const MediaPipeline&) = delete;
    MediaPipeline& operator=(const MediaPipeline&) = delete;

    Status Play();
    // Pauses, seeks to the start and waits until the pipeline has prerolled there.
    Status SeekToStart();

    QSize NaturalVideoSize() const;  // display size of the first video stream; empty without one
    // The length the file states; none when it does not say. Position: how far it has played.
    std::optional<std::chrono::nanoseconds> Duration() const;
    std::optional<std::chrono::nanoseconds> Position() const;
    Status SetVolume(double linear);  // 0 silent, 1 as recorded
    double Volume() const;
    bool UsesSoundDevice() const;
    PlaybackStatistics Statistics() const;

    struct State;

private:
    explicit MediaPipeline(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// What a player on virtual time needs to know of a file without playing it in real time.
struct MediaProbe {
    std::chrono::nanoseconds duration{};
    QSize naturalVideoSize;  // empty without video
    QImage firstFrame;       // when asked for and the file has video (Format_RGB32)
};

// Opens the file as the player would (the same sinks, so a file the player cannot play fails
// here too) and reads its length. A file that does not state its length is run through at full
// speed once and its length is where it ended.
Result<MediaProbe> ProbeMedia(const std::string& path, bool wantFirstFrame = false);

// Initialises GStreamer once per process; false when it cannot be initialised.
bool EnsureGStreamer();

// Whether autoaudiosink reaches a real device; probed once per process.
bool SoundDeviceWorks();

} // namespace vorlandite::audio

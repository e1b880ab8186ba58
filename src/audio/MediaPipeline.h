#pragma once
// The GStreamer side of the media player: one playbin for one open file, with sinks chosen here
// and never left to autoplugging. It knows nothing of completions or of the UI thread; its
// events arrive on GStreamer's threads and the player marshals them.

#include "audio/PlaybackStatistics.h"
#include "base/Result.h"

#include <QImage>
#include <QSize>

#include <functional>
#include <memory>
#include <string>

namespace vorlandite::audio {

struct PipelineOptions {
    // The sound device through autoaudiosink, or a clock-synced silent sink.
    bool soundDevice = false;
    // Decoded RGB frames for a display, or a clock-synced sink that only keeps time.
    bool videoFrames = true;
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
    Status SetVolume(double linear);  // 0 silent, 1 as recorded
    double Volume() const;
    bool UsesSoundDevice() const;
    PlaybackStatistics Statistics() const;

    struct State;

private:
    explicit MediaPipeline(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// Initialises GStreamer once per process; false when it cannot be initialised.
bool EnsureGStreamer();

// Whether autoaudiosink reaches a real device; probed once per process.
bool SoundDeviceWorks();

} // namespace vorlandite::audio

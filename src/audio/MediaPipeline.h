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

// A blocking pipeline step (preroll, rewind, stop) runs on a thread of its own: a source stuck
// in a plugin (a FIFO nobody writes, a hung network file) may never return, and then only that
// thread is lost. Such threads are detached and never joined; they keep the pipeline's state
// alive themselves, so nothing they touch goes away under them.
class MediaPipeline {
public:
    // The outcome of a step, called on the step's own thread.
    using StepDone = std::function<void(Status)>;

    // Builds the pipeline for the file and prerolls it to PAUSED; an error when nothing can
    // play the file or the preroll does not finish within the timeout. Waits on the calling
    // thread; a pipeline that does not answer in time is left to its own thread.
    static Result<std::unique_ptr<MediaPipeline>> Open(const std::string& path, const PipelineOptions& options,
                                                       PipelineEvents events);
    // Builds the pipeline without starting it: nothing here can block on the file.
    static Result<std::unique_ptr<MediaPipeline>> Create(const std::string& path, const PipelineOptions& options,
                                                         PipelineEvents events);
    // Stops the pipeline on a thread of its own and waits for that up to kStopTimeout.
    ~MediaPipeline();

    MediaPipeline(const MediaPipeline&) = delete;
    MediaPipeline& operator=(const MediaPipeline&) = delete;

    // Prerolls to PAUSED on a thread of its own; an error when nothing can play the file or the
    // first buffers do not arrive within the timeout. A step that never returns never calls done.
    void StartPreroll(std::chrono::nanoseconds timeout, StepDone done);
    // Pauses, seeks to the start and prerolls there, on a thread of its own.
    void StartRewind(std::chrono::nanoseconds timeout, StepDone done);
    // Stops the pipeline on a thread of its own (NULL state: streaming threads joined) and waits
    // for that up to `wait`; false when it did not stop in time and was left to that thread.
    static bool Dispose(std::unique_ptr<MediaPipeline> pipeline, std::chrono::milliseconds wait);

    Status Play();
    // Pauses, seeks to the start and waits until the pipeline has prerolled there (the calling
    // thread waits at most the preroll timeout).
    Status SeekToStart();

    QSize NaturalVideoSize() const;  // display size of the first video stream; empty without one
    // The length the file states; none when it does not say. Position: how far it has played.
    std::optional<std::chrono::nanoseconds> Duration() const;
    std::optional<std::chrono::nanoseconds> Position() const;
    // Sets the volume. The prerolled buffer already passed the volume stage: while prerolled
    // at the start (PausedAtStart) it must be prerolled again (a rewind) to be heard at the new
    // volume, or a muted video would begin with a blip.
    void SetVolumeOnly(double linear);
    bool PausedAtStart() const;
    Status SetVolume(double linear);  // SetVolumeOnly, then SeekToStart when needed
    double Volume() const;
    bool UsesSoundDevice() const;
    PlaybackStatistics Statistics() const;

    struct State;

    // A preroll or a rewind that takes longer is a failure.
    static constexpr std::chrono::milliseconds kPrerollTimeout{5000};
    // A stop that takes longer is left to its thread.
    static constexpr std::chrono::milliseconds kStopTimeout{2000};

private:
    explicit MediaPipeline(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
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

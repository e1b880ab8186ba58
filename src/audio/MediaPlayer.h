#pragma once
// The one kind of media player that every sound and every video goes through (melodies, enter
// sounds, video items, the playlist editor's preview). It keeps the contract of a classic
// multimedia-control player on top of GStreamer:
//
//  - Open probes the file (the pipeline prerolls) and fails when nothing can play it;
//  - Play returns at once; when it was asked for, one completion follows on the UI thread;
//  - a completion is Successful only for a play that reached the end of the file; closing,
//    rewinding or an error never reports success, so a caller that acts on Successful alone
//    is never driven by its own Close.
//
// All calls and all signals belong to the thread the player lives on (the UI thread);
// GStreamer's threads only post to it.
//
// A watchdog keeps a file from holding that thread: the steps that wait for GStreamer (preroll
// at Open, Rewind, stop at Close) run on threads of their own, and a step that does not end in
// time is abandoned there, its pipeline stopped on yet another thread that nobody waits for.

#include "audio/IMediaPlayer.h"
#include "audio/PlaybackStatistics.h"
#include "audio/VideoFrameConsumer.h"
#include "base/Result.h"

#include <QImage>
#include <QObject>
#include <QRect>
#include <QSize>

#include <chrono>
#include <memory>
#include <string>

namespace vorlandite::audio {

// How long the player lets a file take.
struct MediaWatchdog {
    // A preroll (Open, Rewind, a volume change before playing) that has not ended by then fails.
    std::chrono::milliseconds ready{5000};
    // A stop that has not ended by then is left to its own thread.
    std::chrono::milliseconds stop{2000};
    // How long Open, Rewind and SetVolume wait for their preroll on the calling thread. When it
    // has not ended by then they return, Play is held until it does, and a preroll that fails
    // or reaches `ready` completes a pending play as Failure (the file is then closed). At
    // `ready` or more they decide before returning, as the contract says (the default).
    std::chrono::milliseconds callWait{5000};
};

class MediaPlayer : public QObject, public IMediaPlayer {
    Q_OBJECT
public:
    using NotifyValue = IMediaPlayer::NotifyValue;

    enum class AudioOutput {
        Automatic,  // the sound device when one answers, else the silent sink
        Silent,     // a sink that plays nowhere in real time: tests, servers, recorders
    };
    enum class VideoOutput {
        Frames,  // decoded frames go to the display (VideoFrameConsumer)
        None,    // videos keep their time but are not decoded to pixels
    };

    explicit MediaPlayer(QObject* parent = nullptr);
    MediaPlayer(AudioOutput audio, VideoOutput video, QObject* parent = nullptr);
    ~MediaPlayer() override;

    // The file the next Open uses. It stays after Close: callers use it as the record of which
    // temporary file to delete.
    const std::string& FileName() const override;
    void SetFileName(std::string path) override;

    // Opens the file (closing any open one first). An error when the file is missing or
    // nothing can play it; decided within a few seconds without playing anything.
    Status Open() override;
    // Starts or continues playing and returns at once. At the end of the file it plays nothing
    // and a requested completion is Successful at once.
    Status Play() override;
    // Stops and closes. A completion still pending for a play arrives as Aborted.
    void Close() override;
    // Moves to the start and waits until the file is ready there (paused). A pending completion
    // arrives as Aborted.
    Status Rewind() override;
    bool IsOpen() const override;

    // Whether the next command requests a completion. On by default; a setting holds for the
    // next command (Open, Play, Close, Rewind) only, after which the flag is on again, so that
    // "Notify off, Close" silences the close and leaves the following Play notified. Only Play
    // produces completions.
    bool Notify() const override;
    void SetNotify(bool notify) override;
    // Called with every completion, before OnNotify is emitted.
    void SetNotifyHandler(NotifyHandler handler) override;
    // The value of the latest completion; Successful before the first one.
    NotifyValue LastNotifyValue() const;

    // Video display. The display must outlive its attachment or be a QObject (it is then
    // detached when destroyed). The rectangle is in the display's coordinates; empty means the
    // whole display.
    void SetDisplay(VideoFrameConsumer* display) override;
    VideoFrameConsumer* Display() const;
    void SetDisplayRect(const QRect& rect) override;
    QRect DisplayRect() const;
    // The open video's own size at (0, 0); empty for a file without video or no open file.
    QRect NaturalDisplayRect() const override;

    // Audio volume of the open file, 0 (silent) to 1000 (as recorded); every Open starts at
    // 1000. An error when no file is open.
    Status SetVolume(int volume) override;
    int Volume() const;

    void SetWatchdog(const MediaWatchdog& watchdog);
    const MediaWatchdog& Watchdog() const;
    // Whether the open file is prerolled and no step is under way.
    bool IsReady() const;
    bool Ready() const override { return IsReady(); }
    void SetReadyHandler(std::function<void()> handler) override;

    // Whether the open file's sound goes to the sound device (false: the silent sink).
    bool UsesSoundDevice() const;
    PlaybackStatistics Statistics() const;

signals:
    // The completion of a notified play, delivered through the event loop.
    void OnNotify(vorlandite::audio::MediaPlayer::NotifyValue value);

private:
    struct Impl;
    enum class Step { Open, Rewind };
    enum class StepEnd { Done, Failed, Late, Waiting };

    bool ConsumeNotify();
    Status BeginOpen(bool soundDevice);
    StepEnd StartStep(Step step, std::chrono::milliseconds wait, Status& failure);
    void StepSucceeded(Step step);
    void HandleStepDone(uint64_t stepId, Step step, Status status);
    void HandleWatchdog();
    void ContinueWhenReady();
    void AnnounceReady();
    Status RewindStep();
    void AbandonFile(const std::string& message, bool stuck);
    Status StartPlaying();
    void SettlePending(NotifyValue value);
    void PostNotify(NotifyValue value);
    void DeliverNotify(NotifyValue value);
    void HandleEndOfStream(uint64_t epoch);
    void HandleError(uint64_t epoch, const std::string& message);
    void HandleFrame();
    void PresentLatestFrame();
    void ReleaseFile(bool stuck = false);

    std::unique_ptr<Impl> impl_;
};

} // namespace vorlandite::audio

#include "audio/MediaPlayer.h"

#include "audio/MediaPipeline.h"

#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <utility>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>

namespace vorlandite::audio {

// The way from GStreamer's threads (and from the steps' threads) to the player. A pipeline
// left to a stuck thread may call it long after the player is gone: the player cuts the relay
// before it goes, and a post then goes nowhere. Outside the anonymous namespace: the player's
// Impl holds one, and in a merged (unity) build a member of a file-local type is a warning.
struct PlayerRelay {
    std::mutex mutex;
    MediaPlayer* owner = nullptr;

    // Runs f with the live player, under the relay's lock: f must only post or copy.
    template <class F>
    void WithOwner(F&& f) {
        std::lock_guard lock(mutex);
        if (owner) f(owner);
    }
    void Cut() {
        std::lock_guard lock(mutex);
        owner = nullptr;
    }
};

namespace {

// A step's outcome goes to the call still waiting for it, or once that has stopped waiting,
// through the event loop.
struct StepHandoff {
    std::mutex mutex;
    std::condition_variable cv;
    std::optional<Status> result;
    bool waiting = true;

    // False when the waiting call took the outcome.
    bool Deliver(const Status& status) {
        std::lock_guard lock(mutex);
        if (!waiting) return true;
        result = status;
        cv.notify_all();
        return false;
    }
    std::optional<Status> Wait(std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex);
        cv.wait_for(lock, wait, [this] { return result.has_value(); });
        waiting = false;
        return result;
    }
};

} // namespace

struct MediaPlayer::Impl {
    AudioOutput audio = AudioOutput::Automatic;
    VideoOutput video = VideoOutput::Frames;
    std::string fileName;
    std::unique_ptr<MediaPipeline> pipeline;
    std::shared_ptr<PlayerRelay> relay = std::make_shared<PlayerRelay>();
    MediaWatchdog watchdog;

    bool notify = true;
    NotifyHandler handler;
    std::function<void()> readyHandler;  // for the open file, once its background preroll ends
    NotifyValue lastValue = NotifyValue::Successful;
    bool pending = false;       // a notified play has not completed yet
    bool atEnd = false;         // the open file has played to its end
    std::string failure;        // why the open file stopped playing, when it failed
    int volume = 1000;
    QSize naturalSize;

    // The open file's steps: at most one runs at a time, and while it does the pipeline is
    // not ready. stepId names the step awaited; a late outcome of any other is stale.
    bool ready = false;
    bool stepRunning = false;
    uint64_t stepId = 0;
    bool playWhenReady = false;  // Play came while a step ran
    bool prerollAgain = false;   // the volume changed while a step ran
    bool soundDevice = false;    // the open file was tried on the sound device
    QTimer watchdogTimer;

    VideoFrameConsumer* display = nullptr;
    QMetaObject::Connection displayGone;
    QRect displayRect;

    // Bumped by Open, Close and Rewind. Events from GStreamer's threads carry the value they
    // were posted under, so that an end or a frame of a closed or rewound play that is still
    // in the event queue is not taken for the current one.
    std::atomic<uint64_t> epoch{0};

    // The newest decoded frame; only one delivery is queued at a time, so a busy UI thread
    // skips frames instead of piling them up.
    std::mutex frameMutex;
    QImage latestFrame;
    uint64_t frameEpoch = 0;
    bool frameQueued = false;
};

MediaPlayer::MediaPlayer(QObject* parent) : MediaPlayer(AudioOutput::Automatic, VideoOutput::Frames, parent) {}

MediaPlayer::MediaPlayer(AudioOutput audio, VideoOutput video, QObject* parent)
    : QObject(parent), impl_(std::make_unique<Impl>()) {
    impl_->audio = audio;
    impl_->video = video;
    impl_->relay->owner = this;
    impl_->watchdogTimer.setSingleShot(true);
    connect(&impl_->watchdogTimer, &QTimer::timeout, this, [this] { HandleWatchdog(); });
}

MediaPlayer::~MediaPlayer() {
    // Nothing reaches this object from here on, whatever its pipeline's threads still do; a
    // pipeline that stops in time is stopped before the program goes on.
    impl_->relay->Cut();
    impl_->watchdogTimer.stop();
    if (impl_->pipeline)
        MediaPipeline::Dispose(std::move(impl_->pipeline),
                               impl_->stepRunning ? std::chrono::milliseconds(0) : impl_->watchdog.stop);
    QObject::disconnect(impl_->displayGone);
}

const std::string& MediaPlayer::FileName() const { return impl_->fileName; }

void MediaPlayer::SetFileName(std::string path) { impl_->fileName = std::move(path); }

bool MediaPlayer::IsOpen() const { return impl_->pipeline != nullptr; }

bool MediaPlayer::IsReady() const { return IsOpen() && impl_->ready; }

void MediaPlayer::SetReadyHandler(std::function<void()> handler) { impl_->readyHandler = std::move(handler); }

void MediaPlayer::AnnounceReady() {
    if (auto handler = std::exchange(impl_->readyHandler, nullptr)) handler();
}

void MediaPlayer::SetWatchdog(const MediaWatchdog& watchdog) { impl_->watchdog = watchdog; }

const MediaWatchdog& MediaPlayer::Watchdog() const { return impl_->watchdog; }

bool MediaPlayer::Notify() const { return impl_->notify; }

void MediaPlayer::SetNotify(bool notify) { impl_->notify = notify; }

void MediaPlayer::SetNotifyHandler(NotifyHandler handler) { impl_->handler = std::move(handler); }

MediaPlayer::NotifyValue MediaPlayer::LastNotifyValue() const { return impl_->lastValue; }

bool MediaPlayer::ConsumeNotify() {
    const bool notify = impl_->notify;
    impl_->notify = true;
    return notify;
}

Status MediaPlayer::Open() {
    ConsumeNotify();
    if (IsOpen()) {
        SettlePending(NotifyValue::Aborted);
        ReleaseFile();
    }
    impl_->playWhenReady = false;
    const std::string& path = impl_->fileName;
    if (path.empty()) return MakeError("no file name is set");
    // Not only regular files: a FIFO or a device is opened like any file, and one that never
    // delivers data is the watchdog's to end.
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return MakeError("the file does not exist: " + path);
    if (std::filesystem::is_directory(path, ec)) return MakeError("a folder is not a media file: " + path);

    const bool soundDevice = impl_->audio == AudioOutput::Automatic && SoundDeviceWorks();
    Status opened = BeginOpen(soundDevice);
    if (!opened && soundDevice && !impl_->failure.empty()) {
        // The device answered the probe but refuses this stream (busy, unplugged since): the
        // file still plays, silently and on time, rather than being lost.
        opened = BeginOpen(false);
    }
    impl_->failure.clear();
    return opened;
}

// Builds the pipeline and starts its preroll. A failure that the preroll decided (rather than
// the watchdog) leaves its message in `failure`, so that Open may try without the device.
Status MediaPlayer::BeginOpen(bool soundDevice) {
    ++impl_->epoch;
    impl_->failure.clear();
    PipelineOptions options;
    options.soundDevice = soundDevice;
    options.videoFrames = impl_->video == VideoOutput::Frames;

    PipelineEvents events;
    const std::shared_ptr<PlayerRelay> relay = impl_->relay;
    events.endOfStream = [relay] {
        relay->WithOwner([](MediaPlayer* player) {
            const uint64_t epoch = player->impl_->epoch.load();
            QMetaObject::invokeMethod(
                player, [player, epoch] { player->HandleEndOfStream(epoch); }, Qt::QueuedConnection);
        });
    };
    events.error = [relay](const std::string& message) {
        relay->WithOwner([&message](MediaPlayer* player) {
            const uint64_t epoch = player->impl_->epoch.load();
            QMetaObject::invokeMethod(
                player, [player, epoch, message] { player->HandleError(epoch, message); }, Qt::QueuedConnection);
        });
    };
    if (options.videoFrames) {
        events.videoFrame = [relay](QImage frame) {
            relay->WithOwner([&frame](MediaPlayer* player) {
                Impl& impl = *player->impl_;
                bool post = false;
                {
                    std::lock_guard lock(impl.frameMutex);
                    impl.latestFrame = std::move(frame);
                    impl.frameEpoch = impl.epoch.load();
                    post = !impl.frameQueued;
                    impl.frameQueued = true;
                }
                if (post) QMetaObject::invokeMethod(player, [player] { player->HandleFrame(); }, Qt::QueuedConnection);
            });
        };
    }

    auto created = MediaPipeline::Create(impl_->fileName, options, events);
    if (!created) {
        ++impl_->epoch;  // whatever the failed pipeline posted is stale
        impl_->failure = created.message();
        return created.error();
    }
    impl_->pipeline = std::move(created.value());
    impl_->soundDevice = soundDevice;
    impl_->naturalSize = {};
    impl_->volume = 1000;
    impl_->atEnd = false;
    impl_->prerollAgain = false;

    Status failure;
    switch (StartStep(Step::Open, impl_->watchdog.callWait, failure)) {
    case StepEnd::Done:
    case StepEnd::Waiting:
        return {};
    case StepEnd::Failed:
        ReleaseFile();
        impl_->failure = failure.message();
        return failure;
    case StepEnd::Late:
        ReleaseFile(true);
        return failure;
    }
    return {};
}

// Starts the step on its own thread and waits up to `wait` for it. Done: it ended well within
// the wait. Failed: it failed within the wait (message in failure). Late: it did not end
// within the wait, which reached the watchdog's limit. Waiting: it goes on, the watchdog runs.
MediaPlayer::StepEnd MediaPlayer::StartStep(Step step, std::chrono::milliseconds wait, Status& failure) {
    const MediaWatchdog& watchdog = impl_->watchdog;
    const uint64_t stepId = ++impl_->stepId;
    impl_->ready = false;
    impl_->stepRunning = true;
    auto handoff = std::make_shared<StepHandoff>();
    MediaPipeline::StepDone done = [handoff, relay = impl_->relay, stepId, step](Status status) {
        if (!handoff->Deliver(status)) return;
        relay->WithOwner([&](MediaPlayer* player) {
            QMetaObject::invokeMethod(
                player, [player, stepId, step, status] { player->HandleStepDone(stepId, step, status); },
                Qt::QueuedConnection);
        });
    };
    if (step == Step::Open)
        impl_->pipeline->StartPreroll(watchdog.ready, std::move(done));
    else
        impl_->pipeline->StartRewind(watchdog.ready, std::move(done));

    const std::chrono::milliseconds callWait = std::min(wait, watchdog.ready);
    if (std::optional<Status> outcome = handoff->Wait(callWait)) {
        impl_->stepRunning = false;
        if (!*outcome) {
            failure = *outcome;
            return StepEnd::Failed;
        }
        StepSucceeded(step);
        return StepEnd::Done;
    }
    if (callWait >= watchdog.ready) {
        failure = MakeError(step == Step::Open ? "the file did not become ready in time"
                                               : "the file did not rewind in time");
        return StepEnd::Late;
    }
    impl_->watchdogTimer.start(watchdog.ready - callWait);
    return StepEnd::Waiting;
}

void MediaPlayer::StepSucceeded(Step step) {
    impl_->ready = true;
    if (step == Step::Open) impl_->naturalSize = impl_->pipeline->NaturalVideoSize();
}

// A step that outlived its call ended.
void MediaPlayer::HandleStepDone(uint64_t stepId, Step step, Status status) {
    if (stepId != impl_->stepId || !IsOpen() || !impl_->stepRunning) return;
    impl_->stepRunning = false;
    impl_->watchdogTimer.stop();
    if (!status) {
        if (step == Step::Open && impl_->soundDevice) {
            // As in Open: without the device rather than not at all.
            const int volume = impl_->volume;
            MediaPipeline::Dispose(std::move(impl_->pipeline), impl_->watchdog.stop);
            if (Status opened = BeginOpen(false); !opened) {
                AbandonFile(opened.message(), false);
                return;
            }
            if (volume != 1000) (void)SetVolume(volume);
            if (IsReady()) {
                AnnounceReady();
                if (IsOpen()) ContinueWhenReady();
            }
            return;
        }
        AbandonFile(status.message(), false);
        return;
    }
    StepSucceeded(step);
    if (step == Step::Open) {
        AnnounceReady();
        if (!IsOpen()) return;  // the handler closed the file
    }
    ContinueWhenReady();
}

// What waited for the step: a preroll for a changed volume, then the play.
void MediaPlayer::ContinueWhenReady() {
    if (impl_->prerollAgain) {
        // The volume changed during the preroll: once more, so that the first sound has it.
        impl_->prerollAgain = false;
        Status failure;
        const StepEnd end = StartStep(Step::Rewind, std::chrono::milliseconds(0), failure);
        if (end == StepEnd::Failed) {
            AbandonFile(failure.message(), false);
            return;
        }
        if (end != StepEnd::Done) return;
    }
    if (impl_->playWhenReady) {
        impl_->playWhenReady = false;
        if (Status started = StartPlaying(); !started) {
            if (impl_->failure.empty()) impl_->failure = started.message();
            SettlePending(NotifyValue::Failure);
        }
    }
}

void MediaPlayer::HandleWatchdog() {
    if (!IsOpen() || !impl_->stepRunning) return;
    AbandonFile("the file did not become ready in time", true);
}

// The file failed after its call returned: a pending play completes as Failure and the file is
// closed, its pipeline left to its thread when that is stuck.
void MediaPlayer::AbandonFile(const std::string& message, bool stuck) {
    impl_->playWhenReady = false;
    SettlePending(NotifyValue::Failure);
    ReleaseFile(stuck);
    impl_->failure = message;
}

Status MediaPlayer::StartPlaying() {
    if (!impl_->atEnd) {
        if (Status started = impl_->pipeline->Play(); !started) return started;
    }
    return {};
}

Status MediaPlayer::Play() {
    const bool notify = ConsumeNotify();
    if (!IsOpen()) return MakeError("no file is open");
    if (!impl_->failure.empty()) return MakeError("the file cannot be played: " + impl_->failure);
    if (impl_->ready) {
        if (Status started = StartPlaying(); !started) return started;
    } else {
        impl_->playWhenReady = true;
    }
    if (notify) {
        SettlePending(NotifyValue::Superseded);
        if (impl_->atEnd)
            PostNotify(NotifyValue::Successful);
        else
            impl_->pending = true;
    }
    return {};
}

void MediaPlayer::Close() {
    ConsumeNotify();
    SettlePending(NotifyValue::Aborted);
    ReleaseFile();
}

Status MediaPlayer::Rewind() {
    ConsumeNotify();
    if (!IsOpen()) return MakeError("no file is open");
    SettlePending(NotifyValue::Aborted);
    ++impl_->epoch;
    impl_->atEnd = false;
    impl_->playWhenReady = false;
    // A step under way leaves the file at its start (a preroll or a rewind): nothing to add.
    if (impl_->stepRunning) return {};
    return RewindStep();
}

// Prerolls the open file again at its start.
Status MediaPlayer::RewindStep() {
    Status failure;
    switch (StartStep(Step::Rewind, impl_->watchdog.callWait, failure)) {
    case StepEnd::Done:
    case StepEnd::Waiting:
        return {};
    case StepEnd::Failed:
        // As before the watchdog: the file stays open, its pipeline answered.
        impl_->ready = true;
        return failure;
    case StepEnd::Late:
        // A pipeline that does not answer would hang the next call that touches it.
        ReleaseFile(true);
        return failure;
    }
    return {};
}

void MediaPlayer::ReleaseFile(bool stuck) {
    impl_->readyHandler = nullptr;
    ++impl_->epoch;
    ++impl_->stepId;
    impl_->watchdogTimer.stop();
    if (impl_->pipeline) {
        // A step still under way may be stuck in a plugin: its stop would wait for it. A
        // caller that may not wait (callWait) leaves every stop to its thread.
        const bool wait = !stuck && !impl_->stepRunning;
        MediaPipeline::Dispose(std::move(impl_->pipeline),
                               wait ? std::min(impl_->watchdog.stop, impl_->watchdog.callWait) : std::chrono::milliseconds(0));
    }
    impl_->ready = false;
    impl_->stepRunning = false;
    impl_->playWhenReady = false;
    impl_->prerollAgain = false;
    impl_->atEnd = false;
    impl_->failure.clear();
    impl_->volume = 1000;
    impl_->naturalSize = {};
    {
        std::lock_guard lock(impl_->frameMutex);
        impl_->latestFrame = {};
    }
    if (impl_->display) impl_->display->ClearVideoFrame();
}

void MediaPlayer::SettlePending(NotifyValue value) {
    if (!impl_->pending) return;
    impl_->pending = false;
    PostNotify(value);
}

// Every completion goes through the event queue, never out of the call that caused it, so
// handlers run in the order the completions arose and never inside a player call.
void MediaPlayer::PostNotify(NotifyValue value) {
    QMetaObject::invokeMethod(this, [this, value] { DeliverNotify(value); }, Qt::QueuedConnection);
}

void MediaPlayer::DeliverNotify(NotifyValue value) {
    impl_->lastValue = value;
    if (impl_->handler) {
        // A copy: the handler may replace itself.
        const NotifyHandler handler = impl_->handler;
        handler(value);
    }
    emit OnNotify(value);
}

void MediaPlayer::HandleEndOfStream(uint64_t epoch) {
    if (epoch != impl_->epoch.load() || !IsOpen()) return;
    impl_->atEnd = true;
    if (impl_->pending) {
        impl_->pending = false;
        PostNotify(NotifyValue::Successful);
    }
}

void MediaPlayer::HandleError(uint64_t epoch, const std::string& message) {
    // During a step its own outcome decides, with the error's text.
    if (epoch != impl_->epoch.load() || !IsOpen() || impl_->stepRunning) return;
    if (impl_->failure.empty()) impl_->failure = message;
    SettlePending(NotifyValue::Failure);
}

void MediaPlayer::HandleFrame() {
    {
        std::lock_guard lock(impl_->frameMutex);
        impl_->frameQueued = false;
    }
    PresentLatestFrame();
}

void MediaPlayer::PresentLatestFrame() {
    QImage frame;
    uint64_t frameEpoch = 0;
    {
        std::lock_guard lock(impl_->frameMutex);
        frame = impl_->latestFrame;
        frameEpoch = impl_->frameEpoch;
    }
    if (frameEpoch != impl_->epoch.load() || frame.isNull() || !impl_->display) return;
    impl_->display->PresentVideoFrame(frame, impl_->displayRect);
}

void MediaPlayer::SetDisplay(VideoFrameConsumer* display) {
    if (display == impl_->display) return;
    if (impl_->display) impl_->display->ClearVideoFrame();
    QObject::disconnect(impl_->displayGone);
    impl_->display = display;
    if (!display) return;
    if (auto* object = dynamic_cast<QObject*>(display)) {
        impl_->displayGone = connect(object, &QObject::destroyed, this, [this, display] {
            if (impl_->display == display) impl_->display = nullptr;
        });
    }
    PresentLatestFrame();  // a display attached after Open shows the prerolled frame at once
}

VideoFrameConsumer* MediaPlayer::Display() const { return impl_->display; }

void MediaPlayer::SetDisplayRect(const QRect& rect) {
    impl_->displayRect = rect;
    PresentLatestFrame();
}

QRect MediaPlayer::DisplayRect() const { return impl_->displayRect; }

QRect MediaPlayer::NaturalDisplayRect() const { return QRect(QPoint(0, 0), impl_->naturalSize); }

Status MediaPlayer::SetVolume(int volume) {
    if (!IsOpen()) return MakeError("no file is open");
    impl_->volume = std::clamp(volume, 0, 1000);
    impl_->pipeline->SetVolumeOnly(impl_->volume / 1000.0);
    if (impl_->stepRunning) {
        impl_->prerollAgain = true;
        return {};
    }
    // The prerolled buffer passed the volume stage before this call and would be heard at the
    // old volume when playing starts: a muted video would begin with a blip. Prerolling again
    // at the start sends it through the new volume.
    if (impl_->pipeline->PausedAtStart()) return RewindStep();
    return {};
}

int MediaPlayer::Volume() const { return impl_->volume; }

bool MediaPlayer::UsesSoundDevice() const { return IsOpen() && impl_->pipeline->UsesSoundDevice(); }

PlaybackStatistics MediaPlayer::Statistics() const {
    return IsOpen() ? impl_->pipeline->Statistics() : PlaybackStatistics{};
}

} // namespace vorlandite::audio

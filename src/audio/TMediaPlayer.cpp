#include "audio/TMediaPlayer.h"

#include "audio/MediaPipeline.h"

#include <QMetaObject>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>

namespace vorlandite::audio {

struct TMediaPlayer::Impl {
    AudioOutput audio = AudioOutput::Automatic;
    VideoOutput video = VideoOutput::Frames;
    std::string fileName;
    std::unique_ptr<MediaPipeline> pipeline;

    bool notify = true;
    NotifyHandler handler;
    NotifyValue lastValue = NotifyValue::Successful;
    bool pending = false;       // a notified play has not completed yet
    bool atEnd = false;         // the open file has played to its end
    std::string failure;        // why the open file stopped playing, when it failed
    int volume = 1000;
    QSize naturalSize;

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

TMediaPlayer::TMediaPlayer(QObject* parent) : TMediaPlayer(AudioOutput::Automatic, VideoOutput::Frames, parent) {}

TMediaPlayer::TMediaPlayer(AudioOutput audio, VideoOutput video, QObject* parent)
    : QObject(parent), impl_(std::make_unique<Impl>()) {
    impl_->audio = audio;
    impl_->video = video;
}

TMediaPlayer::~TMediaPlayer() {
    // Joins GStreamer's threads while this object can still take their posts; queued calls
    // that remain are dropped with the object.
    impl_->pipeline.reset();
    QObject::disconnect(impl_->displayGone);
}

const std::string& TMediaPlayer::FileName() const { return impl_->fileName; }

void TMediaPlayer::SetFileName(std::string path) { impl_->fileName = std::move(path); }

bool TMediaPlayer::IsOpen() const { return impl_->pipeline != nullptr; }

bool TMediaPlayer::Notify() const { return impl_->notify; }

void TMediaPlayer::SetNotify(bool notify) { impl_->notify = notify; }

void TMediaPlayer::SetNotifyHandler(NotifyHandler handler) { impl_->handler = std::move(handler); }

TMediaPlayer::NotifyValue TMediaPlayer::LastNotifyValue() const { return impl_->lastValue; }

bool TMediaPlayer::ConsumeNotify() {
    const bool notify = impl_->notify;
    impl_->notify = true;
    return notify;
}

Status TMediaPlayer::Open() {
    ConsumeNotify();
    if (IsOpen()) {
        SettlePending(NotifyValue::Aborted);
        ReleaseFile();
    }
    const std::string& path = impl_->fileName;
    if (path.empty()) return MakeError("no file name is set");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return MakeError("the file does not exist: " + path);

    ++impl_->epoch;
    PipelineOptions options;
    options.soundDevice = impl_->audio == AudioOutput::Automatic && SoundDeviceWorks();
    options.videoFrames = impl_->video == VideoOutput::Frames;

    PipelineEvents events;
    events.endOfStream = [this] {
        const uint64_t epoch = impl_->epoch.load();
        QMetaObject::invokeMethod(this, [this, epoch] { HandleEndOfStream(epoch); }, Qt::QueuedConnection);
    };
    events.error = [this](const std::string& message) {
        const uint64_t epoch = impl_->epoch.load();
        QMetaObject::invokeMethod(this, [this, epoch, message] { HandleError(epoch, message); }, Qt::QueuedConnection);
    };
    if (options.videoFrames) {
        events.videoFrame = [this](QImage frame) {
            bool post = false;
            {
                std::lock_guard lock(impl_->frameMutex);
                impl_->latestFrame = std::move(frame);
                impl_->frameEpoch = impl_->epoch.load();
                post = !impl_->frameQueued;
                impl_->frameQueued = true;
            }
            if (post) QMetaObject::invokeMethod(this, [this] { HandleFrame(); }, Qt::QueuedConnection);
        };
    }

    auto opened = MediaPipeline::Open(path, options, events);
    if (!opened && options.soundDevice) {
        // The device answered the probe but refuses this stream (busy, unplugged since): the
        // file still plays, silently and on time, rather than being lost.
        ++impl_->epoch;
        options.soundDevice = false;
        opened = MediaPipeline::Open(path, options, events);
    }
    if (!opened) {
        ++impl_->epoch;  // whatever the failed pipeline posted is stale
        return opened.error();
    }
    impl_->pipeline = std::move(opened.value());
    impl_->naturalSize = impl_->pipeline->NaturalVideoSize();
    impl_->volume = 1000;
    impl_->atEnd = false;
    impl_->failure.clear();
    return {};
}

Status TMediaPlayer::Play() {
    const bool notify = ConsumeNotify();
    if (!IsOpen()) return MakeError("no file is open");
    if (!impl_->failure.empty()) return MakeError("the file cannot be played: " + impl_->failure);
    if (!impl_->atEnd) {
        if (Status started = impl_->pipeline->Play(); !started) return started;
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

void TMediaPlayer::Close() {
    ConsumeNotify();
    SettlePending(NotifyValue::Aborted);
    ReleaseFile();
}

Status TMediaPlayer::Rewind() {
    ConsumeNotify();
    if (!IsOpen()) return MakeError("no file is open");
    SettlePending(NotifyValue::Aborted);
    ++impl_->epoch;
    impl_->atEnd = false;
    return impl_->pipeline->SeekToStart();
}

void TMediaPlayer::ReleaseFile() {
    ++impl_->epoch;
    impl_->pipeline.reset();
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

void TMediaPlayer::SettlePending(NotifyValue value) {
    if (!impl_->pending) return;
    impl_->pending = false;
    PostNotify(value);
}

// Every completion goes through the event queue, never out of the call that caused it, so
// handlers run in the order the completions arose and never inside a player call.
void TMediaPlayer::PostNotify(NotifyValue value) {
    QMetaObject::invokeMethod(this, [this, value] { DeliverNotify(value); }, Qt::QueuedConnection);
}

void TMediaPlayer::DeliverNotify(NotifyValue value) {
    impl_->lastValue = value;
    if (impl_->handler) {
        // A copy: the handler may replace itself.
        const NotifyHandler handler = impl_->handler;
        handler(value);
    }
    emit OnNotify(value);
}

void TMediaPlayer::HandleEndOfStream(uint64_t epoch) {
    if (epoch != impl_->epoch.load() || !IsOpen()) return;
    impl_->atEnd = true;
    if (impl_->pending) {
        impl_->pending = false;
        PostNotify(NotifyValue::Successful);
    }
}

void TMediaPlayer::HandleError(uint64_t epoch, const std::string& message) {
    if (epoch != impl_->epoch.load() || !IsOpen()) return;
    if (impl_->failure.empty()) impl_->failure = message;
    SettlePending(NotifyValue::Failure);
}

void TMediaPlayer::HandleFrame() {
    {
        std::lock_guard lock(impl_->frameMutex);
        impl_->frameQueued = false;
    }
    PresentLatestFrame();
}

void TMediaPlayer::PresentLatestFrame() {
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

void TMediaPlayer::SetDisplay(VideoFrameConsumer* display) {
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

VideoFrameConsumer* TMediaPlayer::Display() const { return impl_->display; }

void TMediaPlayer::SetDisplayRect(const QRect& rect) {
    impl_->displayRect = rect;
    PresentLatestFrame();
}

QRect TMediaPlayer::DisplayRect() const { return impl_->displayRect; }

QRect TMediaPlayer::NaturalDisplayRect() const { return QRect(QPoint(0, 0), impl_->naturalSize); }

Status TMediaPlayer::SetVolume(int volume) {
    if (!IsOpen()) return MakeError("no file is open");
    impl_->volume = std::clamp(volume, 0, 1000);
    return impl_->pipeline->SetVolume(impl_->volume / 1000.0);
}

int TMediaPlayer::Volume() const { return impl_->volume; }

bool TMediaPlayer::UsesSoundDevice() const { return IsOpen() && impl_->pipeline->UsesSoundDevice(); }

PlaybackStatistics TMediaPlayer::Statistics() const {
    return IsOpen() ? impl_->pipeline->Statistics() : PlaybackStatistics{};
}

} // namespace vorlandite::audio

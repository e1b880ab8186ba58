#include "slideshow/headless/VirtualMediaPlayer.h"

#include "audio/MediaPipeline.h"

#include <algorithm>
#include <filesystem>

namespace vorlandite::slideshow {

TVirtualMediaPlayer::TVirtualMediaPlayer(TVirtualTimerClock& clock, Poster post)
    : clock_(clock), endTimer_(clock), post_(std::move(post)) {
    endTimer_.SetOnTimeout([this] { ReachEnd(); });
}

TVirtualMediaPlayer::~TVirtualMediaPlayer() {
    *alive_ = false;
    endTimer_.Stop();
}

bool TVirtualMediaPlayer::ConsumeNotify() {
    const bool notify = notify_;
    notify_ = true;
    return notify;
}

Status TVirtualMediaPlayer::Open() {
    ConsumeNotify();
    if (open_) {
        SettlePending(NotifyValue::Aborted);
        Release();
    }
    if (fileName_.empty())
        return MakeError("no file name is set");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(fileName_, ec))
        return MakeError("the file does not exist: " + fileName_);
    auto probe = audio::ProbeMedia(fileName_, true);
    if (!probe)
        return probe.error();
    // Rounded up, so that the end never comes before the last sound; a file of no length still
    // ends on the clock.
    durationMs_ = std::max<int64_t>(1, (probe->duration.count() + 999'999) / 1'000'000);
    naturalSize_ = probe->naturalVideoSize;
    firstFrame_ = probe->firstFrame;
    open_ = true;
    playing_ = false;
    atEnd_ = false;
    positionMs_ = 0;
    volume_ = 1000;
    return {};
}

Status TVirtualMediaPlayer::Play() {
    const bool notify = ConsumeNotify();
    if (!open_)
        return MakeError("no file is open");
    if (!atEnd_ && !playing_) {
        playing_ = true;
        if (soundListener_)
            soundListener_(true, fileName_, positionMs_);
        endTimer_.Start(int(std::min<int64_t>(durationMs_ - positionMs_, INT32_MAX)));
    }
    if (notify) {
        SettlePending(NotifyValue::Superseded);
        if (atEnd_)
            Post(NotifyValue::Successful);
        else
            pending_ = true;
    }
    return {};
}

void TVirtualMediaPlayer::Close() {
    ConsumeNotify();
    SettlePending(NotifyValue::Aborted);
    Release();
}

Status TVirtualMediaPlayer::Rewind() {
    ConsumeNotify();
    if (!open_)
        return MakeError("no file is open");
    SettlePending(NotifyValue::Aborted);
    endTimer_.Stop();
    Silence();
    atEnd_ = false;
    positionMs_ = 0;
    return {};
}

void TVirtualMediaPlayer::SetDisplay(audio::VideoFrameConsumer* display) {
    if (display_ && display_ != display)
        display_->ClearVideoFrame();
    display_ = display;
    PresentFirstFrame();
}

void TVirtualMediaPlayer::PresentFirstFrame() {
    if (display_ && open_ && !firstFrame_.isNull())
        display_->PresentVideoFrame(firstFrame_, displayRect_);
}

Status TVirtualMediaPlayer::SetVolume(int volume) {
    if (!open_)
        return MakeError("no file is open");
    volume_ = std::clamp(volume, 0, 1000);
    return {};
}

void TVirtualMediaPlayer::ReachEnd() {
    endTimer_.Stop();  // the timer is periodic; the end comes once
    playing_ = false;
    atEnd_ = true;
    positionMs_ = durationMs_;
    if (pending_) {
        pending_ = false;
        Deliver(NotifyValue::Successful);
    }
}

void TVirtualMediaPlayer::Silence() {
    if (playing_ && soundListener_)
        soundListener_(false, fileName_, 0);
    playing_ = false;
}

void TVirtualMediaPlayer::Release() {
    endTimer_.Stop();
    Silence();
    open_ = false;
    atEnd_ = false;
    positionMs_ = 0;
    durationMs_ = 0;
    volume_ = 1000;
    naturalSize_ = {};
    firstFrame_ = {};
    if (display_)
        display_->ClearVideoFrame();
}

void TVirtualMediaPlayer::SettlePending(NotifyValue value) {
    if (!pending_)
        return;
    pending_ = false;
    Post(value);
}

void TVirtualMediaPlayer::Post(NotifyValue value) {
    if (!post_)
        return;
    post_([this, alive = alive_, value] {
        if (*alive)
            Deliver(value);
    });
}

void TVirtualMediaPlayer::Deliver(NotifyValue value) {
    if (handler_) {
        const NotifyHandler handler = handler_;
        handler(value);
    }
}

} // namespace vorlandite::slideshow

#include "slideshow/headless/VirtualMediaPlayer.h"

#include "audio/MediaPipeline.h"
#include "slideshow/headless/VideoFrameReader.h"

#include <algorithm>
#include <filesystem>

namespace vorlandite::slideshow {

VirtualMediaPlayer::VirtualMediaPlayer(VirtualTimerClock& clock, Poster post)
    : clock_(clock), endTimer_(clock), post_(std::move(post)) {
    endTimer_.SetOnTimeout([this] { ReachEnd(); });
}

VirtualMediaPlayer::~VirtualMediaPlayer() {
    *alive_ = false;
    endTimer_.Stop();
}

bool VirtualMediaPlayer::ConsumeNotify() {
    const bool notify = notify_;
    notify_ = true;
    return notify;
}

Status VirtualMediaPlayer::Open() {
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
    OpenFrames();
    open_ = true;
    playing_ = false;
    atEnd_ = false;
    positionMs_ = 0;
    volume_ = 1000;
    return {};
}

Status VirtualMediaPlayer::Play() {
    const bool notify = ConsumeNotify();
    if (!open_)
        return MakeError("no file is open");
    if (!atEnd_ && !playing_) {
        playing_ = true;
        playStartMs_ = clock_.NowMs();
        if (soundListener_)
            soundListener_(true, fileName_, positionMs_, volume_);
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

void VirtualMediaPlayer::Close() {
    ConsumeNotify();
    SettlePending(NotifyValue::Aborted);
    Release();
}

Status VirtualMediaPlayer::Rewind() {
    ConsumeNotify();
    if (!open_)
        return MakeError("no file is open");
    SettlePending(NotifyValue::Aborted);
    endTimer_.Stop();
    Silence();
    atEnd_ = false;
    positionMs_ = 0;
    OpenFrames();
    return {};
}

void VirtualMediaPlayer::OpenFrames() {
    frames_.reset();
    presentedFrame_ = 0;
    if (!followFrames_ || naturalSize_.isEmpty())
        return;
    // A video that does not decode frame by frame keeps its first frame on show.
    if (auto reader = VideoFrameReader::Open(fileName_))
        frames_ = std::move(reader).value();
}

void VirtualMediaPlayer::PresentFrameNow() {
    if (!frames_ || !display_ || !open_)
        return;
    const int64_t position = playing_ ? positionMs_ + (clock_.NowMs() - playStartMs_) : positionMs_;
    // A frame already on the panel is not painted again: a video runs slower than the export.
    if (const QImage& frame = frames_->FrameAt(position); !frame.isNull() && frame.cacheKey() != presentedFrame_) {
        presentedFrame_ = frame.cacheKey();
        display_->PresentVideoFrame(frame, displayRect_);
    }
}

void VirtualMediaPlayer::SetDisplay(audio::VideoFrameConsumer* display) {
    if (display_ && display_ != display)
        display_->ClearVideoFrame();
    display_ = display;
    PresentFirstFrame();
}

void VirtualMediaPlayer::PresentFirstFrame() {
    if (display_ && open_ && !firstFrame_.isNull())
        display_->PresentVideoFrame(firstFrame_, displayRect_);
}

Status VirtualMediaPlayer::SetVolume(int volume) {
    if (!open_)
        return MakeError("no file is open");
    const int previous = volume_;
    volume_ = std::clamp(volume, 0, 1000);
    if (playing_ && volume_ != previous && soundListener_) {
        const int64_t position = positionMs_ + (clock_.NowMs() - playStartMs_);
        soundListener_(false, fileName_, 0, previous);
        soundListener_(true, fileName_, position, volume_);
    }
    return {};
}

void VirtualMediaPlayer::ReachEnd() {
    endTimer_.Stop();  // the timer is periodic; the end comes once
    playing_ = false;
    atEnd_ = true;
    positionMs_ = durationMs_;
    if (pending_) {
        pending_ = false;
        Deliver(NotifyValue::Successful);
    }
}

void VirtualMediaPlayer::Silence() {
    if (playing_ && soundListener_)
        soundListener_(false, fileName_, 0, volume_);
    playing_ = false;
}

void VirtualMediaPlayer::Release() {
    endTimer_.Stop();
    Silence();
    open_ = false;
    atEnd_ = false;
    positionMs_ = 0;
    durationMs_ = 0;
    volume_ = 1000;
    naturalSize_ = {};
    firstFrame_ = {};
    frames_.reset();
    if (display_)
        display_->ClearVideoFrame();
}

void VirtualMediaPlayer::SettlePending(NotifyValue value) {
    if (!pending_)
        return;
    pending_ = false;
    Post(value);
}

void VirtualMediaPlayer::Post(NotifyValue value) {
    if (!post_)
        return;
    post_([this, alive = alive_, value] {
        if (*alive)
            Deliver(value);
    });
}

void VirtualMediaPlayer::Deliver(NotifyValue value) {
    if (handler_) {
        const NotifyHandler handler = handler_;
        handler(value);
    }
}

} // namespace vorlandite::slideshow

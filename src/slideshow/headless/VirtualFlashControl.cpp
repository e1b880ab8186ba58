#include "slideshow/headless/VirtualFlashControl.h"

#include <algorithm>
#include <climits>

namespace vorlandite::slideshow {

VirtualFlashControl::VirtualFlashControl(VirtualTimerClock& clock, std::function<void()> onStopped)
    : clock_(clock), stopTimer_(clock), onStopped_(std::move(onStopped)) {
    stopTimer_.SetOnTimeout([this] { Stopped(); });
}

void VirtualFlashControl::SetMovie(const std::string& path) {
    Stop();
    movie_ = path;
    timeline_.reset();
    stopped_ = false;
    if (platform::IsNoMovie(path))
        return;
    if (auto read = swf::ReadSwfTimeline(path))
        timeline_ = *read;
}

void VirtualFlashControl::SetPlaying(bool playing) {
    if (playing)
        Play();
    else
        Stop();
}

void VirtualFlashControl::Play() {
    // Playback starts from the first frame: the show plays every movie once from its start.
    stopTimer_.Stop();
    playing_ = true;
    stopped_ = false;
    playedAtMs_ = clock_.NowMs();
    const std::optional<int64_t> stopMs = timeline_ ? timeline_->StopTimeMs() : std::nullopt;
    if (!stopMs)
        return;
    if (*stopMs < 1)
        Stopped();
    else
        stopTimer_.Start(int(std::min<int64_t>(*stopMs, INT_MAX)));
}

void VirtualFlashControl::Stop() {
    stopTimer_.Stop();
    playing_ = false;
}

bool VirtualFlashControl::IsPlaying() const {
    // By the clock, not by the stop timer: a poll due at the same moment as the stop must see it,
    // whichever of the two timers fires first.
    if (!playing_ || stopped_)
        return false;
    const std::optional<int64_t> stopMs = timeline_ ? timeline_->StopTimeMs() : std::nullopt;
    return !stopMs || clock_.NowMs() - playedAtMs_ < *stopMs;
}

void VirtualFlashControl::SetBounds(int, int, int width, int height) {
    width_ = width;
    height_ = height;
}

void VirtualFlashControl::Stopped() {
    stopTimer_.Stop();
    if (stopped_ || !playing_)
        return;
    stopped_ = true;
    if (onStopped_)
        onStopped_();
}

Result<std::unique_ptr<platform::IFlashControl>> VirtualFlashFactory::CreateFlashControl() {
    auto control = std::make_unique<VirtualFlashControl>(clock_, onStopped_);
    last_ = control.get();
    return std::unique_ptr<platform::IFlashControl>(std::move(control));
}

} // namespace vorlandite::slideshow

#include "formats/swf/FlashPlayClock.h"

namespace vorlandite::swf {

void FlashPlayClock::Reset(std::optional<int64_t> stopAfterMs) {
    *this = {};
    stopAfterMs_ = stopAfterMs;
}

void FlashPlayClock::Started(int64_t nowMs) {
    if (started_)
        return;
    started_ = true;
    runningSinceMs_ = nowMs;
}

void FlashPlayClock::Resume(int64_t nowMs) {
    if (!paused_)
        return;
    paused_ = false;
    runningSinceMs_ = nowMs;
}

void FlashPlayClock::Pause(int64_t nowMs) {
    if (paused_)
        return;
    playedMs_ = PlayedMs(nowMs);
    paused_ = true;
}

int64_t FlashPlayClock::PlayedMs(int64_t nowMs) const {
    if (!started_ || paused_)
        return playedMs_;
    return playedMs_ + (nowMs - runningSinceMs_);
}

bool FlashPlayClock::TimelineRunning(int64_t nowMs) const {
    if (paused_)
        return false;
    return !stopAfterMs_ || PlayedMs(nowMs) < *stopAfterMs_;
}

} // namespace vorlandite::swf

#pragma once
// A Flash movie's root timeline against the clock, for a player that cannot say when the
// timeline stops: played time counts from the first frame on screen, only while not paused, and
// the timeline has stopped once that time reaches the movie's stop (SwfTimeline::StopTimeMs).

#include <cstdint>
#include <optional>

namespace vorlandite::swf {

// How the movie's timeline runs against the clock: played time counts only while playing.
class FlashPlayClock {
public:
    // stopAfterMs: when the timeline stops, in played time; none: it never does.
    void Reset(std::optional<int64_t> stopAfterMs);
    void Started(int64_t nowMs);   // the first frame is on screen
    void Resume(int64_t nowMs);
    void Pause(int64_t nowMs);
    bool HasStarted() const { return started_; }
    bool TimelineRunning(int64_t nowMs) const;
    int64_t PlayedMs(int64_t nowMs) const;

private:
    std::optional<int64_t> stopAfterMs_;
    bool started_ = false;
    bool paused_ = false;
    int64_t playedMs_ = 0;      // before the current run
    int64_t runningSinceMs_ = 0;
};

} // namespace vorlandite::swf

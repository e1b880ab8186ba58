// The Flash movie's timeline against the clock: when a player that cannot tell a stopped
// timeline reports the movie as stopped.

#include "formats/swf/FlashPlayClock.h"

#include <gtest/gtest.h>

namespace vorlandite::swf {
namespace {

TEST(FlashPlayClockTest, StopsOnceThePlayedTimeReachesTheStopCountedFromTheFirstFrame) {
    FlashPlayClock clock;
    clock.Reset(900);
    EXPECT_TRUE(clock.TimelineRunning(5000)) << "loading does not count as playing";
    clock.Started(1000);
    EXPECT_TRUE(clock.TimelineRunning(1899));
    EXPECT_FALSE(clock.TimelineRunning(1900));
    clock.Started(1500);  // a second start report changes nothing
    EXPECT_FALSE(clock.TimelineRunning(1900));
}

TEST(FlashPlayClockTest, PausedTimeDoesNotCountAndAPausedMovieIsNotPlaying) {
    FlashPlayClock clock;
    clock.Reset(900);
    clock.Started(0);
    clock.Pause(500);
    clock.Pause(700);  // twice: the first counts
    EXPECT_FALSE(clock.TimelineRunning(600));
    EXPECT_EQ(clock.PlayedMs(10000), 500);
    clock.Resume(10000);
    EXPECT_EQ(clock.PlayedMs(10300), 800);
    EXPECT_TRUE(clock.TimelineRunning(10399));
    EXPECT_FALSE(clock.TimelineRunning(10400));
}

TEST(FlashPlayClockTest, PausedBeforeItsFirstFrameTheMovieStartsFromNothing) {
    FlashPlayClock clock;
    clock.Reset(300);
    clock.Pause(0);
    clock.Started(100);
    EXPECT_EQ(clock.PlayedMs(1000), 0);
    clock.Resume(1000);
    EXPECT_EQ(clock.PlayedMs(1200), 200);
    EXPECT_FALSE(clock.TimelineRunning(1300));
}

TEST(FlashPlayClockTest, AMovieWithoutAStopPlaysOnUntilPausedAndResetForgetsEverything) {
    FlashPlayClock clock;
    clock.Reset(std::nullopt);
    clock.Started(0);
    EXPECT_TRUE(clock.TimelineRunning(int64_t(86400) * 1000 * 30));
    clock.Pause(10);
    EXPECT_FALSE(clock.TimelineRunning(20));
    clock.Reset(100);
    EXPECT_FALSE(clock.HasStarted());
    EXPECT_EQ(clock.PlayedMs(50), 0);
    EXPECT_TRUE(clock.TimelineRunning(50));
}

} // namespace
} // namespace vorlandite::swf

// The player's watchdog on a source that never delivers data: a FIFO that nobody writes. Its
// open(2) blocks until a writer comes, inside GStreamer's state change, exactly like a plugin
// stuck for good. The player must pass such a file over, keep its owner's event loop running,
// and let the process end with the stuck thread still blocked (this binary does exactly that).

#include "audio/MediaFixtures.h"
#include "audio/MelodyPlayback.h"
#include "audio/MusicTestSupport.h"
#include "audio/MediaPlayer.h"
#include "support/TempDir.h"
#include "base/RandomSource.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <vector>

namespace vorlandite::audio {
namespace {

using namespace std::chrono_literals;
using testing::RunEventsFor;
using testing::WaitUntil;
using Value = MediaPlayer::NotifyValue;
using Values = std::vector<Value>;

constexpr auto kReady = 300ms;
// Generous bound for slow machines; every wait here has one.
constexpr auto kSlack = 15s;

// Counts the owner's event loop turns while a player waits for its file.
struct Ticker {
    Ticker() {
        QObject::connect(&timer, &QTimer::timeout, [this] { ++ticks; });
        timer.start(10);
    }
    QTimer timer;
    int ticks = 0;
};

struct WatchedPlayer {
    WatchedPlayer(MediaPlayer::VideoOutput video, std::chrono::milliseconds callWait)
        : player(MediaPlayer::AudioOutput::Silent, video) {
        player.SetWatchdog(MediaWatchdog{kReady, 2000ms, callWait});
        QObject::connect(&player, &MediaPlayer::OnNotify, [this](Value value) { values.push_back(value); });
    }
    MediaPlayer player;
    Values values;
};

class MediaWatchdogTest : public ::testing::Test {
protected:
    std::string MakeFifo(const std::string& name) {
        const std::string path = dir_.File(name);
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        return path;
    }
    std::string MakeWav(const std::string& name, std::chrono::milliseconds length = 200ms) {
        const std::string path = dir_.File(name);
        testing::WriteWav(path, length);
        return path;
    }
    vorlandite::testing::TempDir dir_;
};

struct StuckRow {
    const char* name;
    MediaPlayer::VideoOutput video;  // None: a melody's player, Frames: the video item's
    bool callReturnsAtOnce;           // else Open decides before returning
};
void PrintTo(const StuckRow& row, std::ostream* out) { *out << row.name; }

class StuckSourceTest : public MediaWatchdogTest, public ::testing::WithParamInterface<StuckRow> {};

TEST_P(StuckSourceTest, IsPassedOverAndThePlayerGoesOn) {
    const StuckRow& row = GetParam();
    WatchedPlayer p(row.video, row.callReturnsAtOnce ? 0ms : kReady);
    p.player.SetFileName(MakeFifo(row.callReturnsAtOnce ? "stuck.avi" : "stuck.wav"));
    Ticker ticker;

    const Status opened = p.player.Open();
    if (row.callReturnsAtOnce) {
        // Open and Play return while the preroll hangs; the failure is the play's completion.
        ASSERT_TRUE(opened) << opened.message();
        EXPECT_FALSE(p.player.IsReady());
        EXPECT_TRUE(p.player.NaturalDisplayRect().isEmpty());
        ASSERT_TRUE(p.player.Play());
        const int ticksBefore = ticker.ticks;
        ASSERT_TRUE(WaitUntil([&] { return !p.values.empty(); }, kSlack));
        EXPECT_EQ(p.values, Values{Value::Failure});
        EXPECT_GT(ticker.ticks, ticksBefore) << "the event loop ran while the file hung";
    } else {
        ASSERT_FALSE(opened);
        EXPECT_NE(opened.message().find("in time"), std::string::npos) << opened.message();
    }
    EXPECT_FALSE(p.player.IsOpen());
    EXPECT_FALSE(p.player.Play());
    EXPECT_FALSE(p.player.Rewind());
    RunEventsFor(2 * kReady);
    EXPECT_LE(p.values.size(), 1u) << "one completion, and nothing from the abandoned pipeline";

    // The same player plays the next file as if nothing had happened (with the usual limit: a
    // loaded machine may take longer than the short one to preroll a real file).
    p.values.clear();
    p.player.SetWatchdog(MediaWatchdog{5000ms, 2000ms, p.player.Watchdog().callWait});
    p.player.SetFileName(MakeWav("next.wav"));
    ASSERT_TRUE(p.player.Open());
    ASSERT_TRUE(p.player.Play());
    ASSERT_TRUE(WaitUntil([&] { return !p.values.empty(); }, kSlack));
    EXPECT_EQ(p.values, Values{Value::Successful});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StuckSourceTest,
    ::testing::Values(StuckRow{"MelodyReturningAtOnce", MediaPlayer::VideoOutput::None, true},
                      StuckRow{"VideoReturningAtOnce", MediaPlayer::VideoOutput::Frames, true},
                      StuckRow{"MelodyDecidedInOpen", MediaPlayer::VideoOutput::None, false},
                      StuckRow{"VideoDecidedInOpen", MediaPlayer::VideoOutput::Frames, false}),
    [](const auto& row) { return std::string(row.param.name); });

// Closing a file whose preroll hangs settles the play as Aborted; the watchdog then has nothing
// left to fail, and the player is destroyed with the stuck thread still blocked.
TEST_F(MediaWatchdogTest, CloseDuringAHangingOpenAbortsAndTheWatchdogStaysQuiet) {
    auto p = std::make_unique<WatchedPlayer>(MediaPlayer::VideoOutput::Frames, 0ms);
    p->player.SetFileName(MakeFifo("stuck.mpg"));
    ASSERT_TRUE(p->player.Open());
    ASSERT_TRUE(p->player.Play());
    p->player.Close();
    EXPECT_FALSE(p->player.IsOpen());
    RunEventsFor(2 * kReady);
    EXPECT_EQ(p->values, Values{Value::Aborted});

    ASSERT_TRUE(p->player.Open());  // the same FIFO again, left hanging at destruction
    p.reset();
    RunEventsFor(2 * kReady);
}

struct LateRow {
    const char* name;
    bool muteBeforeReady;
};
void PrintTo(const LateRow& row, std::ostream* out) { *out << row.name; }

class LateReadyTest : public MediaWatchdogTest, public ::testing::WithParamInterface<LateRow> {};

// A good file opened without waiting: Play is held until the preroll ends, and a volume set
// meanwhile reaches the very first sound.
TEST_P(LateReadyTest, PlayAndVolumeWaitForThePreroll) {
    auto made = testing::MakeAvi(dir_.File("clip.avi"), testing::kVideoWidth, testing::kVideoHeight, 300ms);
    if (!made) GTEST_SKIP() << made.message();
    WatchedPlayer p(MediaPlayer::VideoOutput::Frames, 0ms);
    p.player.SetWatchdog(MediaWatchdog{5000ms, 2000ms, 0ms});
    p.player.SetFileName(made->path);
    ASSERT_TRUE(p.player.Open());
    if (GetParam().muteBeforeReady) {
        ASSERT_TRUE(p.player.SetVolume(0));
    }
    ASSERT_TRUE(p.player.Play());
    ASSERT_TRUE(WaitUntil([&] { return !p.values.empty(); }, kSlack));
    EXPECT_EQ(p.values, Values{Value::Successful});
    EXPECT_TRUE(p.player.IsReady());
    EXPECT_EQ(p.player.NaturalDisplayRect(), QRect(0, 0, testing::kVideoWidth, testing::kVideoHeight));
    const PlaybackStatistics stats = p.player.Statistics();
    EXPECT_GT(stats.audioBuffers, 0);
    if (GetParam().muteBeforeReady)
        EXPECT_EQ(stats.audioPeak, 0);
    else
        EXPECT_GT(stats.audioPeak, 0);

    // A rewind that does not wait either: the next play starts when it has ended.
    p.values.clear();
    ASSERT_TRUE(p.player.Rewind());
    ASSERT_TRUE(p.player.Play());
    ASSERT_TRUE(WaitUntil([&] { return !p.values.empty(); }, kSlack));
    EXPECT_EQ(p.values, Values{Value::Successful});
}

INSTANTIATE_TEST_SUITE_P(Cases, LateReadyTest,
                         ::testing::Values(LateRow{"FullVolume", false}, LateRow{"MutedBeforeReady", true}),
                         [](const auto& row) { return std::string(row.param.name); });

// A melody that hangs ends the music as one that cannot be opened does; the melody after it is
// not played.
TEST_F(MediaWatchdogTest, HangingMelodyEndsTheMusic) {
    WatchedPlayer p(MediaPlayer::VideoOutput::None, 0ms);
    MelodySources sources;
    sources.header.MelodyCount = 2;
    sources.useCustomPlaylist = true;
    sources.customPlaylist = {MakeFifo("first.mp3"), MakeWav("second.wav")};
    sources.tempFolder = dir_.Path().string();
    SeededRandom random{1};
    MelodyPlayback playback(sources, random, p.player);
    std::vector<int> starts;
    playback.SetStartedListener([&](int index, const std::string&) { starts.push_back(index); });
    Ticker ticker;
    playback.Start();
    ASSERT_TRUE(WaitUntil([&] { return !p.player.IsOpen(); }, kSlack));
    RunEventsFor(2 * kReady);
    EXPECT_FALSE(p.player.IsOpen());
    EXPECT_EQ(starts, std::vector<int>{0});
    EXPECT_GT(ticker.ticks, 0);
    playback.Finish();
}

} // namespace
} // namespace vorlandite::audio

// Video items through the real media player: a short AVI made by GStreamer's own encoders plays
// on the silent sinks, the show's timers run on virtual time and the player's completions come
// through the Qt event loop, as in the show's window.

#include "slideshow/controller/SlideshowController.h"

#include "../OverlayTestSupport.h"
#include "../ShowItems.h"
#include "audio/MediaFixtures.h"
#include "audio/MusicTestSupport.h"
#include "audio/MediaPlayer.h"
#include "raster/decoders/PictureWriters.h"
#include "support/FakeShowDisplay.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vorlandite::slideshow {
namespace {

namespace support = vorlandite::testing;
using support::SolidPictureItem;
namespace media = vorlandite::audio::testing;
using namespace std::chrono_literals;
using raster::TBitmap32;

constexpr int kWidth = 160;
constexpr int kHeight = 120;

struct EndsSink final : IShowEventSink {
    void ItemShown(const ItemShownEvent& event) override { shown.push_back(event.index); }
    void TransitionEnded(int) override {}
    void GifFrame(int, int, const raster::Rect&) override {}
    void VideoEnded(int index) override { ended.push_back(index); }
    void Ended() override {}
    std::vector<int> shown;
    std::vector<int> ended;
};

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

payload::DraftItem<payload::TKelImageInfo> Video(std::vector<uint8_t> bytes) {
    payload::DraftItem<payload::TKelImageInfo> item;
    item.record.Ext = ".AVI";
    item.record.Stretch = 2;
    item.content = payload::Content::FromBytes(std::move(bytes));
    item.compressed = true;
    return item;
}

struct RealVideoShow {
    support::ShowFile file;
    VirtualTimerClock clock;
    VirtualTimer slideTimer{clock};
    VirtualTimer gifTimer{clock};
    VirtualTickClock ticks;
    SeededRandom random{3};
    TaskQueue queue;
    transitions::TransitionEngine engine{ticks, random, queue};
    support::FakeShowDisplay display{kWidth, kHeight};
    EndsSink events;
    audio::MediaPlayer player{audio::MediaPlayer::AudioOutput::Silent, audio::MediaPlayer::VideoOutput::Frames};
    std::unique_ptr<SlideshowController> controller;

    explicit RealVideoShow(const payload::PayloadDraft& draft) : file(draft) {
        ShowEnvironment env{display, slideTimer, gifTimer, engine, random};
        env.events = &events;
        env.videoPlayer = &player;
        controller = std::make_unique<SlideshowController>(
            env, ShowContent{file.payload, file.path, file.tempFolder, TBitmap32()});
        display.onClose = [this] { controller->FormClose(); };
    }
    std::string VideoFile() const { return file.tempFolder + "SSIMG.AVI"; }
};

class VideoPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto made = media::MakeAvi(dir.File("clip.avi"), media::kVideoWidth, media::kVideoHeight, 300ms);
        if (!made)
            GTEST_SKIP() << "no AVI encoder here: " << made.message();
        clip = FileBytes(made->path);
    }
    payload::PayloadDraft Draft(std::vector<payload::DraftItem<payload::TKelImageInfo>> items) {
        payload::PayloadDraft draft;
        draft.header.Seconds = 5;
        draft.header.GradientStyle = 1;
        draft.header.MuteVideo = true;
        draft.images = std::move(items);
        return draft;
    }
    support::TempDir dir;
    std::vector<uint8_t> clip;
};

TEST_F(VideoPlaybackTest, TwoItemsAdvanceAtOnceWhenTheVideoHasPlayed) {
    RealVideoShow show(Draft({Video(clip), SolidPictureItem(0xFF00FF00u)}));
    ASSERT_TRUE(show.controller->Start().ok());
    ASSERT_TRUE(show.controller->VideoPlaying());
    EXPECT_EQ(show.player.Volume(), 0);  // muted
    // 96 x 64, unscaled and centred on 160 x 120: a 97 x 65 panel.
    EXPECT_EQ(show.display.panel, (raster::Rect{32, 28, 129, 93}));
    EXPECT_TRUE(std::filesystem::exists(show.VideoFile()));

    ASSERT_TRUE(media::WaitUntil([&] { return !show.controller->VideoPlaying(); }, 5s));
    EXPECT_EQ(show.events.ended, (std::vector<int>{0}));
    EXPECT_GT(show.display.videoPanel.frames, 0);
    EXPECT_FALSE(show.display.panelVisible);
    EXPECT_FALSE(show.player.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(show.VideoFile()));
    ASSERT_TRUE(show.slideTimer.IsActive());
    EXPECT_EQ(show.slideTimer.IntervalMs(), 1);
    show.clock.AdvanceBy(1);
    EXPECT_EQ(show.events.shown, (std::vector<int>{0, 1}));
}

TEST_F(VideoPlaybackTest, SingleVideoLoopsUntilTheFinishDeletesItsFile) {
    RealVideoShow show(Draft({Video(clip)}));
    ASSERT_TRUE(show.controller->Start().ok());
    ASSERT_TRUE(media::WaitUntil([&] { return show.events.ended.size() >= 2; }, 8s));
    EXPECT_TRUE(show.controller->VideoPlaying());
    EXPECT_TRUE(show.player.IsOpen());
    EXPECT_FALSE(show.slideTimer.IsActive());
    EXPECT_TRUE(std::filesystem::exists(show.VideoFile()));

    show.controller->FinishScreenSaver(true);
    EXPECT_TRUE(show.controller->Closed());
    EXPECT_FALSE(show.player.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(show.VideoFile()));
    // The close's own completion, still in the event queue, starts nothing.
    const auto ends = show.events.ended.size();
    media::RunEventsFor(400ms);
    EXPECT_EQ(show.events.ended.size(), ends);
    EXPECT_EQ(show.events.shown.size(), 1u);
}

}  // namespace
}  // namespace vorlandite::slideshow

// Flash movie items in the show's controller: a fake control records what the show asks of it
// and the test decides when its movie stops; the show's timers run on virtual time.

#include "slideshow/controller/SlideshowController.h"

#include "../OverlayTestSupport.h"
#include "../ShowItems.h"
#include "formats/swf/SwfWriter.h"
#include "raster/decoders/PictureWriters.h"
#include "slideshow/DisplayPanelPlacement.h"
#include "support/FakeShowDisplay.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vorlandite::slideshow {
namespace {

namespace support = vorlandite::testing;
using support::SolidPictureItem;
using raster::TBitmap32;

constexpr int kWidth = 32;
constexpr int kHeight = 24;
constexpr int kStretchCentreMode = 2;

using Log = support::DisplayLog;

class FakeFlashControl final : public platform::IFlashControl {
public:
    explicit FakeFlashControl(Log& log) : log_(log) {}
    ~FakeFlashControl() override { log_.push_back("destroy"); }
    void SetMovie(const std::string& path) override {
        movie = path;
        log_.push_back("movie " + path);
        if (auto hook = onSetMovie)  // a copy: the hook may destroy this control
            hook();
    }
    std::string Movie() const override { return movie; }
    void SetPlaying(bool on) override {
        playing = on;
        log_.push_back(on ? "playing on" : "playing off");
    }
    bool Playing() const override { return playing; }
    void Play() override {
        playing = true;
        log_.push_back("play");
    }
    void Stop() override {
        playing = false;
        log_.push_back("stop");
    }
    bool IsPlaying() const override { return playing && !ended; }
    void SetBounds(int left, int top, int width, int height) override {
        log_.push_back("bounds " + std::to_string(left) + " " + std::to_string(top) + " " + std::to_string(width) +
                       " " + std::to_string(height));
    }
    void SetVisible(bool visible) override { log_.push_back(visible ? "visible" : "hidden"); }
    void SetInputEnabled(bool enabled) override { log_.push_back(enabled ? "input on" : "input off"); }

    std::string movie;
    bool playing = false;
    bool ended = false;  // the movie's timeline has stopped
    std::function<void()> onSetMovie;  // what the runtime does while it loads (it runs events)

private:
    Log& log_;
};

class FakeFlashFactory final : public platform::IFlashControlFactory {
public:
    explicit FakeFlashFactory(Log& log) : log_(log) {}
    Result<std::unique_ptr<platform::IFlashControl>> CreateFlashControl() override {
        log_.push_back("create");
        if (!works)
            return MakeError("no runtime");
        auto control = std::make_unique<FakeFlashControl>(log_);
        control->onSetMovie = onSetMovie;
        last = control.get();
        ++created;
        return std::unique_ptr<platform::IFlashControl>(std::move(control));
    }
    bool works = true;
    int created = 0;
    FakeFlashControl* last = nullptr;
    std::function<void()> onSetMovie;  // given to every control made

private:
    Log& log_;
};

struct ShownSink final : IShowEventSink {
    void ItemShown(const ItemShownEvent& event) override { shown.push_back(event); }
    void TransitionEnded(int) override {}
    void GifFrame(int, int, const raster::Rect&) override {}
    void Ended() override {}
    std::vector<ItemShownEvent> shown;
};

payload::DraftItem<payload::TKelImageInfo> Movie(int duration, std::vector<uint8_t> bytes = swf::StoppingSwf(
                                                                   4, 10, 320, 240)) {
    payload::DraftItem<payload::TKelImageInfo> item;
    item.record.Ext = ".swf";
    item.record.Stretch = kStretchCentreMode;
    item.record.Duration = duration;
    item.content = payload::Content::FromBytes(std::move(bytes));
    return item;
}

payload::PayloadDraft Draft(std::vector<payload::DraftItem<payload::TKelImageInfo>> items) {
    payload::PayloadDraft draft;
    draft.header.Seconds = 5;
    draft.header.DisplayOrder = 0;  // sequential
    draft.header.GradientStyle = 1;
    draft.images = std::move(items);
    return draft;
}

struct FlashShow {
    support::ShowFile file;
    Log log;
    VirtualTimerClock clock;
    VirtualTimer slideTimer{clock};
    VirtualTimer gifTimer{clock};
    VirtualTimer flashTimer{clock};
    VirtualTickClock ticks;
    SeededRandom random{5};
    TaskQueue queue;
    transitions::TransitionEngine engine{ticks, random, queue};
    support::FakeShowDisplay display{kWidth, kHeight, &log};
    ShownSink events;
    FakeFlashFactory factory{log};
    std::function<bool()> onRegister;  // the runtime's registration; none: it fails
    std::unique_ptr<SlideshowController> controller;

    explicit FlashShow(const payload::PayloadDraft& draft, bool runtime = true) : file(draft) {
        ShowEnvironment env{display, slideTimer, gifTimer, engine, random};
        env.events = &events;
        if (runtime) {
            env.flash = &factory;
            env.flashTimer = &flashTimer;
            env.RegisterFlash = [this] { return onRegister && onRegister(); };
        }
        controller = std::make_unique<SlideshowController>(
            env, ShowContent{file.payload, file.path, file.tempFolder, TBitmap32()});
        display.onClose = [this] { controller->FormClose(); };
    }
    std::string MovieFile() const { return file.tempFolder + "SSIMG.swf"; }
    // Runs the show's timers up to timeMs; transitions complete as they end.
    void RunUntil(int64_t timeMs) {
        while (clock.NextDueMs() && *clock.NextDueMs() <= timeMs) {
            clock.RunNext();
            transitions::RunUntilIdle(engine, queue);
            queue.RunPending();
        }
        clock.AdvanceTo(std::max(timeMs, clock.NowMs()));
    }
    std::vector<int> Shown() const {
        std::vector<int> indexes;
        for (const auto& e : events.shown)
            indexes.push_back(e.index);
        return indexes;
    }
};

TEST(FlashItemTest, StartRunsItsStepsInOrder) {
    auto draft = Draft({Movie(-1), SolidPictureItem(0xFFFF0000u)});
    draft.header.ExitMouseMove = true;
    FlashShow show(draft);
    ASSERT_TRUE(show.controller->Start().ok());

    const Log expected{"frame",  // the background with the logo on screen
                       "create", "bounds 0 0 32 24", "visible", "movie " + show.MovieFile(),
                       "input off",  // mouse movement must reach the show
                       "place panel", "bounds 0 0 17 13", "show panel", "play"};
    EXPECT_EQ(show.log, expected);
    // A 16 x 12 movie centred, one pixel larger as every panel is.
    EXPECT_EQ(show.display.panel, (raster::Rect{8, 6, 25, 19}));
    EXPECT_TRUE(show.controller->FlashShown());
    EXPECT_EQ(show.controller->CurrentPictureIndex(), -1);
    EXPECT_EQ(show.controller->CurrentItemIndex(), 0);
    EXPECT_TRUE(show.flashTimer.IsActive());
    EXPECT_EQ(show.flashTimer.IntervalMs(), kFlashPollMs);
    // Duration -1 became one day, and so the slide timer's interval.
    EXPECT_EQ(show.controller->DisplayTimeMs(0), kFlashDurationSeconds * 1000);
    EXPECT_EQ(show.slideTimer.IntervalMs(), kFlashDurationSeconds * 1000);
    ASSERT_EQ(show.events.shown.size(), 1u);
    EXPECT_EQ(show.events.shown[0].kind, payload::ItemKind::Flash);
    EXPECT_EQ(show.events.shown[0].rect, show.display.panel);
}

TEST(FlashItemTest, StoppedMovieAdvancesWithinOnePoll) {
    FlashShow show(Draft({Movie(-1), SolidPictureItem(0xFFFF0000u)}));
    ASSERT_TRUE(show.controller->Start().ok());
    show.RunUntil(1250);
    EXPECT_EQ(show.Shown(), (std::vector<int>{0}));
    EXPECT_TRUE(std::filesystem::exists(show.MovieFile())) << "the control reads it while the movie is loaded";
    show.factory.last->ended = true;  // the movie stops at 1250 ms
    int64_t advancedAt = -1;
    for (int64_t t = 1250; t <= 1500 && advancedAt < 0; ++t) {
        show.RunUntil(t);
        if (show.events.shown.size() == 2)
            advancedAt = t;
    }
    ASSERT_GT(advancedAt, 1250);
    EXPECT_LE(advancedAt, 1250 + kFlashPollMs + 1);
    EXPECT_EQ(show.Shown(), (std::vector<int>{0, 1}));
    // The movie was closed before the picture came: stopped, hidden, unloaded, no longer watched.
    EXPECT_FALSE(show.controller->FlashShown());
    EXPECT_FALSE(show.flashTimer.IsActive());
    EXPECT_FALSE(show.display.panelVisible);
    EXPECT_EQ(show.factory.last->movie, "none");
    EXPECT_FALSE(show.factory.last->playing);
    EXPECT_FALSE(std::filesystem::exists(show.MovieFile())) << "unloaded, its file goes";
}

TEST(FlashItemTest, StopNoticedWhileThePasswordIsAskedWaitsForResume) {
    FlashShow show(Draft({Movie(-1), SolidPictureItem(0xFFFF0000u)}));
    ASSERT_TRUE(show.controller->Start().ok());
    show.controller->Suspend();
    show.factory.last->ended = true;
    show.RunUntil(1000);
    EXPECT_EQ(show.Shown(), (std::vector<int>{0})) << "nothing moves while the show is suspended";
    show.controller->Resume();
    show.RunUntil(1001);
    EXPECT_EQ(show.Shown(), (std::vector<int>{0, 1}));
}

TEST(FlashItemTest, MovieWhoseEndIsNotWatchedStaysItsDay) {
    FlashShow show(Draft({Movie(-2), SolidPictureItem(0xFFFF0000u)}));
    ASSERT_TRUE(show.controller->Start().ok());
    EXPECT_FALSE(show.flashTimer.IsActive());
    show.factory.last->ended = true;
    show.RunUntil(int64_t(kFlashDurationSeconds) * 1000 - 1);
    EXPECT_EQ(show.Shown(), (std::vector<int>{0}));
    show.RunUntil(int64_t(kFlashDurationSeconds) * 1000);
    EXPECT_EQ(show.Shown(), (std::vector<int>{0, 1}));
}

TEST(FlashItemTest, LoopingMovieIsReplacedAfterItsOwnTime) {
    FlashShow show(Draft({Movie(10), SolidPictureItem(0xFFFF0000u)}));
    ASSERT_TRUE(show.controller->Start().ok());
    show.RunUntil(9999);
    EXPECT_EQ(show.Shown(), (std::vector<int>{0}));
    show.RunUntil(10000);
    EXPECT_EQ(show.Shown(), (std::vector<int>{0, 1}));
}

TEST(FlashItemTest, SingleMovieStartsAgainEachTimeItStops) {
    FlashShow show(Draft({Movie(-1)}));
    ASSERT_TRUE(show.controller->Start().ok());
    for (int round = 1; round <= 3; ++round) {
        show.factory.last->ended = true;
        show.RunUntil(show.clock.NowMs() + kFlashPollMs + 1);
        EXPECT_EQ(show.factory.created, round + 1);
        EXPECT_TRUE(show.factory.last->playing);
        EXPECT_TRUE(std::filesystem::exists(show.MovieFile())) << "extracted again for each round";
        EXPECT_TRUE(show.slideTimer.IsActive()) << "a single Flash item keeps the slide timer running";
    }
    EXPECT_EQ(show.Shown(), (std::vector<int>{0, 0, 0, 0}));
}

TEST(FlashItemTest, PlacesByTheHeaderSizeWithTheRemainderDropped) {
    for (uint32_t xmax : {16000u, 16019u}) {
        FlashShow show(Draft({Movie(-1, swf::StoppingSwf(2, 10, xmax, 12000)), SolidPictureItem(0xFFFF0000u)}));
        ASSERT_TRUE(show.controller->Start().ok());
        SeededRandom unused(1);
        EXPECT_EQ(show.display.panel,
                  DisplayPanelRect(kStretchCentreMode, raster::Rect{0, 0, 800, 600}, kWidth, kHeight, unused))
            << xmax;
    }
}

TEST(FlashItemTest, MovieWithoutAHeaderIsSkippedAndSilenced) {
    FlashShow show(Draft({Movie(-1, {'F', 'W', 'S', 8, 1, 2}), SolidPictureItem(0xFFFF0000u)}));
    ASSERT_TRUE(show.controller->Start().ok());
    EXPECT_FALSE(show.controller->FlashShown());
    EXPECT_TRUE(show.events.shown.empty());
    ASSERT_NE(show.factory.last, nullptr);
    EXPECT_FALSE(show.factory.last->playing);
    EXPECT_EQ(show.factory.last->movie, "none");
    EXPECT_FALSE(std::filesystem::exists(show.MovieFile()));
    show.RunUntil(5000);
    EXPECT_EQ(show.Shown(), (std::vector<int>{1}));
}

struct RuntimeRow {
    const char* name;
    bool runtime;         // a Flash factory is given
    bool creationWorks;   // and it can make controls
};

class NoFlashRuntimeTest : public ::testing::TestWithParam<RuntimeRow> {};

TEST_P(NoFlashRuntimeTest, PayloadWithAFlashControlSectionStillShowsItsPictures) {
    auto draft = Draft({SolidPictureItem(0xFFFF0000u), Movie(-1), SolidPictureItem(0xFF00FF00u)});
    draft.flashPlayer = payload::Content::FromBytes(std::vector<uint8_t>(64, 0x4D));
    FlashShow show(draft, GetParam().runtime);
    show.factory.works = GetParam().creationWorks;
    ASSERT_TRUE(show.controller->Start().ok());
    show.RunUntil(25000);
    // Every tick that falls on the movie leaves the picture before it on screen.
    const std::vector<int> expected{0, 2, 0, 2};
    EXPECT_EQ(show.Shown(), expected);
    EXPECT_FALSE(show.controller->FlashShown());
    EXPECT_LE(show.factory.created, 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, NoFlashRuntimeTest,
                         ::testing::Values(RuntimeRow{"NoRuntime", false, false},
                                           RuntimeRow{"ControlCannotBeCreated", true, false}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(FlashItemTest, ControlIsMadeAtStartWhenThePayloadCarriesOne) {
    auto draft = Draft({SolidPictureItem(0xFFFF0000u), Movie(-1)});
    draft.flashPlayer = payload::Content::FromBytes(std::vector<uint8_t>(64, 0x4D));
    FlashShow show(draft);
    ASSERT_TRUE(show.controller->Start().ok());
    ASSERT_EQ(show.factory.created, 1);
    EXPECT_EQ(show.log[0], "create");
    EXPECT_EQ(show.log[2], "hidden");
}

TEST(FlashItemTest, FailedStartUpControlIsRetriedOnceAfterRegistering) {
    for (bool registered : {true, false}) {
        auto draft = Draft({SolidPictureItem(0xFFFF0000u), Movie(-1)});
        draft.flashPlayer = payload::Content::FromBytes(std::vector<uint8_t>(64, 0x4D));
        FlashShow show(draft);
        show.factory.works = false;
        int registrations = 0;
        show.onRegister = [&] {
            ++registrations;
            show.factory.works = registered;
            return registered;
        };
        ASSERT_TRUE(show.controller->Start().ok()) << registered;
        EXPECT_EQ(registrations, 1);
        EXPECT_EQ(std::count(show.log.begin(), show.log.end(), "create"), registered ? 2 : 1);
        EXPECT_EQ(show.factory.created, registered ? 1 : 0);
    }
}

TEST(FlashItemTest, TheShowClosedWhileTheMovieLoadsLeavesTheItemAlone) {
    FlashShow show(Draft({SolidPictureItem(0xFFFF0000u), Movie(-1), SolidPictureItem(0xFF00FF00u)}));
    show.factory.onSetMovie = [&show] {
        if (!show.controller->Closed() && show.factory.last->movie != "none")
            show.controller->FormClose();
    };
    ASSERT_TRUE(show.controller->Start().ok());
    show.RunUntil(20000);
    EXPECT_TRUE(show.controller->Closed());
    EXPECT_FALSE(show.controller->FlashShown());
    EXPECT_EQ(show.Shown(), (std::vector<int>{0}));
}

TEST(FlashItemTest, ClosingTheWindowStopsTheMovie) {
    FlashShow show(Draft({Movie(-1), SolidPictureItem(0xFFFF0000u)}));
    ASSERT_TRUE(show.controller->Start().ok());
    show.controller->FinishScreenSaver(true);
    EXPECT_TRUE(show.controller->Closed());
    EXPECT_FALSE(show.flashTimer.IsActive());
    EXPECT_EQ(show.log.back(), "destroy");
    EXPECT_FALSE(std::filesystem::exists(show.MovieFile()));
}

} // namespace
} // namespace vorlandite::slideshow

// The show's controller on virtual timers: small screensavers of solid-colour pictures are built
// here, the transitions run on a virtual tick clock into a recording presenter, and the
// completions are delivered by a task queue the test drains, so nothing ever waits.

#include "slideshow/controller/SlideshowController.h"

#include "../OverlayTestSupport.h"
#include "../ShowItems.h"
#include "payload/PayloadLayout.h"
#include "raster/decoders/PictureWriters.h"
#include "support/FakeShowDisplay.h"
#include "transitions/RecordingPresenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>
#include <utility>

namespace vorlandite::slideshow {
namespace {

namespace support = vorlandite::testing;
using support::SolidPictureItem;
using support::BrokenPictureItem;
using support::TwoFrameGifItem;
using raster::TBitmap32;
using raster::TColor32;

constexpr int kWidth = 32;
constexpr int kHeight = 24;
constexpr TColor32 kRed = 0xFFFF0000u;
constexpr TColor32 kGreen = 0xFF00FF00u;
constexpr TColor32 kBlue = 0xFF0000FFu;
constexpr TColor32 kWhite = 0xFFFFFFFFu;

// A player that plays nothing: it logs what the show asks of it, and the test decides when and
// how each play completes.
class FakeVideoPlayer final : public audio::IMediaPlayer {
public:
    const std::string& FileName() const override { return file; }
    void SetFileName(std::string path) override {
        file = std::move(path);
        log.push_back("file");
    }
    Status Open() override {
        Take("open");
        if (!openWorks)
            return MakeError("cannot open");
        open = true;
        return {};
    }
    Status Play() override {
        const bool notified = Take("play");
        if (!open)
            return MakeError("not open");
        pending = notified;
        return {};
    }
    void Close() override {
        Take("close");
        open = false;
        pending = false;
        prerolled = false;
        readyHandler = nullptr;
    }
    Status Rewind() override {
        Take("rewind");
        pending = false;
        if (!rewindWorks)
            return MakeError("did not rewind in time");
        return {};
    }
    bool IsOpen() const override { return open; }
    bool Notify() const override { return notify; }
    void SetNotify(bool on) override { notify = on; }
    void SetNotifyHandler(NotifyHandler h) override { handler = std::move(h); }
    void SetDisplay(audio::VideoFrameConsumer* display) override {
        log.push_back(display ? "display" : "no-display");
    }
    void SetDisplayRect(const QRect&) override {}
    QRect NaturalDisplayRect() const override { return Ready() ? QRect(0, 0, 10, 8) : QRect(); }
    bool Ready() const override { return open && (!backgroundPreroll || prerolled); }
    void SetReadyHandler(std::function<void()> handler) override { readyHandler = std::move(handler); }
    // A background preroll ends well: the ready handler runs (as the owner's loop would run it).
    void FinishPreroll() {
        prerolled = true;
        if (auto handler = std::exchange(readyHandler, nullptr))
            handler();
    }
    Status SetVolume(int value) override {
        volume = value;
        log.push_back("volume " + std::to_string(value));
        return {};
    }

    // The pending play ends with value (a completion the player reports).
    void Complete(NotifyValue value) {
        ASSERT_TRUE(pending);
        pending = false;
        if (handler)
            handler(value);
    }

    std::string file;
    std::vector<std::string> log;
    bool open = false;
    bool openWorks = true;
    bool rewindWorks = true;
    bool backgroundPreroll = false;  // Open returns before the file is ready
    bool prerolled = false;
    std::function<void()> readyHandler;
    bool notify = true;
    bool pending = false;
    int volume = 1000;
    NotifyHandler handler;

private:
    // The command is logged with " quiet" when it was given with notification off.
    bool Take(const std::string& command) {
        const bool notified = notify;
        notify = true;
        log.push_back(notified ? command : command + " quiet");
        return notified;
    }
};

class FakePassword final : public IPasswordCheck {
public:
    bool VerifyPassword() override {
        ++asked;
        suspendedWhileAsked = controller && controller->Suspended();
        return answer;
    }
    bool answer = true;
    int asked = 0;
    bool suspendedWhileAsked = false;
    const SlideshowController* controller = nullptr;
};

struct RecordingSink final : IShowEventSink {
    void ItemShown(const ItemShownEvent& event) override { shown.push_back(event); }
    void VideoEnded(int index) override { videosEnded.push_back(index); }
    std::vector<int> videosEnded;
    void TransitionEnded(int) override { ++transitionsEnded; }
    void GifFrame(int, int frameIndex, const raster::Rect&) override { gifFrames.push_back(frameIndex); }
    void Ended() override { ++ended; }
    std::vector<ItemShownEvent> shown;
    int transitionsEnded = 0;
    int ended = 0;
    std::vector<int> gifFrames;

    std::vector<int> Indexes() const {
        std::vector<int> indexes;
        for (const auto& e : shown)
            indexes.push_back(e.index);
        return indexes;
    }
};

class FixedDesktop final : public raster::DesktopCapture {
public:
    Result<TBitmap32> GrabScreen() override { return support::SolidBitmap(kWidth, kHeight, kWhite); }
};

payload::PayloadDraft Draft(std::vector<payload::DraftItem<payload::TKelImageInfo>> items, int seconds = 5) {
    payload::PayloadDraft draft;
    draft.header.Seconds = seconds;
    draft.header.DisplayOrder = kOrderSequential;
    draft.header.EffectSpeed = 1;
    draft.header.GradientStyle = 1;
    draft.strings.EffectList = std::string(1, char(1));
    draft.images = std::move(items);
    return draft;
}

// One show: the screensaver file, the services on virtual time, the controller.
struct Show {
    support::ShowFile file;
    slideshow::VirtualTimerClock clock;
    slideshow::VirtualTimer slideTimer{clock};
    slideshow::VirtualTimer gifTimer{clock};
    VirtualTickClock ticks;
    SeededRandom random{7};
    TaskQueue queue;
    transitions::TransitionEngine engine{ticks, random, queue};
    support::FakeShowDisplay display{kWidth, kHeight};
    FakePassword password;
    RecordingSink events;
    FixedDesktop desktop;
    std::unique_ptr<SlideshowController> controller;

    explicit Show(const payload::PayloadDraft& draft, support::FakeShowSurface* secondMonitor = nullptr,
                  audio::IMediaPlayer* videoPlayer = nullptr)
        : file(draft) {
        support::EnsureGuiApplication();
        display.second = secondMonitor;
        ShowEnvironment env{display, slideTimer, gifTimer, engine, random};
        env.videoPlayer = videoPlayer;
        env.password = &password;
        env.events = &events;
        env.desktop = &desktop;
        controller = std::make_unique<SlideshowController>(
            env, ShowContent{file.payload, file.path, file.tempFolder, TBitmap32()});
        password.controller = controller.get();
        display.onClose = [this] { controller->FormClose(); };
    }

    void Start() { ASSERT_TRUE(controller->Start().ok()); }

    // The transition in progress ends after transitionMs of show time.
    void FinishTransition(int64_t transitionMs = 0) {
        if (!engine.HasPendingCompletion())
            return;
        clock.AdvanceBy(transitionMs);
        transitions::RunUntilIdle(engine, queue);
    }

    // The slide timer's next tick, and the transition it starts.
    void Tick(int64_t transitionMs = 0) {
        ASSERT_TRUE(slideTimer.IsActive());
        const int64_t due = *clock.NextDueMs();
        clock.AdvanceTo(due);
        FinishTransition(transitionMs);
    }

    TColor32 OnScreen() const { return display.presenter.Canvas().Pixel(kWidth / 2, kHeight / 2); }
    bool ScreenIsAll(TColor32 colour) const { return IsAll(display.presenter.Canvas(), colour); }
    static bool IsAll(const TBitmap32& screen, TColor32 colour) {
        for (TColor32 p : screen.Pixels())
            if (p != colour)
                return false;
        return true;
    }
};

TEST(SlideshowControllerTest, FirstItemAtOnceThenSequentialThroughTransitions) {
    Show show(Draft({SolidPictureItem(kRed), SolidPictureItem(kGreen), SolidPictureItem(kBlue)}));
    show.Start();
    ASSERT_EQ(show.events.shown.size(), 1u);
    EXPECT_EQ(show.events.shown[0].mode, ShowMode::AtOnce);
    EXPECT_EQ(show.events.shown[0].effect, 0);
    EXPECT_EQ(show.display.presenter.FramesStarted(), 0);
    EXPECT_TRUE(show.ScreenIsAll(kRed));
    EXPECT_EQ(show.slideTimer.IntervalMs(), 5000);

    const TColor32 expected[] = {kGreen, kBlue, kRed, kGreen};
    for (TColor32 colour : expected) {
        show.Tick();
        EXPECT_EQ(show.events.shown.back().mode, ShowMode::Transition);
        EXPECT_EQ(show.events.shown.back().effect, 1);
        EXPECT_EQ(show.events.shown.back().steps, 32);
        EXPECT_TRUE(show.ScreenIsAll(colour));
    }
    EXPECT_EQ(show.events.Indexes(), (std::vector<int>{0, 1, 2, 0, 1}));
    EXPECT_EQ(show.events.transitionsEnded, 4);
    // Each item file is removed once its frame is handed over.
    EXPECT_FALSE(std::filesystem::exists(show.file.tempFolder + "SSIMG.png"));
}

TEST(SlideshowControllerTest, DisplayTimeCountsFromTheEndOfTheTransition) {
    Show show(Draft({SolidPictureItem(kRed), SolidPictureItem(kGreen, 12), SolidPictureItem(kBlue)}));
    show.Start();
    EXPECT_EQ(*show.clock.NextDueMs(), 5000);

    // Item 1 (12 s of its own) comes in at 5000 and its transition takes 700 ms.
    show.clock.AdvanceTo(5000);
    EXPECT_TRUE(show.controller->TransitionInProgress());
    EXPECT_FALSE(show.slideTimer.IsActive());  // off while the transition runs
    show.FinishTransition(700);
    EXPECT_EQ(*show.clock.NextDueMs(), 5000 + 700 + 12000);

    show.Tick(300);
    EXPECT_EQ(show.events.shown.back().index, 2);
    EXPECT_EQ(*show.clock.NextDueMs(), 17700 + 300 + 5000);
}

TEST(SlideshowControllerTest, NoItemsShowNothingAndNeverTick) {
    Show show(Draft({}));
    show.Start();
    EXPECT_TRUE(show.events.shown.empty());
    EXPECT_FALSE(show.slideTimer.IsActive());
    EXPECT_TRUE(show.controller->EffectList().empty());
    EXPECT_EQ(show.controller->CurrentPictureIndex(), -1);
    EXPECT_EQ(show.clock.AdvanceBy(60000), 0);
}

TEST(SlideshowControllerTest, SingleItemIsShownOnceWithoutEffects) {
    Show show(Draft({SolidPictureItem(kRed)}));
    show.Start();
    ASSERT_EQ(show.events.shown.size(), 1u);
    EXPECT_TRUE(show.ScreenIsAll(kRed));
    EXPECT_FALSE(show.slideTimer.IsActive());
    EXPECT_TRUE(show.controller->EffectList().empty());
}

TEST(SlideshowControllerTest, BrokenItemIsSkippedAndTheShowGoesOn) {
    Show show(Draft({SolidPictureItem(kRed), BrokenPictureItem(), SolidPictureItem(kBlue)}));
    show.Start();
    show.Tick();  // the broken item: nothing changes, the timer runs on
    EXPECT_EQ(show.events.shown.size(), 1u);
    EXPECT_TRUE(show.ScreenIsAll(kRed));
    EXPECT_EQ(show.controller->CurrentItemIndex(), 0);
    EXPECT_TRUE(show.slideTimer.IsActive());
    EXPECT_FALSE(std::filesystem::exists(show.file.tempFolder + "SSIMG.png"));

    show.Tick();
    EXPECT_EQ(show.events.Indexes(), (std::vector<int>{0, 2}));
    EXPECT_TRUE(show.ScreenIsAll(kBlue));
}

// An item that cannot be extracted (its bytes cut off the file) is passed over: a file of its
// name that an earlier item or run left never stands in for it.
TEST(SlideshowControllerTest, AnItemThatCannotBeExtractedIsPassedOverNotAnOlderFileOfItsName) {
    Show show(Draft({SolidPictureItem(kRed), SolidPictureItem(kGreen)}));
    const payload::TKelImageInfo& green = show.file.payload.images[1];
    std::filesystem::resize_file(show.file.path, uint64_t(payload::ItemPosition(show.file.payload.header, green)));
    const std::string stale = show.file.tempFolder + "SSIMG.png";
    support::WriteFileBytes(stale, support::WritePngFromBitmap(support::SolidBitmap(4, 4, kBlue), true));
    show.Start();
    show.Tick();
    EXPECT_EQ(show.events.shown.size(), 1u);
    EXPECT_TRUE(show.ScreenIsAll(kRed));
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(show.slideTimer.IsActive());
}

TEST(SlideshowControllerTest, BrokenFirstItemLeavesTheNextOneWithoutTransition) {
    Show show(Draft({BrokenPictureItem(), SolidPictureItem(kGreen)}));
    show.Start();
    EXPECT_TRUE(show.events.shown.empty());
    EXPECT_TRUE(show.controller->ShowWithoutTransition());
    show.Tick();
    ASSERT_EQ(show.events.shown.size(), 1u);
    EXPECT_EQ(show.events.shown[0].mode, ShowMode::AtOnce);
    EXPECT_TRUE(show.ScreenIsAll(kGreen));
}

TEST(SlideshowControllerTest, FinishDuringTransitionAbortsWithoutFinalFrameThenAsks) {
    Show show(Draft({SolidPictureItem(kRed), SolidPictureItem(kGreen)}));
    show.Start();
    // Hold the worker at its second frame until the user has asked to leave.
    std::atomic<bool> released{false};
    show.display.presenter.SetFrameStartHook([&](int started) {
        if (started == 2)
            while (!released.load())
                std::this_thread::yield();
    });
    show.clock.AdvanceTo(*show.clock.NextDueMs());
    ASSERT_TRUE(show.controller->TransitionInProgress());

    show.controller->FinishScreenSaver(true);
    EXPECT_EQ(show.password.asked, 0);  // put off until the transition has ended
    EXPECT_TRUE(show.engine.TransitionAbort.load());
    EXPECT_TRUE(show.engine.SkipFinalFrame.load());
    EXPECT_EQ(show.display.closeRequests, 0);

    released = true;
    transitions::RunUntilIdle(show.engine, show.queue);
    EXPECT_FALSE(show.ScreenIsAll(kGreen));  // stopped early, no closing copy
    EXPECT_EQ(show.password.asked, 1);
    EXPECT_TRUE(show.password.suspendedWhileAsked);
    EXPECT_EQ(show.display.closeRequests, 1);
    EXPECT_TRUE(show.controller->Closed());
    EXPECT_EQ(show.events.ended, 1);
    EXPECT_EQ(show.controller->ItemTableSize(), 0u);
    EXPECT_FALSE(show.slideTimer.IsActive());
}

TEST(SlideshowControllerTest, RefusedPasswordKeepsTheShowRunningWithTheTimerOn) {
    Show show(Draft({SolidPictureItem(kRed)}));  // a single item: the timer is off before
    show.password.answer = false;
    show.Start();
    ASSERT_FALSE(show.slideTimer.IsActive());
    show.controller->FinishScreenSaver(true);
    EXPECT_EQ(show.password.asked, 1);
    EXPECT_TRUE(show.password.suspendedWhileAsked);
    EXPECT_FALSE(show.controller->Suspended());
    EXPECT_TRUE(show.slideTimer.IsActive());
    EXPECT_EQ(show.display.closeRequests, 0);

    show.controller->FinishScreenSaver(false);  // input that does not meet the exit conditions
    EXPECT_EQ(show.password.asked, 1);
}

TEST(SlideshowControllerTest, RefusedPasswordAfterTransitionClearsThePendingFinish) {
    Show show(Draft({SolidPictureItem(kRed), SolidPictureItem(kGreen), SolidPictureItem(kBlue)}));
    show.password.answer = false;
    show.Start();
    show.clock.AdvanceTo(*show.clock.NextDueMs());
    show.controller->FinishScreenSaver(true);
    show.FinishTransition();
    EXPECT_EQ(show.password.asked, 1);
    EXPECT_FALSE(show.engine.TransitionAbort.load());
    EXPECT_EQ(show.display.closeRequests, 0);

    // The next tick shows the next item instead of asking again.
    show.Tick();
    EXPECT_EQ(show.password.asked, 1);
    EXPECT_EQ(show.events.Indexes(), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(show.ScreenIsAll(kBlue));
}

TEST(SlideshowControllerTest, GifStartsMovingOnlyAfterItsTransition) {
    Show show(Draft({SolidPictureItem(kBlue), TwoFrameGifItem(kRed, kGreen, 10)}));
    show.Start();
    show.clock.AdvanceTo(5000);
    EXPECT_EQ(show.events.shown.back().kind, payload::ItemKind::Gif);
    EXPECT_FALSE(show.gifTimer.IsActive());
    show.FinishTransition(400);
    EXPECT_TRUE(show.gifTimer.IsActive());
    // The first expiry draws frame 0 again, the next one frame 1 after frame 0's delay.
    show.clock.AdvanceBy(1 + 100);
    EXPECT_EQ(show.events.gifFrames, (std::vector<int>{0, 1}));
    EXPECT_EQ(show.display.picture.Pixel(0, 0), kGreen);
}

TEST(SlideshowControllerTest, DesktopStartShowsTheSnapshotThenTheFirstItemThroughATransition) {
    auto draft = Draft({SolidPictureItem(kRed), SolidPictureItem(kGreen), SolidPictureItem(kBlue)});
    draft.header.DesktopStart = true;
    Show show(draft);
    show.Start();
    ASSERT_EQ(show.events.shown.size(), 1u);
    EXPECT_EQ(show.events.shown[0].mode, ShowMode::Desktop);
    EXPECT_TRUE(show.ScreenIsAll(kWhite));
    EXPECT_EQ(*show.clock.NextDueMs(), 1);

    show.Tick();
    EXPECT_EQ(show.events.shown.back().index, 0);
    EXPECT_EQ(show.events.shown.back().mode, ShowMode::Transition);
    EXPECT_TRUE(show.ScreenIsAll(kRed));
    show.Tick();
    EXPECT_EQ(show.events.Indexes(), (std::vector<int>{0, 0, 1}));
}

TEST(SlideshowControllerTest, SuspendStopsTheTimerAndResumeAlwaysStartsIt) {
    Show show(Draft({SolidPictureItem(kRed), SolidPictureItem(kWhite)}));
    show.Start();
    show.controller->Suspend();
    EXPECT_TRUE(show.controller->Suspended());
    EXPECT_FALSE(show.slideTimer.IsActive());
    EXPECT_EQ(show.clock.AdvanceBy(20000), 0);
    show.controller->Resume();
    EXPECT_FALSE(show.controller->Suspended());
    EXPECT_TRUE(show.slideTimer.IsActive());
    EXPECT_EQ(*show.clock.NextDueMs(), 25000);
}

TEST(SlideshowControllerTest, AcceptedFinishClosesOnceAndReleasesTheShow) {
    Show show(Draft({SolidPictureItem(kRed), SolidPictureItem(kGreen)}));
    show.Start();
    support::WriteFileBytes(show.file.tempFolder + "SSDATA.DAT", {1});
    show.controller->FinishScreenSaver(true);
    show.controller->FinishScreenSaver(true);
    EXPECT_EQ(show.password.asked, 1);
    EXPECT_EQ(show.display.closeRequests, 1);
    EXPECT_EQ(show.events.ended, 1);
    EXPECT_FALSE(std::filesystem::exists(show.file.tempFolder + "SSDATA.DAT"));
    EXPECT_EQ(show.clock.AdvanceBy(60000), 0);
}

TEST(SlideshowControllerTest, TwoMonitorsAlternatePictureItemsStartingOnTheMain) {
    support::FakeShowSurface second(kWidth, kHeight);
    Show show(Draft({SolidPictureItem(kRed), SolidPictureItem(kGreen), SolidPictureItem(kBlue),
                     SolidPictureItem(kWhite)}),
              &second);
    show.Start();
    // The first item comes at once on both monitors.
    ASSERT_EQ(show.events.shown.size(), 1u);
    EXPECT_EQ(show.events.shown[0].monitor, 0);
    EXPECT_TRUE(show.ScreenIsAll(kRed));
    EXPECT_TRUE(Show::IsAll(second.presenter.Canvas(), kRed));
    EXPECT_TRUE(Show::IsAll(second.picture, kRed));

    show.Tick();  // green goes to the second monitor through its own transition
    EXPECT_EQ(show.events.shown.back().monitor, 1);
    EXPECT_GT(second.presenter.FrameCount(), 0);
    EXPECT_EQ(show.display.presenter.FrameCount(), 0);
    EXPECT_TRUE(Show::IsAll(second.presenter.Canvas(), kGreen));
    EXPECT_TRUE(Show::IsAll(second.picture, kGreen));
    EXPECT_TRUE(show.ScreenIsAll(kRed));

    show.Tick();  // blue back on the main monitor
    EXPECT_EQ(show.events.shown.back().monitor, 0);
    EXPECT_TRUE(show.ScreenIsAll(kBlue));
    EXPECT_TRUE(Show::IsAll(show.display.picture, kBlue));
    EXPECT_TRUE(Show::IsAll(second.presenter.Canvas(), kGreen));

    show.Tick();
    std::vector<int> monitors;
    for (const auto& e : show.events.shown)
        monitors.push_back(e.monitor);
    EXPECT_EQ(monitors, (std::vector<int>{0, 1, 0, 1}));
    EXPECT_TRUE(Show::IsAll(second.presenter.Canvas(), kWhite));
}

TEST(SlideshowControllerTest, BrokenItemDoesNotTakeAMonitorsTurn) {
    support::FakeShowSurface second(kWidth, kHeight);
    Show show(Draft({SolidPictureItem(kRed), BrokenPictureItem(), SolidPictureItem(kGreen)}), &second);
    show.Start();
    show.Tick();  // the broken item
    show.Tick();
    ASSERT_EQ(show.events.Indexes(), (std::vector<int>{0, 2}));
    EXPECT_EQ(show.events.shown.back().monitor, 1);
    EXPECT_TRUE(Show::IsAll(second.presenter.Canvas(), kGreen));
}

TEST(SlideshowControllerTest, GifOnTheSecondMonitorAnimatesThere) {
    support::FakeShowSurface second(kWidth, kHeight);
    Show show(Draft({SolidPictureItem(kBlue), TwoFrameGifItem(kRed, kGreen, 10)}), &second);
    show.Start();
    show.clock.AdvanceTo(5000);
    EXPECT_EQ(show.events.shown.back().monitor, 1);
    show.FinishTransition(400);
    show.clock.AdvanceBy(1 + 100);
    EXPECT_EQ(show.events.gifFrames, (std::vector<int>{0, 1}));
    EXPECT_EQ(second.repaints, 2);
    EXPECT_TRUE(Show::IsAll(second.presenter.Canvas(), kGreen));
    EXPECT_TRUE(show.ScreenIsAll(kBlue));  // the main monitor keeps its picture
}

// Video items: the player is a fake whose plays the test completes; its file is a few bytes the
// fake never reads.
payload::DraftItem<payload::TKelImageInfo> Video() {
    payload::DraftItem<payload::TKelImageInfo> item;
    item.record.Ext = ".avi";
    item.record.Stretch = 2;  // unscaled and centred: a 10 x 8 video gets an 11 x 9 panel
    item.content = payload::Content::FromBytes({'R', 'I', 'F', 'F'});
    return item;
}

using Value = audio::IMediaPlayer::NotifyValue;

// The player is a base ahead of the show, so that it exists before the controller takes it and
// outlives it.
struct VideoPlayerHolder {
    FakeVideoPlayer player;
};

struct VideoShow : VideoPlayerHolder, Show {
    explicit VideoShow(const payload::PayloadDraft& draft) : VideoPlayerHolder(), Show(draft, nullptr, &player) {}
    std::string VideoFile() const { return file.tempFolder + "SSIMG.avi"; }
    std::vector<std::string> LogSince(size_t from) const {
        return std::vector<std::string>(player.log.begin() + std::ptrdiff_t(from), player.log.end());
    }
};

TEST(SlideshowControllerVideoTest, VideoPlaysOnItsPanelAndHoldsTheShowUntilItEnds) {
    auto draft = Draft({SolidPictureItem(kRed), Video(), SolidPictureItem(kBlue)});
    draft.header.MuteVideo = true;
    VideoShow show(draft);
    show.Start();
    show.Tick();

    EXPECT_EQ(show.player.log, (std::vector<std::string>{"no-display", "close quiet", "file", "open", "display",
                                                          "volume 0", "play"}));
    EXPECT_EQ(show.player.file, show.VideoFile());
    EXPECT_TRUE(std::filesystem::exists(show.VideoFile()));
    EXPECT_EQ(show.display.panel, (raster::Rect{11, 8, 22, 17}));
    EXPECT_TRUE(show.display.panelVisible);
    ASSERT_EQ(show.events.shown.size(), 2u);
    EXPECT_EQ(show.events.shown[1].kind, payload::ItemKind::Video);
    EXPECT_EQ(show.events.shown[1].mode, ShowMode::AtOnce);
    EXPECT_EQ(show.events.shown[1].rect, show.display.panel);
    EXPECT_FALSE(show.ScreenIsAll(kRed));  // the background is on screen at once, under the panel
    EXPECT_TRUE(show.controller->VideoPlaying());
    EXPECT_EQ(show.controller->CurrentPictureIndex(), -1);
    EXPECT_EQ(show.controller->CurrentItemIndex(), 1);

    // No slide timer while the video plays, however long it takes.
    EXPECT_FALSE(show.slideTimer.IsActive());
    EXPECT_EQ(show.clock.AdvanceBy(60000), 0);

    const size_t before = show.player.log.size();
    show.player.Complete(Value::Successful);
    EXPECT_EQ(show.LogSince(before), (std::vector<std::string>{"close quiet"}));
    EXPECT_EQ(show.events.videosEnded, (std::vector<int>{1}));
    EXPECT_FALSE(std::filesystem::exists(show.VideoFile()));
    EXPECT_FALSE(show.display.panelVisible);
    EXPECT_FALSE(show.controller->VideoPlaying());
    ASSERT_TRUE(show.slideTimer.IsActive());
    EXPECT_EQ(*show.clock.NextDueMs(), show.clock.NowMs() + 1);  // the next item comes at once

    show.Tick();
    EXPECT_EQ(show.events.Indexes(), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(show.ScreenIsAll(kBlue));
}

TEST(SlideshowControllerVideoTest, SingleVideoLoopsWithoutTheSlideTimer) {
    VideoShow show(Draft({Video()}));
    show.Start();
    ASSERT_TRUE(show.controller->VideoPlaying());
    // Not muted: the volume is left as the file has it.
    EXPECT_EQ(show.player.volume, 1000);
    for (int loop = 1; loop <= 2; ++loop) {
        const size_t before = show.player.log.size();
        show.player.Complete(Value::Successful);
        EXPECT_EQ(show.LogSince(before), (std::vector<std::string>{"rewind quiet", "play"}));
        EXPECT_EQ(show.events.videosEnded.size(), size_t(loop));
        EXPECT_TRUE(show.controller->VideoPlaying());
        EXPECT_TRUE(show.display.panelVisible);
        EXPECT_TRUE(std::filesystem::exists(show.VideoFile()));
        EXPECT_FALSE(show.slideTimer.IsActive());
    }
    EXPECT_EQ(show.events.shown.size(), 1u);
}

// A loop whose rewind gives up (the player's watchdog closed the file) has no completion to wait
// for: the video is over as a failed one is, and the show goes on to its next round.
TEST(SlideshowControllerVideoTest, SingleVideoThatCannotRewindIsPassedOver) {
    VideoShow show(Draft({Video()}));
    show.Start();
    ASSERT_TRUE(show.controller->VideoPlaying());
    show.player.rewindWorks = false;
    const size_t before = show.player.log.size();
    show.player.Complete(Value::Successful);
    EXPECT_EQ(show.LogSince(before), (std::vector<std::string>{"rewind quiet", "close quiet"}));
    EXPECT_FALSE(show.controller->VideoPlaying());
    EXPECT_FALSE(show.display.panelVisible);
    EXPECT_FALSE(std::filesystem::exists(show.VideoFile()));
    EXPECT_TRUE(show.slideTimer.IsActive());
}

// A player that prerolls in the background: the show goes on waiting without the panel, which
// comes with the video's size; a preroll that fails completes the waiting play as Failure and
// the show passes the video over, its late ready notice dropped with the file.
TEST(SlideshowControllerVideoTest, PanelWaitsForABackgroundPrerollAndAFailedOneIsPassedOver) {
    auto draft = Draft({SolidPictureItem(kRed), Video(), SolidPictureItem(kBlue)});
    draft.header.MuteVideo = true;
    VideoShow show(draft);
    show.player.backgroundPreroll = true;
    show.Start();
    show.Tick();
    EXPECT_EQ(show.player.log, (std::vector<std::string>{"no-display", "close quiet", "file", "open", "volume 0",
                                                          "play"}));
    EXPECT_FALSE(show.display.panelVisible);
    EXPECT_EQ(show.events.shown.size(), 1u);
    EXPECT_TRUE(show.controller->VideoPlaying());
    EXPECT_FALSE(show.slideTimer.IsActive());

    show.player.FinishPreroll();
    EXPECT_EQ(show.player.log.back(), "display");
    EXPECT_EQ(show.display.panel, (raster::Rect{11, 8, 22, 17}));
    EXPECT_TRUE(show.display.panelVisible);
    ASSERT_EQ(show.events.shown.size(), 2u);
    EXPECT_EQ(show.events.shown[1].kind, payload::ItemKind::Video);
    EXPECT_EQ(show.events.shown[1].rect, show.display.panel);

    VideoShow stuck(Draft({SolidPictureItem(kRed), Video(), SolidPictureItem(kBlue)}));
    stuck.player.backgroundPreroll = true;
    stuck.Start();
    stuck.Tick();
    stuck.player.Complete(Value::Failure);
    EXPECT_FALSE(stuck.controller->VideoPlaying());
    EXPECT_FALSE(stuck.display.panelVisible);
    EXPECT_FALSE(std::filesystem::exists(stuck.VideoFile()));
    EXPECT_EQ(stuck.player.readyHandler, nullptr);
    stuck.Tick();
    EXPECT_EQ(stuck.events.Indexes(), (std::vector<int>{0, 2}));
    EXPECT_TRUE(stuck.ScreenIsAll(kBlue));
}

struct CompletionRow {
    const char* name;
    Value value;
    bool advances;
    bool countsAsEnd;
};

class SlideshowControllerVideoCompletionTest : public ::testing::TestWithParam<CompletionRow> {};

TEST_P(SlideshowControllerVideoCompletionTest, OnlyTheEndOrABreakdownAdvances) {
    const CompletionRow& row = GetParam();
    VideoShow show(Draft({Video(), SolidPictureItem(kGreen)}));
    show.Start();
    ASSERT_TRUE(show.controller->VideoPlaying());
    show.player.Complete(row.value);
    EXPECT_EQ(show.controller->VideoPlaying(), !row.advances);
    EXPECT_EQ(show.slideTimer.IsActive(), row.advances);
    EXPECT_EQ(show.display.panelVisible, !row.advances);
    EXPECT_EQ(std::filesystem::exists(show.VideoFile()), !row.advances);
    EXPECT_EQ(show.events.videosEnded.size(), row.countsAsEnd ? 1u : 0u);
    if (row.advances) {
        show.Tick();
        EXPECT_EQ(show.events.Indexes(), (std::vector<int>{0, 1}));
    }
}

INSTANTIATE_TEST_SUITE_P(Values, SlideshowControllerVideoCompletionTest,
                         ::testing::Values(CompletionRow{"Successful", Value::Successful, true, true},
                                           CompletionRow{"Superseded", Value::Superseded, false, false},
                                           CompletionRow{"Aborted", Value::Aborted, false, false},
                                           // A video that breaks off must not hold the show.
                                           CompletionRow{"Failure", Value::Failure, true, false}),
                         [](const ::testing::TestParamInfo<CompletionRow>& row) { return std::string(row.param.name); });

TEST(SlideshowControllerVideoTest, FinishDuringTheVideoStopsItAndDeletesItsFile) {
    VideoShow show(Draft({Video(), SolidPictureItem(kGreen)}));
    show.Start();
    ASSERT_TRUE(std::filesystem::exists(show.VideoFile()));
    const size_t before = show.player.log.size();
    show.controller->FinishScreenSaver(true);
    EXPECT_EQ(show.LogSince(before), (std::vector<std::string>{"close quiet"}));
    EXPECT_FALSE(std::filesystem::exists(show.VideoFile()));
    EXPECT_EQ(show.display.closeRequests, 1);
    EXPECT_TRUE(show.controller->Closed());
    // An end that was already on its way starts nothing.
    show.player.handler(Value::Successful);
    EXPECT_FALSE(show.slideTimer.IsActive());
    EXPECT_EQ(show.events.shown.size(), 1u);
}

TEST(SlideshowControllerVideoTest, VideoThatCannotBeOpenedIsSkipped) {
    VideoShow show(Draft({SolidPictureItem(kRed), Video(), SolidPictureItem(kBlue)}));
    show.player.openWorks = false;
    show.Start();
    show.Tick();
    EXPECT_EQ(show.events.shown.size(), 1u);
    EXPECT_FALSE(show.controller->VideoPlaying());
    EXPECT_FALSE(show.display.panelVisible);
    EXPECT_TRUE(show.slideTimer.IsActive());
    EXPECT_FALSE(std::filesystem::exists(show.VideoFile()));
    show.Tick();
    EXPECT_EQ(show.events.Indexes(), (std::vector<int>{0, 2}));
    EXPECT_TRUE(show.ScreenIsAll(kBlue));

    // A broken first video leaves the next item to come in at once, as a broken picture does.
    VideoShow first(Draft({Video(), SolidPictureItem(kGreen)}));
    first.player.openWorks = false;
    first.Start();
    EXPECT_TRUE(first.controller->ShowWithoutTransition());
}

TEST(SlideshowControllerVideoTest, VideoFirstOnTheDesktopStartsAtOnceAndTheNextItemFollows) {
    auto draft = Draft({Video(), SolidPictureItem(kRed)});
    draft.header.DesktopStart = true;
    VideoShow show(draft);
    show.Start();
    ASSERT_EQ(show.events.shown.size(), 1u);
    EXPECT_EQ(show.events.shown[0].kind, payload::ItemKind::Video);
    EXPECT_TRUE(show.controller->VideoPlaying());
    EXPECT_FALSE(show.slideTimer.IsActive());
    EXPECT_EQ(show.controller->ItemCounter(), 1);  // the desktop start is over
    show.player.Complete(Value::Successful);
    show.Tick();
    EXPECT_EQ(show.events.Indexes(), (std::vector<int>{0, 1}));
    EXPECT_TRUE(show.ScreenIsAll(kRed));
}

}  // namespace
}  // namespace vorlandite::slideshow

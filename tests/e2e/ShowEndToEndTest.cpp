// The engine as the desktop runs it, on a private X server: what the screen shows, which input
// ends the show, the preview inside a foreign window and the second monitor. Each test starts
// its own Xvfb and ends it; the input comes through XTEST as a person's would.

#include "e2e/EngineFixture.h"
#include "e2e/XSession.h"
#include "payload/PayloadWriter.h"
#include "payload/SettingsStore.h"
#include "platform/FlashControl.h"
#include "formats/swf/SwfWriter.h"
#include "platform/FileRegistry.h"
#include "platform/ScreenSaverPassword.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

namespace vorlandite::e2e {
namespace {

TEST_F(EndToEnd, ShowCoversTheScreenAndOnlyAMoveBeyondFivePixelsEndsIt) {
    StartServer();
    testing::FakeMotion(display_, 300, 200);
    StartEngine({MakeScreensaver({}), "/s"});
    WaitForShow();
    testing::FakeMotion(display_, 305, 195);
    ExpectStillRunning("a 5-pixel move");
    testing::FakeMotion(display_, 306, 200);
    ExpectEnds("a 6-pixel move");
    EXPECT_FALSE(ShowsItem(0, 0, kScreenWidth, kScreenHeight)) << "the window stayed on screen";
}

TEST_F(EndToEnd, AKeyEndsTheShowWithKeyboardExitWhileMovingOnlyShowsTheCursor) {
    StartServer();
    testing::FakeMotion(display_, 300, 200);
    StartEngine({MakeScreensaver({.mouseMove = false, .mouseButton = false, .keyboard = true, .esc = false}), "/s"});
    WaitForShow();
    testing::FakeMotion(display_, 400, 300);
    ExpectStillRunning("a mouse move with mouse-move exit off");
    testing::FakeKey(display_, "a");
    ExpectEnds("a key");
}

TEST_F(EndToEnd, WithOnlyEscapeExitOtherKeysDoNothingAndEscapeEnds) {
    StartServer();
    StartEngine({MakeScreensaver({.mouseMove = false, .mouseButton = false, .keyboard = false, .esc = true}), "/s"});
    WaitForShow();
    testing::FakeKey(display_, "a");
    ExpectStillRunning("a letter key with only Escape exit");
    testing::FakeKey(display_, "Escape");
    ExpectEnds("Escape");
}

TEST_F(EndToEnd, TheWheelNeverEndsTheShowAButtonPressDoes) {
    StartServer();
    StartEngine({MakeScreensaver({.mouseMove = false, .mouseButton = true, .keyboard = false, .esc = false}), "/s"});
    WaitForShow();
    testing::FakeClick(display_, 4);
    testing::FakeClick(display_, 5);
    ExpectStillRunning("turning the wheel");
    testing::FakeClick(display_, 1);
    ExpectEnds("a left button press");
}

TEST_F(EndToEnd, AnotherWindowTakingTheFocusEndsTheShowWithButtonExit) {
    StartServer();
    StartEngine({MakeScreensaver({.mouseMove = false, .mouseButton = true, .keyboard = false, .esc = false}), "/s"});
    WaitForShow();
    const unsigned long other = testing::CreateMappedWindow(display_, 0, 0, 50, 50);
    testing::FocusWindow(display_, other);
    ExpectEnds("another window took the focus");
}

// With the desktop's password setting on, leaving the show asks for the user's password in a
// dialog above it; a wrong password and a cancelled question both keep the show running.
TEST_F(EndToEnd, ALockedShowAsksForThePasswordAndAWrongOneKeepsItRunning) {
    StartServer();
    const std::string screensaver =
        MakeScreensaver({.mouseMove = false, .mouseButton = false, .keyboard = true, .esc = true});
    {
        platform::FileRegistry registry(dir_.File("config") + "/vorlandite/user.reg");
        auto desktop = registry.OpenKey(platform::kDesktopKey, true);
        ASSERT_TRUE(desktop.ok());
        (*desktop)->WriteInteger(platform::kScreenSaveUsePasswordValue, 1);
        ASSERT_TRUE((*desktop)->Close().ok());
    }
    StartEngine({screensaver, "/s"});
    WaitForShow();
    const auto dialogShown = [&] {
        for (const auto& w : testing::ChildWindows(display_))
            if (w.mapped && w.width > 100 && w.width < kScreenWidth / 2 && w.height < kScreenHeight / 2)
                return true;
        return false;
    };

    testing::FakeKey(display_, "a");
    ASSERT_TRUE(testing::WaitUntil(dialogShown, 5s)) << "no password question; engine said:\n" << engine_.Output();
    EXPECT_TRUE(engine_.Running());
    for (const char* key : {"w", "r", "o", "n", "g", "Return"})
        testing::FakeKey(display_, key);
    // The system's check takes its time over a wrong password.
    ASSERT_TRUE(testing::WaitUntil([&] { return !dialogShown(); }, 10s)) << "the question stayed";
    ExpectStillRunning("a wrong password");
    EXPECT_TRUE(ShowsItem(0, 0, kScreenWidth, kScreenHeight));

    testing::FakeKey(display_, "Escape");
    ASSERT_TRUE(testing::WaitUntil(dialogShown, 5s)) << "Escape did not ask again";
    testing::FakeKey(display_, "Escape");  // cancels the question
    ASSERT_TRUE(testing::WaitUntil([&] { return !dialogShown(); }, 5s));
    ExpectStillRunning("a cancelled password question");
}

TEST_F(EndToEnd, PreviewEmbedsIntoTheGivenWindowAndLeavesWithIt) {
    StartServer();
    const unsigned long host = testing::CreateMappedWindow(display_, 50, 50, 400, 300);
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%lx", host);
    StartEngine({MakeScreensaver({}), "/p", hex});
    const bool embedded = testing::WaitUntil(
        [&] {
            for (const auto& child : testing::ChildWindows(display_, host))
                if (child.x == 0 && child.y == 0 && child.width == 152 && child.height == 112 && child.mapped)
                    return true;
            return false;
        },
        8s);
    ASSERT_TRUE(embedded) << engine_.Output();
    testing::DestroyWindow(display_, host);
    ExpectEnds("the preview window was destroyed");
}

TEST_F(EndToEnd, TheSecondWindowLandsOnTheSecondMonitor) {
    StartServer("2048x768x24");
    const std::vector<testing::MonitorPlace> sideBySide = {{0, 0, kScreenWidth, kScreenHeight},
                                                           {kScreenWidth, 0, kScreenWidth, kScreenHeight}};
    ASSERT_EQ(testing::SetMonitors(display_, sideBySide, 0), 2)
        << "the X server did not take the two monitors";

    testing::FakeMotion(display_, 300, 200);
    StartEngine({MakeScreensaver({}), "/s"});
    WaitForShow();
    bool onSecond = false, onFirst = false;
    for (const auto& w : testing::ChildWindows(display_)) {
        if (!w.mapped)
            continue;
        onFirst |= w.x == 0 && w.y == 0 && w.width == kScreenWidth && w.height == kScreenHeight;
        onSecond |= w.x == kScreenWidth && w.y == 0 && w.width == kScreenWidth && w.height == kScreenHeight;
    }
    EXPECT_TRUE(onFirst) << "no show window on the first monitor";
    EXPECT_TRUE(onSecond) << "no window on the second monitor";
    testing::FakeMotion(display_, 1500, 400);
    ExpectEnds("a move onto the second monitor");
}

TEST_F(EndToEnd, TheDialogStoresWhatTheUserChangedAndTheNextShowObeysIt) {
    StartServer();
    const std::string screensaver = MakeScreensaver({});
    ChildProcess dialog;
    ASSERT_TRUE(dialog.Start({screensaver, "/c"}, EngineEnvironment()));
    // The fixed dialog, centred, without a banner strip.
    testing::WindowGeometry box;
    const bool opened = testing::WaitUntil(
        [&] {
            for (const auto& w : testing::ChildWindows(display_))
                if (w.mapped && w.width == 513 && w.height == 297) {
                    box = w;
                    return true;
                }
            return false;
        },
        8s);
    ASSERT_TRUE(opened) << dialog.Output();
    std::this_thread::sleep_for(500ms);

    // Behavior tab, then "Keyboard Button" off, then Close: as a person would, with the mouse.
    const auto click = [&](int x, int y) {
        testing::FakeMotion(display_, box.x + x, box.y + y);
        std::this_thread::sleep_for(150ms);
        testing::FakeClick(display_, 1);
        std::this_thread::sleep_for(400ms);
    };
    click(318, 21);
    click(37, 117);
    click(459, 276);
    ASSERT_TRUE(dialog.WaitForExit(5s)) << "the dialog did not close";
    EXPECT_EQ(dialog.ExitCode(), 0) << dialog.Output();

    platform::FileRegistry registry(dir_.File("config") + "/vorlandite/user.reg");
    payload::TKelFixedSizeInfo header;
    payload::TKelVarSizeInfo strings;
    bool useCustomPlaylist = false;
    ASSERT_TRUE(payload::LoadSettings(registry, "End To End", header, strings, useCustomPlaylist).ok());
    EXPECT_FALSE(header.ExitKeyboard);
    EXPECT_TRUE(header.ExitMouseMove);
    EXPECT_TRUE(header.ExitESC);
    EXPECT_EQ(header.Seconds, 60);

    // The next show reads it: a letter no longer ends the show, Escape still does.
    testing::FakeMotion(display_, 300, 200);
    StartEngine({screensaver, "/s"});
    WaitForShow();
    testing::FakeKey(display_, "a");
    ExpectStillRunning("a letter key after keyboard exit was switched off");
    testing::FakeKey(display_, "Escape");
    ExpectEnds("Escape");
}

// A Flash movie written here: 400 x 300 pixels, ten frames at 10 frames per second, an orange
// rectangle crossing a blue stage, a stop on the last frame. Shown centred after a
// picture (the show is under way: its input rules are armed) and before another picture, it must
// play on its panel, and its stop must bring the next picture.
TEST_F(EndToEnd, AFlashMoviePlaysCentredOnItsPanelAndItsStopBringsTheNextItem) {
    if (!platform::FlashRuntimeInstalled())
        GTEST_SKIP() << "no Flash runtime in this build";
    StartServer();
    constexpr uint32_t kNextColour = 0x8020A0;
    const auto addMovie = [&](payload::PayloadDraft& draft) {
        draft.images[0].record.Duration = 2;
        const swf::SwfRecipe movie = swf::CrossingRectangleRecipe(400, 300, 10, 10);
        payload::DraftItem<payload::TKelImageInfo> flash;
        flash.record.Ext = ".swf";
        flash.record.Stretch = 2;    // centred, unscaled
        flash.record.Duration = -1;  // until the movie stops
        flash.content = payload::Content::FromBytes(swf::WriteSwf(movie));
        draft.images.push_back(std::move(flash));
        payload::DraftItem<payload::TKelImageInfo> next;
        next.record.Ext = ".BMP";
        next.content = payload::Content::FromBytes(SolidBmp(kScreenWidth, kScreenHeight, kNextColour));
        draft.images.push_back(std::move(next));
    };
    // In the sanitizer build, for this engine process only: the browser engine's own code frees
    // some objects through a smaller base type, and keeps allocations (fonts, compiled code)
    // until the process ends whose stacks end in unnamed code. The other engine runs keep both
    // checks.
    std::vector<std::string> sanitizerOptions;
    if (const char* asan = std::getenv("ASAN_OPTIONS"))
        sanitizerOptions.push_back(std::string("ASAN_OPTIONS=") + asan + ":new_delete_type_mismatch=0:detect_leaks=0");
    StartEngine({MakeScreensaver({.mouseMove = false, .mouseButton = true, .keyboard = true, .esc = true}, addMovie),
                 "/s"},
                sanitizerOptions);
    WaitForShow();
    const auto started = std::chrono::steady_clock::now();

    // The panel is the movie's header size plus one, centred: (312, 234) to (713, 535).
    constexpr uint32_t kStage = swf::kCrossingStageColour, kShape = swf::kCrossingRectangleColour;
    const auto near = [](uint32_t pixel, uint32_t colour) {
        for (int shift : {0, 8, 16})
            if (std::abs(int((pixel >> shift) & 0xFF) - int((colour >> shift) & 0xFF)) > 12)
                return false;
        return true;
    };
    ASSERT_TRUE(testing::WaitUntil(
        [&] {
            return near(testing::RootPixel(display_, 312 + 3, 234 + 3), kStage) &&
                   near(testing::RootPixel(display_, 312 + 396, 234 + 296), kStage);
        },
        20s))
        << "the movie never showed on its panel; engine said:\n" << engine_.Output();
    const auto firstFrame = std::chrono::steady_clock::now();
    std::printf("flash: the stage was on screen %lld ms after the first picture was\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(firstFrame - started).count()));
    EXPECT_FALSE(near(testing::RootPixel(display_, 312 - 4, 234 - 4), kStage)) << "the panel is larger than the movie";
    EXPECT_FALSE(near(testing::RootPixel(display_, 312 + 401 + 3, 234 + 301 + 3), kStage))
        << "the panel is larger than the movie";
    // The rectangle is somewhere on the stage's middle band.
    bool shapeSeen = false;
    for (int x = 312 + 5; x < 312 + 400 && !shapeSeen; x += 10)
        shapeSeen = near(testing::RootPixel(display_, x, 234 + 150), kShape);
    EXPECT_TRUE(shapeSeen) << "the movie's rectangle is not on screen";

    // One second of movie, then the next picture comes.
    const auto showsNext = [&] {
        for (const auto& p : {std::pair{0, 0}, std::pair{kScreenWidth / 2, kScreenHeight / 2},
                              std::pair{kScreenWidth - 1, kScreenHeight - 1}})
            if (testing::RootPixel(display_, p.first, p.second) != kNextColour)
                return false;
        return true;
    };
    ASSERT_TRUE(testing::WaitUntil(showsNext, 15s))
        << "the movie's stop never brought the next item; engine said:\n" << engine_.Output();
    ASSERT_TRUE(engine_.Running()) << engine_.Output();
    testing::FakeKey(display_, "Escape");
    ExpectEnds("Escape after the movie");
}

} // namespace
} // namespace vorlandite::e2e

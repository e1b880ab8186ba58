// The engine inside a window a screensaver host made (--window-id, --root with
// $XSCREENSAVER_WINDOW): it draws the show there and nowhere else, follows the window's size,
// leaves with it, ends cleanly on the termination signals in every mode, and two engines at
// once keep to their own items.

#include "e2e/EngineFixture.h"
#include "e2e/XSession.h"
#include "platform/X11TestScreen.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <cstdio>
#include <map>
#include <unistd.h>

namespace vorlandite::e2e {
namespace {

constexpr int kHostX = 40, kHostY = 30, kHostWidth = 400, kHostHeight = 300;

std::string Hex(unsigned long window) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", window);
    return text;
}

class Hosted : public EndToEnd {
protected:
    // The engine's private folders: vorlandite-<uid>/<pid> under the runtime folder.
    fs::path UserTempFolder() const { return dir_.Path() / ("vorlandite-" + std::to_string(::geteuid())); }
    fs::path ProcessTempFolder(int pid) const { return UserTempFolder() / std::to_string(pid); }

    bool ShowsColourIn(int left, int top, int width, int height, uint32_t colour) {
        const int points[][2] = {{left, top}, {left + width - 1, top + height - 1}, {left + width / 2, top + height / 2}};
        for (const auto& p : points)
            if (testing::RootPixel(display_, p[0], p[1]) != colour)
                return false;
        return true;
    }

    // The engine's window inside the host: at (0, 0) with the host's size, mapped.
    bool ChildCovers(unsigned long host, int width, int height) {
        for (const auto& child : testing::ChildWindows(display_, host))
            if (child.mapped && child.x == 0 && child.y == 0 && child.width == width && child.height == height)
                return true;
        return false;
    }

    // Mapped top-level windows other than `allowed`.
    int OtherMappedTopLevels(unsigned long allowed) {
        int count = 0;
        for (const auto& w : testing::ChildWindows(display_))
            if (w.mapped && w.id != allowed)
                ++count;
        return count;
    }

    void ExpectHostedShowIn(unsigned long host) {
        ASSERT_TRUE(testing::WaitUntil([&] { return ShowsItem(kHostX, kHostY, kHostWidth, kHostHeight); }, 8s))
            << "the show never appeared in the host window; engine said:\n" << engine_.Output();
        EXPECT_TRUE(ChildCovers(host, kHostWidth, kHostHeight));
        // Nothing outside the host window: the rest of the screen keeps the server's black.
        EXPECT_NE(testing::RootPixel(display_, kHostX + kHostWidth + 20, kHostY + 10), kItemColour);
        EXPECT_EQ(OtherMappedTopLevels(host), 0) << "the hosted show mapped a window of its own";
    }
};

TEST_F(Hosted, WindowIdInHexOrDecimalDrawsTheShowInThatWindowOnly) {
    StartServer();
    const std::string screensaver = MakeScreensaver({});
    for (bool hex : {true, false}) {
        SCOPED_TRACE(hex ? "hexadecimal" : "decimal");
        const unsigned long host = testing::CreateMappedWindow(display_, kHostX, kHostY, kHostWidth, kHostHeight);
        StartEngine({screensaver, hex ? "--window-id" : "-window-id", hex ? Hex(host) : std::to_string(host)});
        ExpectHostedShowIn(host);
        // Input belongs to the host: a key, a click and a move change nothing.
        testing::FakeMotion(display_, kHostX + 100, kHostY + 100);
        testing::FakeKey(display_, "a");
        testing::FakeClick(display_, 1);
        ExpectStillRunning("input over a hosted show");
        ASSERT_TRUE(engine_.Signal(SIGTERM));
        ExpectEnds("SIGTERM");
        testing::DestroyWindow(display_, host);
    }
}

TEST_F(Hosted, RootWithTheHostsVariableRunsInItsWindow) {
    StartServer();
    const unsigned long host = testing::CreateMappedWindow(display_, kHostX, kHostY, kHostWidth, kHostHeight);
    StartEngine({MakeScreensaver({}), "-root"}, {"XSCREENSAVER_WINDOW=" + Hex(host)});
    ExpectHostedShowIn(host);
    const int pid = engine_.Pid();
    EXPECT_TRUE(fs::is_directory(ProcessTempFolder(pid))) << "no temporary folder of its own";
    ASSERT_TRUE(engine_.Signal(SIGTERM));
    ExpectEnds("SIGTERM");
    EXPECT_FALSE(fs::exists(ProcessTempFolder(pid))) << "its temporary folder stayed";
}

TEST_F(Hosted, FollowsTheHostWindowsSizeAndLeavesWithTheWindow) {
    StartServer();
    const unsigned long host = testing::CreateMappedWindow(display_, kHostX, kHostY, kHostWidth, kHostHeight);
    StartEngine({MakeScreensaver({}), "--window-id", Hex(host)});
    ExpectHostedShowIn(host);
    testing::ResizeWindow(display_, host, 640, 480);
    EXPECT_TRUE(testing::WaitUntil([&] { return ChildCovers(host, 640, 480); }, 5s))
        << "the show did not follow the new size; engine said:\n" << engine_.Output();
    EXPECT_TRUE(testing::WaitUntil([&] { return ShowsItem(kHostX, kHostY, 640, 480); }, 5s))
        << "the show does not cover the resized window";
    const int pid = engine_.Pid();
    testing::DestroyWindow(display_, host);
    ExpectEnds("the host window was destroyed");
    EXPECT_FALSE(fs::exists(ProcessTempFolder(pid)));
}

TEST_F(Hosted, AHostWindowThatIsNoWindowIsReportedOnStderr) {
    StartServer();
    const std::string screensaver = MakeScreensaver({});
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--window-id", "0x7ffffff"}, std::vector<std::string>{"--window-id", "sky"}}) {
        std::vector<std::string> argv{screensaver};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        StartEngine(argv);
        ASSERT_TRUE(engine_.WaitForExit(8s)) << "still running with " << arguments[1];
        EXPECT_NE(engine_.ExitCode(), 0) << arguments[1];
        EXPECT_NE(engine_.Output().find("window"), std::string::npos) << engine_.Output();
        EXPECT_EQ(OtherMappedTopLevels(0), 0) << "a window (message box?) was shown";
    }
}

// Every mode ends cleanly on SIGTERM, SIGINT and SIGHUP: exit status 0 and its files gone.
TEST_F(Hosted, EveryModeEndsCleanlyOnEachTerminationSignal) {
    StartServer();
    const std::string screensaver = MakeScreensaver({});
    struct Case {
        const char* mode;
        int signal;
    };
    for (const Case& c : {Case{"/s", SIGTERM}, Case{"/s", SIGINT}, Case{"/s", SIGHUP}, Case{"/c", SIGTERM},
                          Case{"hosted", SIGINT}, Case{"hosted", SIGHUP}, Case{"/p", SIGTERM}}) {
        SCOPED_TRACE(std::string(c.mode) + " signal " + std::to_string(c.signal));
        unsigned long host = 0;
        const std::string mode = c.mode;
        if (mode == "hosted" || mode == "/p")
            host = testing::CreateMappedWindow(display_, kHostX, kHostY, kHostWidth, kHostHeight);
        if (mode == "hosted")
            StartEngine({screensaver, "--window-id", Hex(host)});
        else if (mode == "/p")
            StartEngine({screensaver, "/p", Hex(host)});
        else
            StartEngine({screensaver, c.mode});
        const int pid = engine_.Pid();
        if (mode == "/s") {
            WaitForShow();
        } else if (mode == "hosted") {
            ASSERT_TRUE(testing::WaitUntil([&] { return ShowsItem(kHostX, kHostY, kHostWidth, kHostHeight); }, 8s));
        } else {
            ASSERT_TRUE(testing::WaitUntil([&] { return fs::exists(ProcessTempFolder(pid)) || mode == "/c"; }, 8s));
            std::this_thread::sleep_for(1500ms);  // its window is up
        }
        ASSERT_TRUE(engine_.Signal(c.signal));
        ExpectEnds("the signal");
        EXPECT_FALSE(fs::exists(ProcessTempFolder(pid))) << "its temporary folder stayed";
        if (host)
            testing::DestroyWindow(display_, host);
    }
}

TEST_F(Hosted, TwoEnginesAtOnceNeverShowEachOthersItems) {
    StartServer();
    constexpr uint32_t kLeftColour = 0xC03020, kRightColour = 0x2040C0;
    // Two items of one colour each, a new one every second: both engines extract items all the
    // time, under the same fixed names.
    auto twoItemsOf = [](uint32_t colour) {
        return [colour](payload::PayloadDraft& draft) {
            draft.header.Seconds = 1;
            for (auto& item : draft.images)
                item.content = payload::Content::FromBytes(SolidBmp(kScreenWidth, kScreenHeight, colour));
            payload::DraftItem<payload::TKelImageInfo> second;
            second.record.Ext = ".BMP";
            second.content = payload::Content::FromBytes(SolidBmp(kScreenWidth, kScreenHeight, colour));
            draft.images.push_back(std::move(second));
        };
    };
    const std::string left = MakeScreensaver({}, twoItemsOf(kLeftColour), "Left.scr");
    const std::string right = MakeScreensaver({}, twoItemsOf(kRightColour), "Right.scr");
    // 4:3 like the pictures, so they fill the windows.
    const unsigned long leftHost = testing::CreateMappedWindow(display_, 0, 0, 480, 360);
    const unsigned long rightHost = testing::CreateMappedWindow(display_, 520, 0, 480, 360);
    StartEngine({left, "--window-id", Hex(leftHost)});
    ChildProcess rightEngine;
    ASSERT_TRUE(rightEngine.Start({right, "--window-id", Hex(rightHost)}, EngineEnvironment()));

    ASSERT_TRUE(testing::WaitUntil([&] { return ShowsColourIn(0, 0, 480, 360, kLeftColour); }, 8s)) << engine_.Output();
    ASSERT_TRUE(testing::WaitUntil([&] { return ShowsColourIn(520, 0, 480, 360, kRightColour); }, 8s))
        << rightEngine.Output();
    std::map<uint32_t, int> seenLeft, seenRight;
    for (int i = 0; i < 60; ++i) {
        ++seenLeft[testing::RootPixel(display_, 240, 180)];
        ++seenRight[testing::RootPixel(display_, 760, 180)];
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(seenLeft.count(kRightColour), 0u) << "the left engine showed the right one's item";
    EXPECT_EQ(seenRight.count(kLeftColour), 0u) << "the right engine showed the left one's item";
    EXPECT_TRUE(engine_.Running()) << engine_.Output();
    EXPECT_TRUE(rightEngine.Running()) << rightEngine.Output();
    ASSERT_TRUE(engine_.Signal(SIGTERM));
    ASSERT_TRUE(rightEngine.Signal(SIGTERM));
    ExpectEnds("SIGTERM");
    ASSERT_TRUE(rightEngine.WaitForExit(5s));
    EXPECT_EQ(rightEngine.ExitCode(), 0);
    // Both cleaned up after themselves: the user's folder is empty.
    EXPECT_TRUE(fs::is_empty(UserTempFolder()));
}

TEST_F(Hosted, FoldersOfEnginesThatNoLongerRunGoAtStart) {
    StartServer();
    const std::string screensaver = MakeScreensaver({});
    // A process id that is not running now.
    pid_t gone = 0;
    {
        ChildProcess shortLived;
        ASSERT_TRUE(shortLived.Start({"/bin/true"}, {}));
        gone = shortLived.Pid();
        ASSERT_TRUE(shortLived.WaitForExit(5s));
    }
    fs::create_directories(ProcessTempFolder(gone));
    { std::ofstream(ProcessTempFolder(gone) / "SSIMG.bmp") << "left behind"; }
    const unsigned long host = testing::CreateMappedWindow(display_, kHostX, kHostY, kHostWidth, kHostHeight);
    StartEngine({screensaver, "--window-id", Hex(host)});
    ExpectHostedShowIn(host);
    EXPECT_FALSE(fs::exists(ProcessTempFolder(gone))) << "the dead engine's folder stayed";
    ASSERT_TRUE(engine_.Signal(SIGTERM));
    ExpectEnds("SIGTERM");
}

// The desktop under the show: the standalone show's own grab taken before its window is up, a
// hosted show's from the screenshot its host keeps, black when the host keeps none.
TEST_F(Hosted, TheDesktopBackgroundComesFromTheScreenOrTheHostsScreenshot) {
    StartServer();
    constexpr uint32_t kDesktop = 0x448822, kScreenshot = 0x884422;
    // A small picture in the middle, the desktop all around it; the background colour would be
    // blue where no desktop picture is to be had.
    const std::string screensaver = MakeScreensaver({}, [](payload::PayloadDraft& draft) {
        draft.header.DesktopBackground = true;
        draft.header.Stretch = 2;
        draft.header.BackgroundColor = 0x00FF0000;  // 0x00BBGGRR: blue
        draft.images[0].content = payload::Content::FromBytes(SolidBmp(64, 48, kItemColour));
    });
    auto expectBackground = [&](int x, int y, uint32_t colour, const char* what) {
        EXPECT_TRUE(testing::WaitUntil([&] { return testing::RootPixel(display_, x, y) == colour; }, 8s))
            << what << ": 0x" << std::hex << testing::RootPixel(display_, x, y) << "\n" << engine_.Output();
    };

    testing::PaintWindow(display_, 0, kDesktop);
    StartEngine({screensaver, "/s"});
    // The root window has that colour too: the show must be up before its background counts.
    ASSERT_TRUE(testing::WaitUntil([&] { return ShowsColourIn(480, 360, 64, 48, kItemColour); }, 8s))
        << engine_.Output();
    expectBackground(5, 5, kDesktop, "the standalone show's desktop");
    ASSERT_TRUE(engine_.Signal(SIGTERM));
    ExpectEnds("SIGTERM");

    const unsigned long host = testing::CreateMappedWindow(display_, kHostX, kHostY, kHostWidth, kHostHeight);
    const unsigned long pixmap = testing::CreateBandedPixmap(display_, kHostWidth, kHostHeight, 24, {kScreenshot});
    testing::SetScreenshotProperty(display_, host, pixmap);
    StartEngine({screensaver, "--window-id", Hex(host)});
    expectBackground(kHostX + 5, kHostY + 5, kScreenshot, "the host's screenshot");
    ASSERT_TRUE(engine_.Signal(SIGTERM));
    ExpectEnds("SIGTERM");
    testing::DestroyWindow(display_, host);

    const unsigned long bare = testing::CreateMappedWindow(display_, kHostX, kHostY, kHostWidth, kHostHeight);
    StartEngine({screensaver, "--window-id", Hex(bare)});
    ASSERT_TRUE(testing::WaitUntil([&] { return ShowsColourIn(kHostX + 168, kHostY + 126, 64, 48, kItemColour); }, 8s))
        << engine_.Output();
    EXPECT_EQ(testing::RootPixel(display_, kHostX + 5, kHostY + 5), 0u) << "no screenshot: a black desktop";
    ASSERT_TRUE(engine_.Signal(SIGTERM));
    ExpectEnds("SIGTERM");
    testing::FreePixmap(display_, pixmap);
}

} // namespace
} // namespace vorlandite::e2e

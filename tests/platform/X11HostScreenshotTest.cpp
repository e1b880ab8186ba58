// The desktop picture xscreensaver keeps for its saver: the property and pixmap are set here the
// way the host sets them, on a private Xvfb, and read back through X11HostScreenshot.

#include "e2e/XSession.h"
#include "platform/X11TestScreen.h"
#include "platform/qt/X11HostScreenshot.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>

namespace vorlandite::platform {
namespace {

using namespace std::chrono_literals;
using testing::PositionColour;
using testing::ScopedEnv;
using testing::XvfbServer;

constexpr uint32_t kBlack = 0xFF000000u;
constexpr int kRootWidth = 320;
constexpr int kRootHeight = 240;

class X11HostScreenshotTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = new XvfbServer;
        if (!server_->Start(std::to_string(kRootWidth) + "x" + std::to_string(kRootHeight) + "x24")) {
            skipReason_ = "no private X server: " + server_->Error();
            delete server_;
            server_ = nullptr;
        }
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        if (!server_)
            GTEST_SKIP() << skipReason_;
        display_.emplace("DISPLAY", server_->DisplayName().c_str());
    }
    Display* X() const { return server_->Connection(); }

    static inline XvfbServer* server_ = nullptr;
    static inline std::string skipReason_;
    std::optional<ScopedEnv> display_;
};

struct Placement {
    const char* name;
    int parentX, parentY;  // the host window is a child of a window here; negative: of the root
    int x, y, width, height;
    int shotWidth, shotHeight;
    int fromX, fromY;  // window pixel (x, y) shows screenshot pixel (x + fromX, y + fromY)
};

void PrintTo(const Placement& row, std::ostream* out) { *out << row.name; }

class ScreenshotPlacementTest : public X11HostScreenshotTest, public ::testing::WithParamInterface<Placement> {};

TEST_P(ScreenshotPlacementTest, WindowShowsItsPartOfTheShotAndBlackElsewhere) {
    const Placement& c = GetParam();
    unsigned long parent = 0;
    if (c.parentX >= 0)
        parent = testing::CreateColouredWindow(X(), c.parentX, c.parentY, 200, 200, 0x333333);
    const unsigned long window = testing::CreateColouredWindow(X(), c.x, c.y, c.width, c.height, 0x123456, parent);
    const unsigned long pixmap = testing::CreatePositionPixmap(X(), c.shotWidth, c.shotHeight);
    testing::SetScreenshotProperty(X(), window, pixmap);

    auto picture = X11HostScreenshot(window);
    ASSERT_TRUE(picture.ok()) << picture.message();
    ASSERT_EQ(picture->Width(), c.width);
    ASSERT_EQ(picture->Height(), c.height);
    int wrong = 0;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const int sx = x + c.fromX, sy = y + c.fromY;
            const bool inShot = sx >= 0 && sx < c.shotWidth && sy >= 0 && sy < c.shotHeight;
            const uint32_t expected = inShot ? 0xFF000000u | PositionColour(sx, sy) : kBlack;
            if (picture->Pixel(x, y) != expected && ++wrong <= 3)
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex << picture->Pixel(x, y)
                              << " instead of " << expected;
        }
    EXPECT_EQ(wrong, 0);
    testing::FreePixmap(X(), pixmap);
    testing::DestroyWindow(X(), parent ? parent : window);
}

INSTANTIATE_TEST_SUITE_P(
    Host, ScreenshotPlacementTest,
    ::testing::Values(
        // The daemon's own: one shot per saver window, of that window's size (here the second
        // of two monitors side by side).
        Placement{"WindowSizedShotOnTheSecondMonitor", -1, -1, 160, 0, 160, 240, 160, 240, 0, 0},
        // The settings dialog's preview: a shot of the whole screen, the window's part of it.
        Placement{"WholeScreenShotGivesThePartUnderTheWindow", -1, -1, 100, 50, 64, 48, 320, 240, 100, 50},
        Placement{"ChildWindowCountsItsParentsPlace", 40, 30, 10, 20, 50, 40, 320, 240, 50, 50},
        Placement{"WindowPartlyOffTheScreen", -1, -1, -20, 200, 64, 48, 320, 240, -20, 200},
        // The screen has shrunk since the shot: it is centred.
        Placement{"SmallerShotIsCentred", -1, -1, 0, 0, 100, 80, 60, 40, -20, -20},
        Placement{"WiderButLowerShot", -1, -1, 10, 10, 100, 100, 320, 50, 10, -25}),
    [](const ::testing::TestParamInfo<Placement>& row) { return row.param.name; });

TEST_F(X11HostScreenshotTest, MissingOrBrokenScreenshotIsAnErrorNotACrash) {
    const unsigned long window = testing::CreateColouredWindow(X(), 0, 0, 32, 32, 0x123456);
    auto none = X11HostScreenshot(window);
    ASSERT_FALSE(none.ok());
    EXPECT_NE(none.message().find("no screenshot"), std::string::npos) << none.message();

    testing::SetMistypedScreenshotProperty(X(), window);
    EXPECT_FALSE(X11HostScreenshot(window).ok());

    // The host freed its pixmap (it restarted, or the saver outlived the blanking).
    const unsigned long pixmap = testing::CreatePositionPixmap(X(), 32, 32);
    testing::SetScreenshotProperty(X(), window, pixmap);
    ASSERT_TRUE(X11HostScreenshot(window).ok());
    testing::FreePixmap(X(), pixmap);
    auto gone = X11HostScreenshot(window);
    ASSERT_FALSE(gone.ok());
    EXPECT_NE(gone.message().find("gone"), std::string::npos) << gone.message();

    testing::DestroyWindow(X(), window);
    auto noWindow = X11HostScreenshot(window);
    ASSERT_FALSE(noWindow.ok());
    EXPECT_NE(noWindow.message().find("does not exist"), std::string::npos) << noWindow.message();
    EXPECT_FALSE(X11HostScreenshot(0).ok());
    EXPECT_FALSE(X11HostScreenshot(uint64_t(1) << 40).ok());

    ScopedEnv noDisplay("DISPLAY", nullptr);
    EXPECT_FALSE(X11HostScreenshot(window).ok());
}

// The real host: xscreensaver (when installed) blanks a private Xvfb and keeps its screenshot. As
// root it launches no savers but keeps the screenshot all the same, so the saver window is found
// by its property rather than through $XSCREENSAVER_WINDOW.
TEST(XScreenSaverDaemonTest, ScreenshotOfTheRealHostShowsTheDesktopAsItWas) {
    const std::string daemon = "/usr/bin/xscreensaver", command = "/usr/bin/xscreensaver-command";
    if (::access(daemon.c_str(), X_OK) != 0 || ::access(command.c_str(), X_OK) != 0)
        GTEST_SKIP() << "xscreensaver is not installed";
    XvfbServer server;
    if (!server.Start("320x240x24"))
        GTEST_SKIP() << "no private X server: " << server.Error();
    Display* x = server.Connection();
    testing::CreateColouredWindow(x, 0, 0, 160, 240, 0xFF0000);
    testing::CreateColouredWindow(x, 160, 0, 160, 240, 0x0000FF);
    testing::CreateColouredWindow(x, 200, 100, 20, 20, 0x00FF00);
    vorlandite::testing::TempDir home;
    std::ofstream(home.File(".xscreensaver")) << "mode: one\nselected: 0\nfade: False\nunfade: False\n"
                                                  "lock: False\nsplash: False\ntimeout: 0:30:00\n"
                                                  "programs: sleep 600\n";
    const std::vector<std::string> environment{"DISPLAY=" + server.DisplayName(), "HOME=" + home.Path().string()};
    testing::ChildProcess host;
    ASSERT_TRUE(host.Start({daemon, "-no-splash"}, environment));
    // The daemon answers commands once it is up.
    ASSERT_TRUE(testing::WaitUntil(
        [&] {
            testing::ChildProcess activate;
            return activate.Start({command, "-activate"}, environment) && activate.WaitForExit(10s) &&
                   activate.ExitCode() == 0;
        },
        30s))
        << host.Output();
    unsigned long window = 0;
    ASSERT_TRUE(testing::WaitUntil(
        [&] { return (window = testing::FindWindowWithProperty(x, "_SCREENSAVER_SCREENSHOT")) != 0; }, 30s))
        << host.Output();

    ScopedEnv display("DISPLAY", server.DisplayName().c_str());
    auto picture = X11HostScreenshot(window);
    ASSERT_TRUE(picture.ok()) << picture.message();
    ASSERT_EQ(picture->Width(), 320);
    ASSERT_EQ(picture->Height(), 240);
    EXPECT_EQ(picture->Pixel(10, 10), 0xFFFF0000u);
    EXPECT_EQ(picture->Pixel(300, 10), 0xFF0000FFu);
    EXPECT_EQ(picture->Pixel(210, 110), 0xFF00FF00u);
    // The screen itself is blanked by now: the picture is the one place the desktop still is.
    EXPECT_NE(testing::RootPixel(x, 10, 10), 0xFF0000u);
}

// A 16-bit screen: pixels are read by their visual's masks, each channel spread to 8 bits.
TEST(X11HostScreenshotDepthTest, SixteenBitPixelsAreSpreadToEightBitsPerChannel) {
    XvfbServer server;
    if (!server.Start("64x16x16"))
        GTEST_SKIP() << "no private X server: " << server.Error();
    ScopedEnv display("DISPLAY", server.DisplayName().c_str());
    // 5-6-5 bits: red, green, blue, white, and 16 / 32 / 16 of 31 / 63 / 31.
    const std::vector<unsigned long> pixels{0xF800, 0x07E0, 0x001F, 0xFFFF, 0x8410};
    const unsigned long window = testing::CreateColouredWindow(server.Connection(), 0, 0, 64, 16, 0);
    const unsigned long pixmap = testing::CreateBandedPixmap(server.Connection(), 64, 16, 16, pixels);
    testing::SetScreenshotProperty(server.Connection(), window, pixmap);
    auto picture = X11HostScreenshot(window);
    ASSERT_TRUE(picture.ok()) << picture.message();
    const uint32_t expected[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu, 0xFF848284u};
    for (int band = 0; band < 5; ++band)
        EXPECT_EQ(picture->Pixel(band * 12 + 6, 8), expected[band]) << band;
}

struct EnvironmentCase {
    const char* value;  // null: unset
    std::optional<uint64_t> window;
};

TEST(XScreenSaverWindowTest, ReadsTheHostsWindowIdAndRefusesAnythingElse) {
    const EnvironmentCase cases[] = {
        {"0x1a00007", 0x1a00007}, {"0X1A00007", 0x1a00007}, {"27262983", 27262983}, {nullptr, std::nullopt},
        {"", std::nullopt},       {"0", std::nullopt},       {"0x", std::nullopt},   {"window", std::nullopt},
        {"-5", std::nullopt},     {"0x1a00007 ", std::nullopt}, {"0x20000000", std::nullopt},
        {"99999999999999999999999", std::nullopt}};
    for (const auto& c : cases) {
        ScopedEnv env("XSCREENSAVER_WINDOW", c.value);
        EXPECT_EQ(XScreenSaverWindowFromEnvironment(), c.window) << (c.value ? c.value : "(unset)");
    }
}

} // namespace
} // namespace vorlandite::platform

// The standalone show's desktop snapshot: the Qt grab of the primary screen on a private Xvfb
// (two monitors, the primary the one on the right), kept by SnapshotDesktop while the show's own
// window covers the screen.

#include "e2e/XSession.h"
#include "platform/X11TestScreen.h"
#include "raster/DesktopCapture.h"
#include "raster/canvas/QtDesktopCapture.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include <cstdlib>
#include <memory>

namespace vorlandite::raster {
namespace {

using vorlandite::testing::XvfbServer;

constexpr TColor32 kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu, kGreen = 0xFF00FF00u, kYellow = 0xFFFFFF00u;

class DesktopGrabTest : public ::testing::Test {
protected:
    // One application per process, so one X server for the whole suite.
    static void SetUpTestSuite() {
        server_ = std::make_unique<XvfbServer>();
        if (!server_->Start("320x240x24")) {
            skipReason_ = "no private X server: " + server_->Error();
            server_.reset();
            return;
        }
        Display* x = server_->Connection();
        if (vorlandite::testing::SetMonitors(x, {{0, 0, 160, 240}, {160, 0, 160, 240}}, 1) != 2) {
            skipReason_ = "the X server cannot split its screen into monitors";
            server_.reset();
            return;
        }
        // The desktop: red on the left monitor, blue on the right one with a green square.
        vorlandite::testing::CreateColouredWindow(x, 0, 0, 160, 240, 0xFF0000);
        vorlandite::testing::CreateColouredWindow(x, 160, 0, 160, 240, 0x0000FF);
        vorlandite::testing::CreateColouredWindow(x, 170, 10, 20, 20, 0x00FF00);
        ::setenv("DISPLAY", server_->DisplayName().c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        static int argc = 1;
        static char name[] = "raster_desktop_grab_test";
        static char* argv[] = {name, nullptr};
        application_ = std::make_unique<QGuiApplication>(argc, argv);
    }
    static void TearDownTestSuite() {
        application_.reset();
        server_.reset();
    }
    void SetUp() override {
        if (!server_)
            GTEST_SKIP() << skipReason_;
    }

    static inline std::unique_ptr<XvfbServer> server_;
    static inline std::unique_ptr<QGuiApplication> application_;
    static inline std::string skipReason_;
};

TEST_F(DesktopGrabTest, GrabsThePrimaryScreenOnlyFromItsOwnCorner) {
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(160, 0, 160, 240));
    QtDesktopCapture capture;
    auto screen = capture.GrabScreen();
    ASSERT_TRUE(screen.ok()) << screen.message();
    ASSERT_EQ(screen->Width(), 160);
    ASSERT_EQ(screen->Height(), 240);
    EXPECT_EQ(screen->Pixel(0, 0), kBlue);
    EXPECT_EQ(screen->Pixel(0, 239), kBlue);
    EXPECT_EQ(screen->Pixel(159, 120), kBlue);
    EXPECT_EQ(screen->Pixel(10, 10), kGreen);
    EXPECT_EQ(screen->Pixel(29, 29), kGreen);
    EXPECT_EQ(screen->Pixel(30, 30), kBlue);
}

TEST_F(DesktopGrabTest, SnapshotTakenBeforeTheShowWindowKeepsTheDesktop) {
    SnapshotDesktop desktop(QtDesktopCapture().GrabScreen(), 160, 240);
    // The show's window goes up over the whole screen.
    const unsigned long window = vorlandite::testing::CreateColouredWindow(server_->Connection(), 0, 0, 320, 240, 0xFFFF00);
    auto live = QtDesktopCapture().GrabScreen();
    ASSERT_TRUE(live.ok());
    EXPECT_EQ(live->Pixel(10, 10), kYellow);
    for (int ask = 0; ask < 2; ++ask) {
        auto kept = desktop.GrabScreen();
        ASSERT_TRUE(kept.ok()) << kept.message();
        EXPECT_EQ(kept->Pixel(10, 10), kGreen);
        EXPECT_EQ(kept->Pixel(100, 100), kBlue);
        kept->Clear(kRed);  // the show draws on its copy; the next one is whole again
    }
    vorlandite::testing::DestroyWindow(server_->Connection(), window);
}

} // namespace
} // namespace vorlandite::raster

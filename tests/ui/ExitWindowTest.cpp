// The exit window's clicks and close glyph, the banner shown once at the screen's centre, and the
// exit link handed to the shell.

#include "ui/ExitWindow.h"

#include "WindowsTestSupport.h"
#include "raster/decoders/PictureWriters.h"
#include "slideshow/OverlayTestSupport.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

namespace vorlandite::ui {
namespace {

TEST(ExitWindow, BannerClickOpensTheLinkWhenThereIsOneAndCloses) {
    testing::EnsureApplication();
    platform::FakeShellOpen shell;
    for (const std::string link : {"", "http://example.test/thanks"}) {
        TExitWindow window(link, shell);
        window.show();
        window.imgBannerClick();
        EXPECT_FALSE(window.isVisible());
    }
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], "http://example.test/thanks");
}

TEST(ExitWindow, CloseGlyphAnchoredTopRightAndCloses) {
    testing::EnsureApplication();
    platform::FakeShellOpen shell;
    TExitWindow window("x", shell);
    window.resize(400, 300);
    window.show();
    EXPECT_EQ(window.imgClose->geometry(), QRect(400 - 9 - 21, 8, 21, 21));
    EXPECT_EQ(window.imgClose->toolTip(), "Close");
    EXPECT_EQ(window.imgBanner->geometry(), window.rect());
    window.CloseClick();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(shell.opened.empty());
}

TEST(ExitWindow, DisplayedOnceCentredOnTheScreen) {
    testing::EnsureApplication();
    payload::PayloadDraft draft;
    draft.exitBanner = payload::Content::FromBytes(testing::WritePngFromBitmap(testing::MakeGradient(200, 120), true));
    draft.header.ExitBannerExt = ".png";
    draft.strings.ExitBannerLink = "http://example.test/";
    testing::ShowFile show(draft);
    platform::FakeShellOpen shell;
    slideshow::ExitBanner banner;

    QRect placed;
    bool hand = false;
    QTimer::singleShot(0, [&] {
        auto* window = dynamic_cast<TExitWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        placed = window->geometry();
        hand = window->imgBanner->cursor().shape() == Qt::PointingHandCursor;
        testing::SaveShot(*window, "exit-banner.png");
        window->CloseClick();
    });
    EXPECT_TRUE(DisplayExitBanner(banner, show.payload, show.path, show.tempFolder, shell));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(placed, QRect(screen.left() + (screen.width() - 200) / 2, screen.top() + (screen.height() - 120) / 2,
                            200, 120));
    EXPECT_TRUE(hand);
    EXPECT_TRUE(shell.opened.empty());

    // A second call in the same run shows nothing (a window would block this test).
    EXPECT_FALSE(DisplayExitBanner(banner, show.payload, show.path, show.tempFolder, shell));
}

TEST(ExitLinkAtClose, OpenedThroughTheShellAsUtf8) {
    platform::FakeShellOpen shell;
    payload::TKelVarSizeInfo strings;
    OpenExitLink(strings, shell);
    EXPECT_TRUE(shell.opened.empty());
    strings.ExitLink = "http://example.test/caf\xE9";
    OpenExitLink(strings, shell);
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], "http://example.test/caf\xC3\xA9");
}

} // namespace
} // namespace vorlandite::ui

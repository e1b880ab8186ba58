// The About window: texts from the payload, placeholders when they are empty, the link.

#include "ui/AboutWindow.h"

#include "WindowsTestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

#include <gtest/gtest.h>

namespace vorlandite::ui {
namespace {

TEST(AboutWindow, EmptyStringsKeepTheDesignTextsAndHideTheLink) {
    testing::EnsureApplication();
    payload::TKelVarSizeInfo strings;
    platform::FakeShellOpen shell;
    TAboutWindow about(strings, shell);
    about.show();
    EXPECT_EQ(about.Title->text(), "Screen Saver");
    EXPECT_FALSE(about.Text->text().isEmpty());
    EXPECT_FALSE(about.Link->isVisible());
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_EQ(about.btnClose->text(), "Close");
    EXPECT_TRUE(about.btnClose->isDefault());
    EXPECT_EQ(about.size(), QSize(kAboutClientWidth, kAboutClientHeight));
    about.LinkClick();
    EXPECT_TRUE(shell.opened.empty());
    testing::SaveShot(about, "about-empty.png");
    about.btnCloseClick();
    EXPECT_FALSE(about.isVisible());
}

TEST(AboutWindow, TextsRefreshAtEveryShowingAndLinkOpensAsStored) {
    testing::EnsureApplication();
    payload::TKelVarSizeInfo strings;
    strings.Title = "Caf\xE9 Pictures";
    strings.Notice = "Photographs of the harbour at dawn, taken over one long summer. Enjoy them as they pass by.";
    strings.WebAddress = "www.example.test";
    platform::FakeShellOpen shell;
    TAboutWindow about(strings, shell);
    about.show();
    EXPECT_EQ(about.Title->text(), QString::fromUtf8("Caf\u00E9 Pictures"));
    EXPECT_EQ(about.Text->text(), QString::fromStdString(strings.Notice));
    EXPECT_TRUE(about.Link->isVisible());
    EXPECT_LE(about.Link->width(), kAboutLinkMaxWidth);
    testing::SaveShot(about, "about-filled.png");
    about.hide();

    // The panel's Website button added the scheme meanwhile.
    strings.WebAddress = "http://www.example.test";
    about.show();
    EXPECT_EQ(about.Link->text(), "http://www.example.test");
    about.LinkClick();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], "http://www.example.test");
}

} // namespace
} // namespace vorlandite::ui

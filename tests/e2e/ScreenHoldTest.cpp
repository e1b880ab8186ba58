// A show that asks for the password holds the screen: no other client can take the keyboard or
// the pointer (during the show and while the question is up), a window manager's close request
// does not end it, and a window put over it is covered again. A show without a password keeps
// the desktop's ordinary behaviour.

#include "e2e/EngineFixture.h"
#include "e2e/XSession.h"
#include "platform/ScreenSaverPassword.h"

#include <gtest/gtest.h>

namespace vorlandite::e2e {
namespace {

class ScreenHold : public EndToEnd {
protected:
    std::string LockedScreensaver() {
        const std::string screensaver =
            MakeScreensaver({.mouseMove = false, .mouseButton = false, .keyboard = true, .esc = true});
        platform::FileRegistry registry(dir_.File("config") + "/vorlandite/user.reg");
        auto desktop = registry.OpenKey(platform::kDesktopKey, true);
        EXPECT_TRUE(desktop.ok());
        (*desktop)->WriteInteger(platform::kScreenSaveUsePasswordValue, 1);
        EXPECT_TRUE((*desktop)->Close().ok());
        return screensaver;
    }

    // The show's window: the mapped top-level window covering the screen.
    unsigned long ShowWindow() {
        for (const auto& w : testing::ChildWindows(display_))
            if (w.mapped && w.x == 0 && w.y == 0 && w.width == kScreenWidth && w.height == kScreenHeight)
                return w.id;
        return 0;
    }

    bool DialogShown() {
        for (const auto& w : testing::ChildWindows(display_))
            if (w.mapped && w.width > 100 && w.width < kScreenWidth / 2 && w.height < kScreenHeight / 2)
                return true;
        return false;
    }
};

TEST_F(ScreenHold, ALockedShowKeepsTheKeyboardAndPointerAlsoWhileItAsks) {
    StartServer();
    StartEngine({LockedScreensaver(), "/s"});
    WaitForShow();
    EXPECT_TRUE(testing::WaitUntil([&] { return !testing::KeyboardGrabbable(display_); }, 3s))
        << "another client could take the keyboard";
    EXPECT_FALSE(testing::PointerGrabbable(display_)) << "another client could take the pointer";

    testing::FakeKey(display_, "a");
    ASSERT_TRUE(testing::WaitUntil([&] { return DialogShown(); }, 5s)) << engine_.Output();
    EXPECT_FALSE(testing::KeyboardGrabbable(display_)) << "the keyboard was free while the question was up";
    EXPECT_FALSE(testing::PointerGrabbable(display_));
    // The dialog still gets what is typed: Escape cancels the question, the show goes on held.
    testing::FakeKey(display_, "Escape");
    ASSERT_TRUE(testing::WaitUntil([&] { return !DialogShown(); }, 5s)) << "the dialog did not take the key";
    ExpectStillRunning("a cancelled question");
    EXPECT_FALSE(testing::KeyboardGrabbable(display_));
}

TEST_F(ScreenHold, ACloseRequestDoesNotEndALockedShowButEndsAnOpenOne) {
    StartServer();
    for (bool locked : {false, true}) {  // the password setting, once stored, stays
        SCOPED_TRACE(locked ? "locked" : "open");
        StartEngine({locked ? LockedScreensaver() : MakeScreensaver({}, {}, "Open.scr"), "/s"});
        WaitForShow();
        const unsigned long window = ShowWindow();
        ASSERT_NE(window, 0u);
        testing::SendDeleteWindow(display_, window);
        if (locked) {
            ExpectStillRunning("a close request");
            EXPECT_TRUE(ShowsItem(0, 0, kScreenWidth, kScreenHeight));
            ASSERT_TRUE(engine_.Signal(SIGTERM));
            ExpectEnds("SIGTERM (a locked show still ends on it)");
        } else {
            ExpectEnds("a close request to a show without a password");
            EXPECT_TRUE(testing::KeyboardGrabbable(display_)) << "a show without a password grabbed the keyboard";
        }
    }
}

TEST_F(ScreenHold, AWindowPutOverALockedShowIsCoveredAgain) {
    StartServer();
    StartEngine({LockedScreensaver(), "/s"});
    WaitForShow();
    testing::CreateMappedWindow(display_, 100, 100, 300, 200);
    EXPECT_TRUE(testing::WaitUntil([&] { return ShowsItem(100, 100, 300, 200); }, 3s))
        << "the window stayed over the show";
}

} // namespace
} // namespace vorlandite::e2e

// A show that asks for the password ("ScreenSaveUsePassword" set), run as another user the way a
// desktop runs it: a password that cannot be checked (an account the user database does not
// know, as when the directory is unreachable) keeps the show and says why; a real account's
// wrong password keeps it and its own password ends it. Running the engine as another user
// needs root (setpriv); without it these tests are skipped.

#include "e2e/EngineFixture.h"
#include "e2e/XSession.h"
#include "platform/FileRegistry.h"
#include "platform/ScreenSaverPassword.h"
#include "support/TestAccount.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

namespace vorlandite::e2e {
namespace {

class LockedShow : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        if (IsSkipped())
            return;
        if (::geteuid() != 0)
            GTEST_SKIP() << "running the engine as another user needs root";
        if (::access(kSetpriv, X_OK) != 0)
            GTEST_SKIP() << kSetpriv << " is missing";
    }

    // The show's screensaver, with the keyboard as its exit and the password asked for.
    std::string MakeLockedScreensaver() {
        const std::string screensaver =
            MakeScreensaver({.mouseMove = false, .mouseButton = false, .keyboard = true, .esc = true});
        platform::FileRegistry registry(dir_.File("config") + "/vorlandite/user.reg");
        auto desktop = registry.OpenKey(platform::kDesktopKey, true);
        EXPECT_TRUE(desktop.ok());
        if (desktop.ok()) {
            (*desktop)->WriteInteger(platform::kScreenSaveUsePasswordValue, 1);
            EXPECT_TRUE((*desktop)->Close().ok());
        }
        return screensaver;
    }

    // Starts the show as `uid`:`gid` with no other groups; the scratch folder (the screensaver,
    // the store, the runtime folder and a home) becomes that user's.
    void StartShowAs(uid_t uid, gid_t gid, const std::string& screensaver) {
        const fs::path home = dir_.Path() / "home";
        fs::create_directories(home);
        for (const auto& entry : fs::recursive_directory_iterator(dir_.Path()))
            ASSERT_EQ(::lchown(entry.path().c_str(), uid, gid), 0) << entry.path();
        ASSERT_EQ(::lchown(dir_.Path().c_str(), uid, gid), 0);
        StartEngine({kSetpriv, "--reuid=" + std::to_string(uid), "--regid=" + std::to_string(gid), "--clear-groups",
                     screensaver, "/s"},
                    {"HOME=" + home.string()});
    }

    bool DialogShown() {
        for (const auto& w : testing::ChildWindows(display_))
            if (w.mapped && w.width > 100 && w.width < kScreenWidth / 2 && w.height < kScreenHeight / 2)
                return true;
        return false;
    }

    // A key asks; `password` and Return answer.
    void Answer(const std::string& password) {
        testing::FakeKey(display_, "a");
        ASSERT_TRUE(testing::WaitUntil([&] { return DialogShown(); }, 5s))
            << "no password question; engine said:\n" << engine_.Output();
        for (const char c : password)
            testing::FakeKey(display_, std::string(1, c).c_str());
        testing::FakeKey(display_, "Return");
    }

    std::size_t Said(const std::string& text) const {
        const std::string output = engine_.Output();
        std::size_t count = 0;
        for (auto at = output.find(text); at != std::string::npos; at = output.find(text, at + 1))
            ++count;
        return count;
    }

    static constexpr const char* kSetpriv = "/usr/bin/setpriv";
};

TEST_F(LockedShow, APasswordThatCannotBeCheckedKeepsTheShowAndSaysWhy) {
    uid_t nobody = 54321;
    while (::getpwuid(nobody))
        ++nobody;
    StartServer();
    const std::string screensaver = MakeLockedScreensaver();
    StartShowAs(nobody, nobody, screensaver);
    WaitForShow();

    // The reason is the dialog's line, echoed on stderr.
    const std::string reason = "(user id " + std::to_string(nobody) + ") is not in the user database";
    for (std::size_t tries = 1; tries <= 2; ++tries) {
        Answer("anything");
        ASSERT_TRUE(testing::WaitUntil([&] { return Said(reason) == tries; }, 10s))
            << "no reason given; engine said:\n" << engine_.Output();
        ASSERT_TRUE(testing::WaitUntil([&] { return !DialogShown(); }, 10s)) << "the question stayed";
        ExpectStillRunning("a password that could not be checked");
        EXPECT_TRUE(ShowsItem(0, 0, kScreenWidth, kScreenHeight));
    }
}

TEST_F(LockedShow, OnlyTheAccountsOwnPasswordEndsTheShow) {
    testing::TestAccount account("vorlandite7");
    ASSERT_TRUE(account.Made()) << "useradd/chpasswd failed";
    StartServer();
    const std::string screensaver = MakeLockedScreensaver();
    StartShowAs(account.Uid(), account.Gid(), screensaver);
    WaitForShow();

    Answer("vorlandite8");
    ASSERT_TRUE(testing::WaitUntil([&] { return Said("The password is not correct.") == 1; }, 10s))
        << engine_.Output();
    ASSERT_TRUE(testing::WaitUntil([&] { return !DialogShown(); }, 10s)) << "the question stayed";
    ExpectStillRunning("a wrong password");

    Answer("vorlandite7");
    ExpectEnds("the account's own password");
}

} // namespace
} // namespace vorlandite::e2e

// Holding the screen for a locked show: the grabs are tried until they hold and renewed, a
// minimised show comes back, the password question stays above the show, and Stop lets go.

#include "host/ScreenHold.h"
#include "support/QtApplication.h"

#include <QApplication>
#include <QDialog>

#include <gtest/gtest.h>

namespace vorlandite::host {
namespace {

// Refuses the first `failures` grabs (another program holds one), then holds.
class FakeGrab final : public platform::InputGrab {
public:
    explicit FakeGrab(int failures) : failures_(failures) {}
    bool Grab(uint64_t window) override {
        ++grabs;
        lastWindow = window;
        held = grabs > failures_;
        return held;
    }
    void Release() override {
        ++releases;
        held = false;
    }
    int grabs = 0;
    int releases = 0;
    bool held = false;
    uint64_t lastWindow = 0;

private:
    int failures_;
};

class ScreenHoldTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::EnsureQtApplication<QApplication>(); }
    void SetUp() override {
        show_.resize(320, 240);
        show_.show();
    }
    QWidget show_;
};

TEST_F(ScreenHoldTest, GrabsAreTriedUntilTheyHoldAndRenewedAfterwards) {
    FakeGrab grab(3);
    ScreenHold hold(show_, &grab);
    EXPECT_FALSE(hold.Holding());
    hold.Start();  // the first try at once
    EXPECT_TRUE(hold.Holding());
    EXPECT_EQ(grab.grabs, 1);
    EXPECT_FALSE(hold.Grabbed());
    hold.Renew();
    hold.Renew();
    EXPECT_FALSE(hold.Grabbed());
    hold.Renew();
    EXPECT_TRUE(hold.Grabbed());
    EXPECT_EQ(grab.lastWindow, uint64_t(show_.winId()));
    hold.Renew();  // a held grab is taken again all the same: one lost is back within a renewal
    EXPECT_EQ(grab.grabs, 5);

    hold.Stop();
    EXPECT_FALSE(hold.Holding());
    EXPECT_EQ(grab.releases, 1);
    hold.Renew();
    EXPECT_EQ(grab.grabs, 5) << "a stopped hold grabbed again";
    hold.Stop();
    EXPECT_EQ(grab.releases, 1);
}

TEST_F(ScreenHoldTest, AHiddenShowIsNotGrabbedAndWithoutGrabsTheWindowsAreStillKeptUp) {
    FakeGrab grab(0);
    show_.hide();
    ScreenHold hold(show_, &grab);
    hold.Start();
    EXPECT_EQ(grab.grabs, 0) << "a grab needs a window the server shows";

    QWidget second;
    second.resize(100, 100);
    second.show();
    second.setWindowState(Qt::WindowMinimized);
    show_.show();
    show_.setWindowState(Qt::WindowMinimized);
    ScreenHold noGrabs(show_, nullptr);
    noGrabs.AddWindow(second);
    noGrabs.Start();
    EXPECT_FALSE(show_.isMinimized());
    EXPECT_FALSE(second.isMinimized());
    EXPECT_FALSE(noGrabs.Grabbed());
}

TEST_F(ScreenHoldTest, WhileTheQuestionIsUpTheShowIsLeftBelowIt) {
    FakeGrab grab(0);
    ScreenHold hold(show_, &grab);
    QDialog question(&show_);
    question.setModal(true);
    question.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &question);
    show_.setWindowState(Qt::WindowMinimized);
    hold.Start();
    // Only the dialog is raised: the show is not brought over it (and the grab still holds).
    EXPECT_TRUE(show_.isMinimized());
    EXPECT_TRUE(hold.Grabbed());
    question.hide();
    hold.Renew();
    EXPECT_FALSE(show_.isMinimized());
}

} // namespace
} // namespace vorlandite::host

// The show's presenter: frames reach the display picture on the UI thread while the worker waits,
// the completion runs on the UI thread, and the UI thread can drop a worker that waits for it.

#include "TransitionRig.h"

#include "transitions/ScreenPresenter.h"
#include "support/QtApplication.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace vorlandite::transitions {
namespace {

using namespace testing;

class ScreenPresenterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        vorlandite::testing::EnsureQtApplication<QApplication>();
    }
};

TEST_F(ScreenPresenterTest, RunsATransitionThroughTheEventLoop) {
    QWidget display;
    display.resize(40, 30);
    TBitmap32 canvas = OldPicture(40, 30);
    TScreenPresenter presenter(canvas, &display);
    TVirtualTickClock clock;
    TSeededRandom random(1);
    TQtOwnerThread owner;
    TTransitionEngine engine(clock, random, owner);

    TTransThread* thread = engine.StartTransition(presenter, NewPicture(40, 30), 5, 8, 9);
    ASSERT_NE(thread, nullptr);
    bool completed = false;
    bool onUiThread = false;
    thread->SetCompletionHandler([&] {
        completed = true;
        onUiThread = QThread::currentThread() == display.thread();
    });
    QElapsedTimer timer;
    timer.start();
    while (!completed && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(completed);
    EXPECT_TRUE(onUiThread);
    EXPECT_TRUE(SamePixels(canvas, NewPicture(40, 30)));
}

TEST_F(ScreenPresenterTest, EffectZeroDrawsAtOnce) {
    QWidget display;
    TBitmap32 canvas = OldPicture(40, 30);
    TScreenPresenter presenter(canvas, &display);
    TVirtualTickClock clock;
    TSeededRandom random(1);
    TQtOwnerThread owner;
    TTransitionEngine engine(clock, random, owner);
    EXPECT_EQ(engine.StartTransition(presenter, NewPicture(40, 30), 0, 8, 9), nullptr);
    EXPECT_TRUE(SamePixels(canvas, NewPicture(40, 30)));
}

TEST_F(ScreenPresenterTest, DestroyingTheEngineReleasesAWaitingWorker) {
    QWidget display;
    TBitmap32 canvas = OldPicture(40, 30);
    TScreenPresenter presenter(canvas, &display);
    TVirtualTickClock clock;
    TSeededRandom random(1);
    TQtOwnerThread owner;
    {
        TTransitionEngine engine(clock, random, owner);
        engine.StartTransition(presenter, NewPicture(40, 30), 5, 8, 9);
        // The worker is now blocked in its first presentation: nobody runs the event loop.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_TRUE(engine.TransitionRunning);
    }
    // The queued copy finds its worker gone and draws nothing.
    QApplication::processEvents();
    EXPECT_TRUE(SamePixels(canvas, OldPicture(40, 30)));
}

} // namespace
} // namespace vorlandite::transitions

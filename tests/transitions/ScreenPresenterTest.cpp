// The show's presenter: a frame's presentations reach the display picture as one batch painted
// on the UI thread, pixel for pixel as the recording presenter draws them; the completion runs
// on the UI thread; and the UI thread can drop a worker that waits for it.

#include "TransitionRig.h"

#include "transitions/EffectCatalog.h"
#include "transitions/ScreenPresenter.h"
#include "support/QtApplication.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <functional>
#include <thread>
#include <vector>

namespace vorlandite::transitions {
namespace {

using namespace testing;
using raster::Rect;

class ScreenPresenterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        vorlandite::testing::EnsureQtApplication<QApplication>();
    }
};

// Runs the event loop until `done` holds (at most 10 s).
bool PumpUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

// A display that counts its paints.
class CountingDisplay final : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

struct ScreenRun {
    std::vector<TBitmap32> snapshots;  // the picture after each painted batch
    TBitmap32 final;
    uint64_t batches = 0;
    bool completed = false;
};

// A transition through the screen presenter as the show runs it: the worker on its own thread
// (on virtual time, so it never waits out a period), this thread serving its batches.
ScreenRun RunOnScreen(QWidget* display, const TBitmap32& oldPicture, const TBitmap32& newPicture, int effect,
                       int steps, uint32_t seed) {
    ScreenRun run;
    TBitmap32 canvas = oldPicture;
    ScreenPresenter presenter(canvas, display);
    presenter.SetBatchTrace([&](const BatchTrace&) { run.snapshots.push_back(canvas); });
    VirtualTickClock clock;
    SeededRandom random(seed);
    QtOwnerThread owner;
    TransitionEngine engine(clock, random, owner);
    TTransThread* thread = engine.StartTransition(presenter, newPicture, effect, steps, 9);
    if (thread)
        thread->SetCompletionHandler([&run] { run.completed = true; });
    else
        run.completed = true;
    PumpUntil([&] { return run.completed; });
    run.final = canvas;
    run.batches = presenter.BatchesPainted();
    return run;
}

// Every snapshot is one of the recorder's frames, in their order (a batch that waited for the
// UI thread with the next one shows that next frame twice).
bool FramesInOrder(const std::vector<TBitmap32>& snapshots, const std::vector<TBitmap32>& frames) {
    std::size_t at = 0;
    for (const TBitmap32& snapshot : snapshots) {
        while (at < frames.size() && !SamePixels(snapshot, frames[at]))
            ++at;
        if (at == frames.size())
            return false;
    }
    return true;
}

TEST_F(ScreenPresenterTest, EveryEffectReachesThePictureFrameByFrameAsTheRecorderDrawsIt) {
    // A width that no step count divides, so bands and columns end in odd remainders.
    constexpr int kW = 50, kH = 30, kSteps = 8;
    const TBitmap32 oldPicture = OldPicture(kW, kH);
    const TBitmap32 newPicture = NewPicture(kW, kH);
    for (int effect = 1; effect <= kEffectCount; ++effect) {
        SCOPED_TRACE(effect);
        TransitionRig rig{uint32_t(effect)};
        const RecordedRun recorded = rig.Run(oldPicture, newPicture, effect, kSteps);
        const ScreenRun screen = RunOnScreen(nullptr, oldPicture, newPicture, effect, kSteps, uint32_t(effect));
        ASSERT_TRUE(screen.completed);
        EXPECT_TRUE(SamePixels(screen.final, recorded.final));
        EXPECT_TRUE(SamePixels(screen.final, newPicture));
        EXPECT_LE(screen.snapshots.size(), recorded.frames.size());
        EXPECT_TRUE(FramesInOrder(screen.snapshots, recorded.frames));
    }
}

TEST_F(ScreenPresenterTest, AFrameOfManyPresentationsIsOnePaint) {
    constexpr int kW = 64, kH = 48, kSteps = 16;
    CountingDisplay display;
    // Away from the pointer: a window that opens under it makes Qt's pointer device, which the
    // test program's static application object cannot take down at exit.
    display.setGeometry(300, 300, kW, kH);
    display.show();
    PumpUntil([] { return true; });
    // Columns and lines that present many rectangles a frame.
    for (int effect : {36, 38, 49}) {
        SCOPED_TRACE(effect);
        TransitionRig rig(1);
        const RecordedRun recorded = rig.Run(OldPicture(kW, kH), NewPicture(kW, kH), effect, kSteps, false);
        ASSERT_GT(recorded.presentations, 3 * recorded.frameCount);
        display.paints = 0;
        const ScreenRun screen = RunOnScreen(&display, OldPicture(kW, kH), NewPicture(kW, kH), effect, kSteps, 1);
        QApplication::processEvents();  // the closing copy's repaint
        ASSERT_TRUE(screen.completed);
        EXPECT_GE(screen.batches, 1u);
        EXPECT_LE(screen.batches, uint64_t(recorded.frameCount));
        // At most one paint per frame (batches that wait for the UI thread together share
        // one), and the closing copy's.
        EXPECT_GT(display.paints, 0);
        EXPECT_LE(display.paints, int(screen.batches) + 1);
    }
}

// One presentation from a worker thread, onto a picture of the surface's size.
TBitmap32 PresentOnScreen(const TBitmap32& surface, const Rect& source, const Rect& destination) {
    TBitmap32 canvas = OldPicture(surface.Width(), surface.Height());
    ScreenPresenter presenter(canvas, nullptr);
    TBitmap32 old(canvas);
    presenter.CaptureTarget(old);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        presenter.Present(surface, source, destination);
        presenter.FramesEnded();
        done = true;
    });
    PumpUntil([&] { return done.load(); });
    worker.join();
    return canvas;
}

TEST_F(ScreenPresenterTest, RectanglesAnywhereCopyExactlyAsTheRecorderCopiesThem) {
    constexpr int kW = 40, kH = 30;
    const TBitmap32 surface = NewPicture(kW, kH);
    struct Case {
        const char* name;
        Rect source, destination;
    };
    const Case cases[] = {
        {"whole", {0, 0, kW, kH}, {0, 0, kW, kH}},
        {"moved", {5, 5, 15, 12}, {20, 10, 30, 17}},
        {"source partly outside the surface", {-5, -3, 10, 8}, {0, 0, 15, 11}},
        {"destination partly outside the picture", {0, 0, 20, 20}, {30, 25, 50, 45}},
        {"destination wholly outside", {0, 0, 10, 10}, {kW, 0, kW + 10, 10}},
        {"stretched", {2, 2, 4, 3}, {10, 10, 30, 20}},
        {"shrunk", {0, 0, kW, kH}, {3, 4, 13, 10}},
        {"stretched from a source partly outside", {-4, 0, 4, 2}, {0, 0, kW, 6}},
        {"stretched partly outside the picture", {0, 0, 10, 10}, {-15, -15, 25, 25}},
        {"inverted", {10, 10, 5, 5}, {10, 10, 5, 5}},
        {"empty", {3, 3, 3, 9}, {3, 3, 3, 9}},
        {"far away", {INT_MIN / 2, 0, INT_MIN / 2 + 10, 10}, {INT_MAX - 10, 0, INT_MAX, 10}},
        {"destination at the far corner", {0, 0, 10, 10}, {INT_MIN, INT_MIN, INT_MIN + 10, INT_MIN + 10}},
        {"stretched across the whole range", {0, 0, 2, 2}, {-2000000000, 0, 2000000000, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingPresenter recorder(OldPicture(kW, kH));
        recorder.Present(surface, c.source, c.destination);
        EXPECT_TRUE(SamePixels(PresentOnScreen(surface, c.source, c.destination), recorder.Canvas()));
    }
}

TEST_F(ScreenPresenterTest, RunsATransitionThroughTheEventLoop) {
    QWidget display;
    display.resize(40, 30);
    TBitmap32 canvas = OldPicture(40, 30);
    ScreenPresenter presenter(canvas, &display);
    VirtualTickClock clock;
    SeededRandom random(1);
    QtOwnerThread owner;
    TransitionEngine engine(clock, random, owner);

    TTransThread* thread = engine.StartTransition(presenter, NewPicture(40, 30), 5, 8, 9);
    ASSERT_NE(thread, nullptr);
    bool completed = false;
    bool onUiThread = false;
    thread->SetCompletionHandler([&] {
        completed = true;
        onUiThread = QThread::currentThread() == display.thread();
    });
    EXPECT_TRUE(PumpUntil([&] { return completed; }));
    EXPECT_TRUE(onUiThread);
    EXPECT_TRUE(SamePixels(canvas, NewPicture(40, 30)));
}

TEST_F(ScreenPresenterTest, EffectZeroDrawsAtOnce) {
    QWidget display;
    TBitmap32 canvas = OldPicture(40, 30);
    ScreenPresenter presenter(canvas, &display);
    VirtualTickClock clock;
    SeededRandom random(1);
    QtOwnerThread owner;
    TransitionEngine engine(clock, random, owner);
    EXPECT_EQ(engine.StartTransition(presenter, NewPicture(40, 30), 0, 8, 9), nullptr);
    EXPECT_TRUE(SamePixels(canvas, NewPicture(40, 30)));
}

TEST_F(ScreenPresenterTest, DestroyingTheEngineReleasesAWaitingWorker) {
    QWidget display;
    TBitmap32 canvas = OldPicture(40, 30);
    ScreenPresenter presenter(canvas, &display);
    VirtualTickClock clock;
    SeededRandom random(1);
    QtOwnerThread owner;
    {
        TransitionEngine engine(clock, random, owner);
        engine.StartTransition(presenter, NewPicture(40, 30), 5, 8, 9);
        // The worker is now blocked: nobody runs the event loop to paint its frames.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_TRUE(engine.TransitionRunning);
    }
    // The queued batches find their worker gone and draw nothing.
    QApplication::processEvents();
    EXPECT_TRUE(SamePixels(canvas, OldPicture(40, 30)));
}

TEST_F(ScreenPresenterTest, AbandonReleasesAWorkerWaitingForAFrameToBePainted) {
    TBitmap32 canvas = OldPicture(40, 30);
    ScreenPresenter presenter(canvas, nullptr);
    TBitmap32 old(canvas);
    presenter.CaptureTarget(old);
    const TBitmap32 surface = NewPicture(40, 30);
    std::atomic<int> framesStarted{0};
    std::thread worker([&] {
        for (int frame = 0; frame < 3; ++frame) {
            presenter.Present(surface, {0, frame, 40, frame + 1}, {0, frame, 40, frame + 1});
            presenter.FrameStarted();
            ++framesStarted;
        }
        presenter.FramesEnded();
    });
    // The second frame's start waits for the first one's paint, which never comes.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(framesStarted.load(), 1);
    presenter.Abandon();
    worker.join();
    EXPECT_EQ(framesStarted.load(), 3);
    QApplication::processEvents();
    EXPECT_TRUE(SamePixels(canvas, OldPicture(40, 30)));
    EXPECT_EQ(presenter.BatchesPainted(), 0u);
}

} // namespace
} // namespace vorlandite::transitions

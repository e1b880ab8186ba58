// The effect preview: the pending request, the abort of a running preview by a click, the
// alternation of the sample pictures, on the real engine with virtual time.

#include "TransitionRig.h"

#include "transitions/EffectCatalog.h"
#include "transitions/EffectPreview.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace vorlandite::transitions {
namespace {

using namespace testing;

struct PreviewRig {
    VirtualTickClock clock;
    SeededRandom random{7};
    TaskQueue queue;
    TransitionEngine engine{clock, random, queue};
    RecordingPresenter presenter{TBitmap32::Create(kPreviewWidth, kPreviewHeight).value()};
    EffectPreview preview{engine, presenter};
    const TBitmap32 sample1 = MakePreviewSample(1);
    const TBitmap32 sample2 = MakePreviewSample(2);

    PreviewRig() { preview.Prepare(); }
    void Finish() { RunUntilIdle(engine, queue); }
};

TEST(EffectPreview, SamplesDifferAndPreparationShowsTheSecond) {
    PreviewRig rig;
    EXPECT_FALSE(SamePixels(rig.sample1, rig.sample2));
    EXPECT_TRUE(SamePixels(rig.presenter.Canvas(), rig.sample2));
    EXPECT_FALSE(rig.engine.TransitionRunning);
}

TEST(EffectPreview, ClickOnFirstItemPlaysEffectOneAtTheNextTick) {
    PreviewRig rig;
    EXPECT_EQ(rig.preview.tmrPreviewTransTimer(0), 0) << "no request, no preview";
    rig.preview.lbEffectsClick();
    EXPECT_TRUE(rig.preview.PreviewPending());
    const int64_t start = rig.clock.TickMs();
    EXPECT_EQ(rig.preview.tmrPreviewTransTimer(0), 1);
    EXPECT_FALSE(rig.preview.PreviewPending());
    EXPECT_TRUE(rig.preview.PreviewToggle());
    rig.Finish();
    EXPECT_EQ(rig.presenter.FramesStarted(), kPreviewSteps);
    EXPECT_GE(rig.clock.TickMs() - start, int64_t(kPreviewSteps - 1) * kPreviewFramePeriodMs);
    EXPECT_TRUE(SamePixels(rig.presenter.Canvas(), rig.sample1));
    // The preview never repeats by itself.
    EXPECT_EQ(rig.preview.tmrPreviewTransTimer(0), 0);
}

TEST(EffectPreview, PreviewsAlternateBetweenTheSamples) {
    PreviewRig rig;
    for (int round = 0; round < 3; ++round) {
        rig.preview.lbEffectsClick();
        ASSERT_EQ(rig.preview.tmrPreviewTransTimer(10 + round), 11 + round);
        rig.Finish();
        EXPECT_TRUE(SamePixels(rig.presenter.Canvas(), round % 2 == 0 ? rig.sample1 : rig.sample2)) << round;
    }
}

TEST(EffectPreview, PendingRequestWaitsForAHighlightedRow) {
    PreviewRig rig;
    rig.preview.lbEffectsClick();
    EXPECT_EQ(rig.preview.tmrPreviewTransTimer(-1), 0);
    EXPECT_EQ(rig.preview.tmrPreviewTransTimer(-1), 0);
    EXPECT_EQ(rig.preview.tmrPreviewTransTimer(kEffectCount), 0) << "a row past the list names no effect";
    EXPECT_TRUE(rig.preview.PreviewPending());
    EXPECT_FALSE(rig.engine.TransitionRunning);
    EXPECT_EQ(rig.preview.tmrPreviewTransTimer(119), 120);
    rig.Finish();
}

// Clicks while a preview runs stop it at its next frame; it still ends on its whole target
// picture, and the ticks during it start nothing; the first tick after it starts one preview of
// the row highlighted then.
TEST(EffectPreview, ClicksDuringAPreviewAbortItAndGiveOneFurtherPreview) {
    PreviewRig rig;
    std::mutex mutex;
    std::condition_variable changed;
    bool reached = false, go = false;
    rig.presenter.SetFrameStartHook([&](int framesStarted) {
        if (framesStarted != 4)
            return;
        std::unique_lock lock(mutex);
        reached = true;
        changed.notify_all();
        changed.wait(lock, [&] { return go; });
    });
    rig.preview.lbEffectsClick();
    ASSERT_EQ(rig.preview.tmrPreviewTransTimer(2), 3);
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return reached; });
    }
    ASSERT_TRUE(rig.engine.TransitionRunning);
    rig.preview.lbEffectsClick();
    EXPECT_EQ(rig.preview.tmrPreviewTransTimer(5), 0) << "a preview is still running";
    rig.preview.lbEffectsClick();
    EXPECT_EQ(rig.preview.tmrPreviewTransTimer(6), 0);
    {
        std::lock_guard lock(mutex);
        go = true;
    }
    changed.notify_all();
    rig.Finish();
    EXPECT_LT(rig.presenter.FramesStarted(), kPreviewSteps);
    EXPECT_TRUE(SamePixels(rig.presenter.Canvas(), rig.sample1)) << "an aborted preview shows its picture whole";
    EXPECT_TRUE(rig.preview.PreviewPending());

    rig.presenter.SetFrameStartHook({});
    rig.presenter.ResetCounts();
    EXPECT_EQ(rig.preview.tmrPreviewTransTimer(7), 8);
    EXPECT_EQ(rig.preview.tmrPreviewTransTimer(7), 0) << "several clicks, one further preview";
    rig.Finish();
    EXPECT_EQ(rig.presenter.FramesStarted(), kPreviewSteps);
    EXPECT_TRUE(SamePixels(rig.presenter.Canvas(), rig.sample2));
}

} // namespace
} // namespace vorlandite::transitions

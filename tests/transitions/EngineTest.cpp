// The engine: effect 0, the random effect, stopping with and without the closing copy, errors,
// completion, pacing, step counts, effect sets and the effect numbering.

#include "TransitionRig.h"

#include "raster/BitmapDraw.h"
#include "transitions/EffectCatalog.h"
#include "transitions/EffectSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <stdexcept>
#include <string>

namespace vorlandite::transitions {
namespace {

using namespace testing;

constexpr int kW = 40;
constexpr int kH = 30;

// Answers every Random(n) with the same value (limited to n - 1).
class FixedRandom final : public IRandomSource {
public:
    explicit FixedRandom(int value) : value_(value) {}
    int Random(int n) override { return n <= 1 ? 0 : std::min(value_, n - 1); }
    void Randomize() override {}

private:
    int value_;
};

TEST(TransitionEngine, EffectZeroCopiesAtOnceWithoutAThread) {
    TransitionRig rig;
    RecordingPresenter presenter{OldPicture(kW, kH)};
    const TBitmap32 picture = NewPicture(kW, kH);
    EXPECT_EQ(rig.engine.StartTransition(presenter, picture, 0, 64, 9), nullptr);
    EXPECT_EQ(rig.engine.CurrentTransition.load(), nullptr);
    EXPECT_FALSE(rig.engine.TransitionRunning);
    EXPECT_FALSE(rig.engine.HasPendingCompletion());
    EXPECT_EQ(rig.engine.TransitionSteps, 64);
    EXPECT_TRUE(SamePixels(presenter.Canvas(), picture));
    EXPECT_EQ(presenter.FrameCount(), 0);
}

TEST(TransitionEngine, EffectsOutsideTheRangeBecomeARandomEffect) {
    for (const int effect : {121, 200, -5}) {
        SCOPED_TRACE(effect);
        VirtualTickClock clock;
        FixedRandom random(41);
        TaskQueue queue;
        TransitionEngine engine(clock, random, queue);
        RecordingPresenter presenter{OldPicture(kW, kH)};
        TTransThread* thread = engine.StartTransition(presenter, NewPicture(kW, kH), effect, 8, 9);
        ASSERT_NE(thread, nullptr);
        int ran = 0;
        thread->SetCompletionHandler([&] { ran = thread->Effect(); });
        RunUntilIdle(engine, queue);
        EXPECT_EQ(ran, 42);
    }
    // With the real generator the choice stays within 1 to 120.
    TransitionRig rig(7);
    const RecordedRun run = rig.Run(OldPicture(kW, kH), NewPicture(kW, kH), 200, 4, false);
    EXPECT_GE(run.effectRun, 1);
    EXPECT_LE(run.effectRun, kEffectCount);
    EXPECT_TRUE(SamePixels(run.final, NewPicture(kW, kH)));
}

TEST(TransitionEngine, AbortEndsAtTheFrameBoundaryWithTheClosingCopy) {
    TransitionRig rig;
    const TBitmap32 next = NewPicture(kW, kH);
    const RecordedRun run = rig.Run(OldPicture(kW, kH), next, 5, 16, true, 9, [&](RecordingPresenter& p) {
        p.SetFrameStartHook([&](int started) {
            if (started == 3)
                rig.engine.TransitionAbort = true;
        });
    });
    EXPECT_EQ(run.frameCount, 3);
    EXPECT_FALSE(SamePixels(run.frames.back(), next));
    EXPECT_TRUE(SamePixels(run.final, next));
    EXPECT_EQ(run.completions, 1);
}

TEST(TransitionEngine, AbortWithSkipFinalFrameKeepsTheLastFrame) {
    TransitionRig rig;
    rig.engine.SkipFinalFrame = true;
    const TBitmap32 next = NewPicture(kW, kH);
    const RecordedRun run = rig.Run(OldPicture(kW, kH), next, 5, 16, true, 9, [&](RecordingPresenter& p) {
        p.SetFrameStartHook([&](int started) {
            if (started == 3)
                rig.engine.TransitionAbort = true;
        });
    });
    EXPECT_EQ(run.frameCount, 3);
    EXPECT_TRUE(SamePixels(run.final, run.frames.back()));
    EXPECT_FALSE(SamePixels(run.final, next));
    EXPECT_EQ(run.completions, 1);
    EXPECT_FALSE(rig.engine.TransitionRunning);
}

TEST(TransitionEngine, StartClearsAnEarlierAbort) {
    TransitionRig rig;
    rig.engine.TransitionAbort = true;
    const RecordedRun run = rig.Run(OldPicture(kW, kH), NewPicture(kW, kH), 5, 8, false);
    EXPECT_EQ(run.frameCount, 8);
}

// Throws from the chosen presentation on; draws like the recorder before that.
class FailingPresenter final : public ITransitionPresenter {
public:
    FailingPresenter(TBitmap32 canvas, int failAt) : canvas_(std::move(canvas)), failAt_(failAt) {}
    void CaptureTarget(TBitmap32& old) override { raster::CopyRect(old, canvas_, old.BoundsRect()); }
    void CopyNow(const TBitmap32& picture, const raster::Rect& rect) override {
        raster::CopyRect(canvas_, picture, rect);
    }
    void Present(const TBitmap32& surface, const raster::Rect& source, const raster::Rect& destination) override {
        if (++presentations_ >= failAt_)
            throw std::runtime_error("display gone");
        raster::CopyRect(canvas_, destination, surface, source);
    }
    TBitmap32 canvas_;
    int failAt_;
    int presentations_ = 0;
};

TEST(TransitionEngine, AnErrorEndsTheTransitionQuietlyAndStillCompletes) {
    TransitionRig rig;
    FailingPresenter presenter(OldPicture(kW, kH), 3);
    TTransThread* thread = rig.engine.StartTransition(presenter, NewPicture(kW, kH), 5, 16, 9);
    ASSERT_NE(thread, nullptr);
    bool completed = false, surfacesFreed = false;
    thread->SetCompletionHandler([&] {
        completed = true;
        surfacesFreed = thread->New().Empty() && thread->Old().Empty() && thread->Work().Empty();
    });
    RunUntilIdle(rig.engine, rig.queue);
    EXPECT_TRUE(completed);
    EXPECT_TRUE(surfacesFreed);
    EXPECT_FALSE(rig.engine.TransitionRunning);
    EXPECT_EQ(rig.engine.CurrentTransition.load(), nullptr);
    // The closing copy is not drawn after an error: the third presentation was the last try.
    EXPECT_EQ(presenter.presentations_, 3);
    EXPECT_FALSE(SamePixels(presenter.canvas_, NewPicture(kW, kH)));
}

TEST(TransitionEngine, FlagsWhileRunningAndAfter) {
    TransitionRig rig;
    RecordingPresenter presenter{OldPicture(kW, kH)};
    bool runningSeen = false, currentSeen = false;
    presenter.SetFrameStartHook([&](int) {
        runningSeen = rig.engine.TransitionRunning;
        currentSeen = rig.engine.CurrentTransition.load() != nullptr;
    });
    TTransThread* thread = rig.engine.StartTransition(presenter, NewPicture(kW, kH), 1, 4, 9);
    EXPECT_EQ(rig.engine.TransitionSteps, 4);
    bool clearedBeforeHandler = false;
    thread->SetCompletionHandler([&] {
        clearedBeforeHandler = !rig.engine.TransitionRunning && rig.engine.CurrentTransition.load() == nullptr;
    });
    RunUntilIdle(rig.engine, rig.queue);
    EXPECT_TRUE(runningSeen);
    EXPECT_TRUE(currentSeen);
    EXPECT_TRUE(clearedBeforeHandler);
}

TEST(TransitionEngine, FramesArePacedInNapsOfOneMillisecond) {
    TransitionRig rig;
    const RecordedRun run = rig.Run(OldPicture(kW, kH), NewPicture(kW, kH), 5, 4, false, 9);
    EXPECT_EQ(run.frameCount, 4);
    // Every frame but the last waits 9 naps of 1 ms.
    EXPECT_EQ(rig.clock.Naps(), 3 * 9);
    EXPECT_EQ(rig.clock.TickMs(), 27);

    // A period below 1 still naps once per frame, without time passing.
    TransitionRig fast;
    fast.Run(OldPicture(kW, kH), NewPicture(kW, kH), 5, 4, false, 0);
    EXPECT_EQ(fast.clock.Naps(), 3);
    EXPECT_EQ(fast.clock.TickMs(), 0);
}

// A virtual clock that raises the abort flag during its fifth nap, as the UI thread would while
// the worker waits out a frame.
class AbortingClock final : public ITickClock {
public:
    int64_t TickMs() override { return now; }
    void SleepMs(int ms) override {
        now += ms;
        if (++naps == 5)
            *abort = true;
    }
    std::atomic<bool>* abort = nullptr;
    int64_t now = 0;
    int naps = 0;
};

TEST(TransitionEngine, AbortIsSeenAfterTheNextNap) {
    AbortingClock clock;
    SeededRandom random(1);
    TaskQueue queue;
    TransitionEngine engine(clock, random, queue);
    clock.abort = &engine.TransitionAbort;
    RecordingPresenter presenter{OldPicture(kW, kH)};
    engine.StartTransition(presenter, NewPicture(kW, kH), 5, 8, 1000);
    RunUntilIdle(engine, queue);
    // The first frame's wait ends after the fifth nap; the next frame runs its pass and stops.
    EXPECT_EQ(clock.naps, 5);
    EXPECT_EQ(presenter.FrameCount(), 2);
    EXPECT_TRUE(SamePixels(presenter.Canvas(), NewPicture(kW, kH)));
}

TEST(TransitionEngine, NoStepsShowsTheNewPictureForEveryEffect) {
    TransitionRig rig;
    const TBitmap32 next = NewPicture(kW, kH);
    for (int effect = 1; effect <= kEffectCount; ++effect)
        for (const int steps : {0, -4}) {
            SCOPED_TRACE(effect);
            const RecordedRun run = rig.Run(OldPicture(kW, kH), next, effect, steps, false);
            EXPECT_EQ(run.frameCount, 0);
            EXPECT_EQ(run.completions, 1);
            EXPECT_TRUE(SamePixels(run.final, next));
        }
}

TEST(TransitionEngine, TwoEnginesRunSideBySide) {
    TransitionRig first(1), second(2);
    RecordingPresenter a{OldPicture(kW, kH)}, b{OldPicture(kW, kH)};
    a.SetFrameStartHook([&](int started) {
        if (started == 2)
            first.engine.TransitionAbort = true;
    });
    const TBitmap32 next = NewPicture(kW, kH);
    first.engine.StartTransition(a, next, 5, 16, 9);
    second.engine.StartTransition(b, next, 5, 16, 9);
    RunUntilIdle(first.engine, first.queue);
    RunUntilIdle(second.engine, second.queue);
    EXPECT_EQ(a.FrameCount(), 2);
    EXPECT_EQ(b.FrameCount(), 16);
    EXPECT_FALSE(second.engine.TransitionAbort);
    EXPECT_TRUE(SamePixels(a.Canvas(), next));
    EXPECT_TRUE(SamePixels(b.Canvas(), next));
}

TEST(TransitionEngine, DestroyingTheEngineStopsItsWorker) {
    RecordingPresenter presenter{OldPicture(kW, kH)};
    bool completed = false;
    {
        TransitionRig rig;
        TTransThread* thread = rig.engine.StartTransition(presenter, NewPicture(kW, kH), 5, 1000000, 9);
        thread->SetCompletionHandler([&] { completed = true; });
    }
    // Stopped without the closing copy, and its completion never runs once the engine is gone.
    EXPECT_FALSE(completed);
    EXPECT_LT(presenter.FrameCount(), 1000000);
}

struct StepCase {
    const char* name;
    int width;
    int speed;
    int steps;
};

class StepsForSpeedTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(StepsForSpeedTest, GivesTheStepCount) {
    EXPECT_EQ(StepsForSpeed(GetParam().width, GetParam().speed), GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, StepsForSpeedTest,
    ::testing::Values(StepCase{"W800Smooth", 800, 1, 800}, StepCase{"W800Fast", 800, 10, 4},
                      StepCase{"W800Speed6", 800, 6, 60}, StepCase{"W1024Speed3IsNot341", 1024, 3, 400},
                      StepCase{"W1024Speed2", 1024, 2, 768}, StepCase{"W1280Speed10", 1280, 10, 128},
                      StepCase{"W1280Speed4", 1280, 4, 320}, StepCase{"W1280Speed3", 1280, 3, 424},
                      StepCase{"W1920Speed7", 1920, 7, 272}, StepCase{"NarrowGivesZero", 30, 10, 0},
                      StepCase{"SpeedBelowRangeClamped", 800, 0, 800},
                      StepCase{"SpeedAboveRangeClamped", 1024, 11, 4},
                      StepCase{"NegativeSpeedClamped", 1280, -3, 1280}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(EffectSet, ChecklistRoundTrip) {
    EffectChecklist checks{};
    checks[0] = checks[4] = checks[119] = true;
    const std::string set = EffectSetFromChecklist(checks);
    EXPECT_EQ(set, std::string("\x01\x05\x78"));
    EffectChecklist back;
    back.fill(true);
    ASSERT_TRUE(EffectSetToChecklist(set, back).ok());
    EXPECT_EQ(back, checks);
    EXPECT_EQ(EffectSetFromChecklist(EffectChecklist{}), "");
}

TEST(EffectSet, ACodeOutsideTheEffectsIsAnError) {
    EffectChecklist checks{};
    const Status status = EffectSetToChecklist(std::string("\x03\xC8", 2), checks);
    EXPECT_FALSE(status.ok());
    EXPECT_TRUE(checks[2]);
    EXPECT_FALSE(EffectSetToChecklist(std::string("\x00", 1), checks).ok());
}

TEST(EffectSet, RandomEffectDrawsFromTheCharacters) {
    SeededRandom random(3);
    EXPECT_EQ(RandomEffect("", random), 0);
    EXPECT_EQ(RandomEffect("\x05", random), 5);
    EXPECT_EQ(RandomEffect("\xC8", random), 200);  // left to the engine to replace
    // A number that occurs twice counts twice.
    int ones = 0;
    for (int i = 0; i < 3000; ++i)
        ones += RandomEffect("\x01\x01\x02", random) == 1;
    EXPECT_GT(ones, 1800);
    EXPECT_LT(ones, 2200);
}

TEST(EffectCatalog, NamesAndFamilies) {
    std::set<std::string_view> names;
    for (int effect = 1; effect <= kEffectCount; ++effect) {
        EXPECT_FALSE(EffectName(effect).empty()) << effect;
        names.insert(EffectName(effect));
        EXPECT_NE(FamilyFor(effect).entry, nullptr) << effect;
    }
    EXPECT_EQ(names.size(), 119u);  // 89 and 90 share their name
    EXPECT_EQ(EffectName(89), "Quarter Clock To Up Left");
    EXPECT_EQ(EffectName(90), "Quarter Clock To Up Left");
    EXPECT_EQ(EffectName(1), "Slide From Up Left");
    EXPECT_EQ(EffectName(120), "Fade Unfold From Bottom");
    EXPECT_TRUE(EffectName(0).empty());
    EXPECT_TRUE(EffectName(121).empty());
    EXPECT_EQ(FamilyFor(0).entry, nullptr);

    struct {
        int Effect;
        int OtherEffectInFamily;
        int SubIndex;
    } const edges[] = {{1, 22, 1},   {22, 1, 22},   {23, 64, 1},   {64, 23, 42},  {65, 68, 1},  {68, 65, 4},
                       {71, 76, 1},  {76, 71, 6},   {77, 95, 1},   {89, 90, 13},  {90, 89, 14}, {95, 77, 19},
                       {96, 100, 1}, {100, 96, 5},  {101, 102, 1}, {102, 101, 2}, {103, 114, 1}, {114, 103, 12},
                       {115, 116, 1}, {116, 115, 2}, {117, 120, 1}, {120, 117, 4}};
    for (const auto& edge : edges) {
        SCOPED_TRACE(edge.Effect);
        EXPECT_EQ(FamilyFor(edge.Effect).subIndex, edge.SubIndex);
        EXPECT_EQ(FamilyFor(edge.Effect).entry, FamilyFor(edge.OtherEffectInFamily).entry);
    }
    EXPECT_NE(FamilyFor(69).entry, FamilyFor(70).entry);
    EXPECT_NE(FamilyFor(22).entry, FamilyFor(23).entry);
    EXPECT_NE(FamilyFor(95).entry, FamilyFor(96).entry);
}

} // namespace
} // namespace vorlandite::transitions

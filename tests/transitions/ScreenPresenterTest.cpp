// The show's presenter: a frame's presentations reach the display picture as one batch painted
// on the UI thread, pixel for pixel as the recording presenter draws them, repainting only what
// changed in a few rectangles; the picture takes each frame over from a mirror without a copy,
// whatever the frame presented, however batches wait, and not when the picture was drawn on
// directly; the completion runs on the UI thread; and the UI thread can drop a worker that waits
// for it.

#include "TransitionRig.h"

#include "transitions/EffectCatalog.h"
#include "transitions/ScreenPresenter.h"
#include "transitions/TTransThread.h"
#include "support/QtApplication.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <functional>
#include <optional>
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
    std::vector<int64_t> paintedPixels;  // the area repainted with each batch
    int mostPaintedRects = 0;            // of one repaint
    int swapped = 0;                     // batches the picture took over without a copy
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
    presenter.SetBatchTrace([&](const BatchTrace& trace) {
        run.snapshots.push_back(canvas);
        run.paintedPixels.push_back(trace.paintedPixels);
        run.mostPaintedRects = std::max(run.mostPaintedRects, trace.paintedRects);
        run.swapped += trace.swapped ? 1 : 0;
    });
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

// The new picture where a checker of cells keeps the old picture's pixels, so presentations
// cover pixels that do not change.
TBitmap32 PartlyNewPicture(int width, int height) {
    TBitmap32 b = NewPicture(width, height);
    const TBitmap32 old = OldPicture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((x / 7 + y / 5) % 3 == 0)
                b.SetPixel(x, y, old.Pixel(x, y));
    return b;
}

TEST_F(ScreenPresenterTest, EveryEffectReachesThePictureFrameByFrameAsTheRecorderDrawsIt) {
    // A width that no step count divides, so bands and columns end in odd remainders.
    constexpr int kW = 50, kH = 30, kSteps = 8;
    const TBitmap32 oldPicture = OldPicture(kW, kH);
    struct Pictures {
        const char* name;
        TBitmap32 newPicture;
    };
    const Pictures cases[] = {{"every pixel changes", NewPicture(kW, kH)},
                              {"some pixels stay", PartlyNewPicture(kW, kH)},
                              {"nothing changes", OldPicture(kW, kH)}};
    for (const Pictures& c : cases) {
        for (int effect = 1; effect <= kEffectCount; ++effect) {
            SCOPED_TRACE(::testing::Message() << c.name << ", effect " << effect);
            TransitionRig rig{uint32_t(effect)};
            const RecordedRun recorded = rig.Run(oldPicture, c.newPicture, effect, kSteps);
            const ScreenRun screen =
                RunOnScreen(nullptr, oldPicture, c.newPicture, effect, kSteps, uint32_t(effect));
            ASSERT_TRUE(screen.completed);
            EXPECT_TRUE(SamePixels(screen.final, recorded.final));
            EXPECT_TRUE(SamePixels(screen.final, c.newPicture));
            EXPECT_LE(screen.snapshots.size(), recorded.frames.size());
            EXPECT_TRUE(FramesInOrder(screen.snapshots, recorded.frames));
        }
    }
}

// A picture of distinct pixels.
TBitmap32 Numbered(int width, int height, uint32_t salt) {
    TBitmap32 b = TBitmap32::Create(width, height).value();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.SetPixel(x, y, 0xFF000000u | (uint32_t(y * width + x) * 2654435761u + salt) >> 8);
    return b;
}

TEST_F(ScreenPresenterTest, EveryFrameIsTakenOverWithoutACopyWhateverItPresents) {
    constexpr int kW = 64, kH = 40, kSteps = 8;
    struct Case {
        const char* name;
        int effect;
        TBitmap32 newPicture;
    };
    const Case cases[] = {
        {"a crossfade: the whole picture", 115, NewPicture(kW, kH)},
        {"a wipe presenting all of WORK", 80, NewPicture(kW, kH)},
        {"a slide: a growing part", 5, NewPicture(kW, kH)},
        {"lines: thin parts here and there", 45, NewPicture(kW, kH)},
        {"a zoom: a stretched part", 103, NewPicture(kW, kH)},
        {"a slide to the same picture: nothing changes", 5, OldPicture(kW, kH)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TransitionRig rig{1};
        const RecordedRun recorded = rig.Run(OldPicture(kW, kH), c.newPicture, c.effect, kSteps);
        const ScreenRun screen = RunOnScreen(nullptr, OldPicture(kW, kH), c.newPicture, c.effect, kSteps, 1);
        ASSERT_TRUE(screen.completed);
        EXPECT_GT(screen.snapshots.size(), 0u);
        EXPECT_EQ(screen.swapped, int(screen.snapshots.size()));
        EXPECT_TRUE(FramesInOrder(screen.snapshots, recorded.frames));
        EXPECT_TRUE(SamePixels(screen.final, c.newPicture));
    }
}

TEST_F(ScreenPresenterTest, APictureTakesOverPixelsOnlyOfItsOwnSize) {
    struct Case {
        const char* name;
        int width, height;
        bool taken;
    };
    const Case cases[] = {
        {"same size", 12, 8, true},
        {"wider", 13, 8, false},
        {"the sizes transposed", 8, 12, false},
        {"empty", 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBitmap32 picture = Numbered(12, 8, 1);
        picture.SetMasterAlpha(7);
        TBitmap32 mirror = Numbered(c.width, c.height, 2);
        const TBitmap32 pictureBefore = picture, mirrorBefore = mirror;
        EXPECT_EQ(picture.SwapPixels(mirror), c.taken);
        EXPECT_TRUE(SamePixels(picture, c.taken ? mirrorBefore : pictureBefore));
        EXPECT_TRUE(SamePixels(mirror, c.taken ? pictureBefore : mirrorBefore));
        EXPECT_EQ(picture.MasterAlpha(), 7);  // drawing properties stay with the surface
    }
}

// A presentation of a scripted frame.
struct Shown {
    const TBitmap32* surface;
    Rect source, destination;
};

struct ScriptedRun {
    TBitmap32 final;
    std::vector<TBitmap32> snapshots;  // after each painted batch
    std::vector<TBitmap32> expected;   // the recorder's picture after each frame
};

// Runs `frames` on a worker thread through the screen presenter; this thread serves the batches
// only every `serveEveryMs` (so batches wait and are painted together) and, when `drawDirectly`
// is set, draws it onto the picture itself once the first frame is painted, between that frame
// and the next.
ScriptedRun RunScript(const TBitmap32& start, const std::vector<std::vector<Shown>>& frames, int serveEveryMs,
                      const std::function<void(ScreenPresenter&, TBitmap32& picture)>& drawDirectly = {}) {
    ScriptedRun run;
    RecordingPresenter recorder(start);
    for (const std::vector<Shown>& frame : frames) {
        for (const Shown& shown : frame)
            recorder.Present(*shown.surface, shown.source, shown.destination);
        run.expected.push_back(recorder.Canvas());
    }
    TBitmap32 canvas = start;
    ScreenPresenter presenter(canvas, nullptr);
    presenter.SetBatchTrace([&](const BatchTrace&) { run.snapshots.push_back(canvas); });
    TBitmap32 old(canvas);
    presenter.CaptureTarget(old);
    std::atomic<bool> drawn{!drawDirectly};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (std::size_t i = 0; i < frames.size(); ++i) {
            if (i == 1)
                while (!drawn.load())
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            for (const Shown& shown : frames[i])
                presenter.Present(*shown.surface, shown.source, shown.destination);
            if (i + 1 < frames.size())
                presenter.FrameStarted();
        }
        presenter.FramesEnded();
        done = true;
    });
    QElapsedTimer timer;
    timer.start();
    while (!done.load() && timer.elapsed() < 10000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(serveEveryMs));
        QApplication::processEvents();
        if (!drawn.load() && presenter.BatchesPainted() >= 1) {
            drawDirectly(presenter, canvas);
            drawn = true;
        }
    }
    worker.join();
    run.final = canvas;
    return run;
}

TEST_F(ScreenPresenterTest, FramesReachThePictureInOrderHoweverTheyArePresentedAndServed) {
    constexpr int kW = 48, kH = 32;
    const TBitmap32 a = OldPicture(kW, kH), b = NewPicture(kW, kH), c = Numbered(kW, kH, 7);
    const Rect all{0, 0, kW, kH}, top{0, 0, kW, kH / 2}, bottom{0, kH / 2, kW, kH}, left{0, 0, kW / 3, kH};
    const auto whole = [&](const TBitmap32& s) { return std::vector<Shown>{{&s, all, all}}; };
    struct Case {
        const char* name;
        std::vector<std::vector<Shown>> frames;
    };
    const Case cases[] = {
        {"whole pictures", {whole(b), whole(c), whole(a), whole(b)}},
        {"whole, then parts into a mirror that holds an older picture",
         {whole(b), whole(c), {{&a, top, top}}, {{&a, left, left}}, {{&b, bottom, bottom}}}},
        {"parts, then whole", {{{&b, top, top}}, {{&c, bottom, bottom}}, whole(a), {{&b, left, left}}}},
        {"halves that cover the picture together",
         {{{&b, top, top}, {&b, bottom, bottom}}, {{&c, top, top}, {&c, bottom, bottom}}}},
        {"overlapping presentations, the last one wins",
         {{{&b, all, all}, {&c, left, left}}, {{&c, all, all}, {&a, top, top}}}},
        {"the whole picture stretched from a part", {{{&c, {0, 0, 8, 8}, all}}, whole(b)}},
        {"a stretch from a source partly outside, then the picture from before it",
         {{{&b, all, all}}, {{&c, {-4, 0, 4, 2}, all}}, whole(b), {{&a, top, top}}}},
        {"a stretch from a source partly outside, then parts",
         {{{&b, all, all}}, {{&c, {-4, 0, 4, 2}, all}}, {{&a, top, top}}, {{&b, left, left}}, {{&a, left, left}}}},
        {"the same picture again: nothing changes", {whole(a), whole(a), whole(b), whole(b)}},
    };
    for (const Case& test : cases) {
        for (int serveEveryMs : {0, 30}) {
            SCOPED_TRACE(::testing::Message() << test.name << ", served every " << serveEveryMs << " ms");
            const ScriptedRun run = RunScript(a, test.frames, serveEveryMs);
            EXPECT_TRUE(SamePixels(run.final, run.expected.back()));
            EXPECT_TRUE(FramesInOrder(run.snapshots, run.expected));
        }
    }
}

TEST_F(ScreenPresenterTest, APictureDrawnOnDirectlyDuringATransitionIsComparedAgain) {
    // The worker's frames after the direct draw would change nothing against what the worker
    // knows of the picture, yet the picture differs from them where it was drawn on.
    constexpr int kW = 48, kH = 32;
    const TBitmap32 a = OldPicture(kW, kH), b = NewPicture(kW, kH), c = Numbered(kW, kH, 9);
    const Rect all{0, 0, kW, kH};
    struct Case {
        const char* name;
        std::vector<std::vector<Shown>> frames;
        Rect drawnOn;
    };
    const Case cases[] = {
        {"whole frames", {{{&b, all, all}}, {{&b, all, all}}, {{&b, all, all}}}, {5, 5, 20, 20}},
        {"a part over the drawn area", {{{&b, all, all}}, {{&b, {0, 0, 30, 30}, {0, 0, 30, 30}}}}, {5, 5, 20, 20}},
        {"all of it drawn on", {{{&b, all, all}}, {{&b, all, all}}}, all},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const ScriptedRun run =
            RunScript(a, test.frames, 0, [&](ScreenPresenter& presenter, TBitmap32&) { presenter.CopyNow(c, test.drawnOn); });
        EXPECT_TRUE(SamePixels(run.final, run.expected.back()));
    }
}

TEST_F(ScreenPresenterTest, WhatTheShowDrawsOnThePictureItselfOutlastsFramesThatLeaveItAlone) {
    // A GIF's frame or an item shown without a transition is drawn onto the picture by the show,
    // not through the presenter; a later frame that presents elsewhere must not take the picture
    // over whole with what the worker last knew of it.
    constexpr int kW = 48, kH = 32;
    const TBitmap32 a = OldPicture(kW, kH), b = NewPicture(kW, kH), c = Numbered(kW, kH, 5);
    const Rect all{0, 0, kW, kH}, top{0, 0, kW, kH / 2}, bottom{0, kH / 2, kW, kH};
    const std::vector<std::vector<Shown>> frames = {{{&b, all, all}}, {{&c, top, top}}, {{&b, top, top}}};
    for (int serveEveryMs : {0, 30}) {
        SCOPED_TRACE(serveEveryMs);
        const ScriptedRun run = RunScript(a, frames, serveEveryMs, [&](ScreenPresenter& presenter, TBitmap32& picture) {
            presenter.PictureChanging();
            raster::CopyRect(picture, a, bottom);
        });
        TBitmap32 expected = run.expected.back();
        raster::CopyRect(expected, a, bottom);
        EXPECT_TRUE(SamePixels(run.final, expected));
    }
}

TEST_F(ScreenPresenterTest, AWipeThatPresentsItsWholeSurfaceRepaintsLittleMoreThanWhatChanged) {
    // The triangle wipes and random pieces present the whole of WORK every frame, of which a band
    // or a few pieces changed.
    constexpr int kW = 960, kH = 540, kSteps = 32;
    constexpr int64_t kWhole = int64_t(kW) * kH;
    for (int effect : {80, 94, 95, 98}) {
        SCOPED_TRACE(effect);
        const ScreenRun screen = RunOnScreen(nullptr, OldPicture(kW, kH), NewPicture(kW, kH), effect, kSteps, 1);
        ASSERT_TRUE(screen.completed);
        ASSERT_GT(screen.paintedPixels.size(), std::size_t(kSteps / 2));
        EXPECT_TRUE(SamePixels(screen.final, NewPicture(kW, kH)));
        EXPECT_LE(screen.mostPaintedRects, 64);
        int64_t total = 0;
        for (int64_t pixels : screen.paintedPixels) {
            EXPECT_LT(pixels, kWhole);
            total += pixels;
        }
        // Every pixel changes once; rows merged into rectangles bring some more along, but far
        // from the whole picture every frame.
        EXPECT_GE(total, kWhole);
        EXPECT_LT(total, int64_t(screen.paintedPixels.size()) * kWhole / 4);
    }
}

bool Covered(const std::vector<Rect>& rects, int x, int y) {
    return std::any_of(rects.begin(), rects.end(), [&](const Rect& r) { return r.Contains(x, y); });
}

TEST_F(ScreenPresenterTest, ChangedPixelsAreCopiedAndCoveredAndNothingElseIsTouched) {
    constexpr int kW = 100, kH = 60;
    const TBitmap32 target = Numbered(kW, kH, 1);
    // Where the source differs from the target.
    using Mask = std::function<bool(int x, int y)>;
    struct Case {
        const char* name;
        Mask differs;
        Rect rect;
        int sourceWidth = kW, sourceHeight = kH;
        int expectedRects = -1;  // -1: not checked
    };
    const Case cases[] = {
        {"identical", [](int, int) { return false; }, {0, 0, kW, kH}, kW, kH, 0},
        {"one pixel", [](int x, int y) { return x == 40 && y == 20; }, {0, 0, kW, kH}, kW, kH, 1},
        {"both row ends", [](int x, int) { return x == 0 || x == kW - 1; }, {0, 0, kW, kH}},
        {"either side of a compare block",
         [](int x, int y) { return y == 3 && (x == 31 || x == 32 || x == 64 || x == 65); }, {0, 0, kW, kH}, kW, kH,
         1},
        {"a diagonal band", [](int x, int y) { return x >= y && x < y + 4; }, {0, 0, kW, kH}},
        {"two groups of rows", [](int, int y) { return y < 5 || y >= 50; }, {0, 0, kW, kH}, kW, kH, 2},
        {"everything", [](int, int) { return true; }, {0, 0, kW, kH}, kW, kH, 1},
        {"changes outside the rectangle", [](int, int) { return true; }, {10, 10, 30, 20}, kW, kH, 1},
        {"rectangle partly outside", [](int, int) { return true; }, {-20, -5, 30, 1000}, kW, kH, 1},
        {"rectangle wholly outside", [](int, int) { return true; }, {kW, 0, kW + 10, 10}, kW, kH, 0},
        {"inverted rectangle", [](int, int) { return true; }, {30, 30, 10, 10}, kW, kH, 0},
        {"smaller source", [](int, int) { return true; }, {0, 0, kW, kH}, 40, 25, 1},
        {"rectangle at the far corner", [](int, int) { return true; }, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, kW, kH,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBitmap32 source = TBitmap32::Create(c.sourceWidth, c.sourceHeight).value();
        for (int y = 0; y < c.sourceHeight; ++y)
            for (int x = 0; x < c.sourceWidth; ++x)
                source.SetPixel(x, y, c.differs(x, y) ? ~target.Pixel(x, y) : target.Pixel(x, y));
        TBitmap32 to = target;
        std::vector<Rect> changed;
        CopyChangedPixels(source, to, c.rect, changed);
        if (c.expectedRects >= 0) {
            EXPECT_EQ(int(changed.size()), c.expectedRects);
        }
        const Rect area = raster::Intersect(raster::Intersect(c.rect, source.BoundsRect()), target.BoundsRect());
        for (const Rect& r : changed) {
            EXPECT_FALSE(r.IsEmpty());
            EXPECT_EQ(raster::Intersect(r, area), r);
        }
        bool allRight = true;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const bool inside = area.Contains(x, y);
                const bool differed = inside && source.Pixel(x, y) != target.Pixel(x, y);
                allRight &= to.Pixel(x, y) == (inside ? source.Pixel(x, y) : target.Pixel(x, y));
                allRight &= !differed || Covered(changed, x, y);
            }
        EXPECT_TRUE(allRight);
    }
}

TEST_F(ScreenPresenterTest, ADiagonalBandIsRepaintedInAFewRectanglesOfLittleMoreThanItsArea) {
    constexpr int kW = 1920, kH = 1080;
    const TBitmap32 target = Numbered(kW, kH, 3);
    TBitmap32 source = target;
    int64_t band = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = y * 16 / 9; x < std::min(kW, y * 16 / 9 + 6); ++x, ++band)
            source.SetPixel(x, y, ~target.Pixel(x, y));
    TBitmap32 to = target;
    std::vector<Rect> changed;
    CopyChangedPixels(source, to, target.BoundsRect(), changed);
    EXPECT_TRUE(SamePixels(to, source));
    EXPECT_LE(changed.size(), 64u);
    int64_t area = 0;
    for (const Rect& r : changed)
        area += int64_t(r.Width()) * r.Height();
    EXPECT_LT(area, 4 * band + 64 * 4096);
}

TEST_F(ScreenPresenterTest, ManyRectanglesAreMergedIntoStripsThatCoverThem) {
    const auto rows = [](int count, int height) {
        std::vector<Rect> r;
        for (int i = 0; i < count; ++i)
            r.push_back({0, i * 1080 / count, 1920, i * 1080 / count + height});
        return r;
    };
    const auto columns = [](int count, int width) {
        std::vector<Rect> r;
        for (int i = 0; i < count; ++i)
            r.push_back({i * 1920 / count, 0, i * 1920 / count + width, 1080});
        return r;
    };
    std::vector<Rect> diagonal;
    for (int y = 0; y < 1080; ++y)
        diagonal.push_back({y * 16 / 9, y, y * 16 / 9 + 10, y + 1});
    struct Case {
        const char* name;
        std::vector<Rect> rects;
        std::size_t expectedCount;  // the result's
        int64_t mostArea;           // at most, over all result rectangles
    };
    const Case cases[] = {
        {"none", {}, 0, 0},
        {"empty and inverted ones only", {{5, 5, 5, 9}, {9, 9, 2, 2}}, 0, 0},
        {"few stay as they are", rows(32, 3), 32, 32 * 1920 * 3},
        {"many rows", rows(200, 3), 16, 1920 * 1080},
        {"many columns", columns(200, 3), 16, 1920 * 1080},
        {"a diagonal of rows", diagonal, 16, 16 * 69 * 133},
        {"a band lower than the strips are many",
         [] {
             std::vector<Rect> r;
             for (int i = 0; i < 100; ++i)
                 r.push_back({i * 10, 500, i * 10 + 5, 503});
             return r;
         }(),
         3, 3 * 995},
        {"the same many times", std::vector<Rect>(100, Rect{10, 10, 20, 20}), 1, 100},
        {"side by side on the same rows", columns(200, 10), 1, 1920 * 1080},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<Rect> merged = LimitRepaintRects(c.rects, 48, 16);
        EXPECT_EQ(merged.size(), c.expectedCount);
        int64_t area = 0;
        for (const Rect& r : merged) {
            EXPECT_FALSE(r.IsEmpty());
            area += int64_t(r.Width()) * r.Height();
        }
        EXPECT_LE(area, c.mostArea);
        // Every pixel of every input rectangle is covered (its corners and centre suffice for
        // strips, which are rectangles too).
        for (const Rect& r : c.rects) {
            if (r.IsEmpty())
                continue;
            for (const auto& [x, y] : {std::pair{r.left, r.top}, std::pair{r.right - 1, r.top},
                                       std::pair{r.left, r.bottom - 1}, std::pair{r.right - 1, r.bottom - 1},
                                       std::pair{(r.left + r.right) / 2, (r.top + r.bottom) / 2}})
                EXPECT_TRUE(Covered(merged, x, y)) << x << ", " << y;
        }
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

TEST_F(ScreenPresenterTest, OnTheRealClockFramesKeepToAGridUnlessFarBehind) {
    using std::chrono::milliseconds;
    using TimePoint = std::chrono::steady_clock::time_point;
    const TimePoint due = TimePoint{} + std::chrono::seconds(100);
    const milliseconds period(9);
    struct Case {
        const char* name;
        std::optional<TimePoint> previousDue;
        TimePoint now;
        TimePoint expected;
    };
    const Case cases[] = {
        {"the first frame", std::nullopt, due, due + period},
        {"on time", due, due, due + period},
        {"a little late: made up", due, due + milliseconds(3), due + period},
        {"just under half a period late", due, due + std::chrono::microseconds(4499), due + period},
        {"half a period late: a fresh grid", due, due + std::chrono::microseconds(4500),
         due + std::chrono::microseconds(4500) + period},
        {"far behind", due, due + milliseconds(50), due + milliseconds(50) + period},
        {"early (no wait before it)", due, due - milliseconds(4), due - milliseconds(4) + period},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(NextFrameDue(c.previousDue, c.now, period), c.expected);
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

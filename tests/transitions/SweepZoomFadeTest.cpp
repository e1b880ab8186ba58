// Spiral sweeps, zooms, fades and soft-edged wipes: the spiral's path and turns, the zoom
// rectangles, the fades' frame counts and master alphas, the soft band's place and gradient, and
// ending on abort.

#include "TransitionRig.h"

#include "raster/BitmapBlend.h"
#include "raster/BitmapDraw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace vorlandite::transitions {
namespace {

using namespace testing;
using raster::Rect;

// Runs an effect and keeps only the first `keep` frames (big pictures, many frames).
RecordedRun RunKeeping(const TBitmap32& before, const TBitmap32& after, int effect, int steps, std::size_t keep,
                       std::vector<TBitmap32>& frames) {
    TransitionRig rig;
    return rig.Run(before, after, effect, steps, false, 9, [&frames, keep](RecordingPresenter& p) {
        p.SetFrameSink([&frames, keep](int, const TBitmap32& canvas) {
            if (frames.size() < keep)
                frames.push_back(canvas);
        });
    });
}

void PaintFrom(TBitmap32& target, const TBitmap32& source, const Rect& rect) {
    raster::StretchBitmap(target, rect, source, rect, raster::DrawOptions{});
}

// ---------------------------------------------------------------------------------------------
// Spiral sweeps

TEST(SpiralSweep, InsideOutStartsAtTheCentreCellAndWidensOnEveryTurn) {
    // 800 x 600, N = 64: cells of 100 x 75, 38 pixels per frame. The cell runs right from
    // (300, 225), turns down at x = 400, left at y = 300, up at x = 300 (the left bound) and
    // right at y = 150, where the first turn moved the top bound.
    const TBitmap32 before = OldPicture(800, 600), after = NewPicture(800, 600);
    const std::vector<std::pair<int, int>> cells = {{300, 225}, {338, 225}, {376, 225}, {400, 225}, {400, 263},
                                                    {400, 300}, {362, 300}, {324, 300}, {300, 300}, {300, 262},
                                                    {300, 224}, {300, 186}, {300, 150}};
    std::vector<TBitmap32> frames;
    const RecordedRun run = RunKeeping(before, after, 101, 64, cells.size(), frames);
    ASSERT_EQ(frames.size(), cells.size());
    TBitmap32 expected = before;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        SCOPED_TRACE(i + 1);
        const auto [x, y] = cells[i];
        PaintFrom(expected, after, {x, y, x + 100, y + 75});
        EXPECT_TRUE(SamePixels(frames[i], expected));
    }
    EXPECT_LE(run.frameCount, 4 * 64 + 1);
    EXPECT_TRUE(SamePixels(run.final, after));
}

TEST(SpiralSweep, OutsideInStartsAtTheTopLeftCorner) {
    const TBitmap32 before = OldPicture(800, 600), after = NewPicture(800, 600);
    std::vector<TBitmap32> frames;
    RunKeeping(before, after, 102, 64, 2, frames);
    ASSERT_EQ(frames.size(), 2u);
    TBitmap32 expected = before;
    PaintFrom(expected, after, {0, 0, 100, 75});
    EXPECT_TRUE(SamePixels(frames[0], expected));
    PaintFrom(expected, after, {38, 0, 138, 75});
    EXPECT_TRUE(SamePixels(frames[1], expected));
}

TEST(SpiralSweep, FourStepsJumpAcrossThePictureAndStopAfterSeventeenFrames) {
    // 600 pixels per frame: the cell leaves gaps and lands outside the picture at times; the run
    // stops by its frame limit, 4 x N + 1 frames, and the closing copy fills the gaps.
    const TBitmap32 before = OldPicture(800, 600), after = NewPicture(800, 600);
    for (const int effect : {101, 102}) {
        SCOPED_TRACE(effect);
        TransitionRig rig;
        const RecordedRun run = rig.Run(before, after, effect, 4, false);
        EXPECT_LE(run.frameCount, 17);
        EXPECT_TRUE(SamePixels(run.final, after));
        if (effect == 101) {
            EXPECT_EQ(run.frameCount, 17);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Zooms

TEST(Zoom, ZoomInGrowsFromTheCentreInFourSteps) {
    const TBitmap32 before = OldPicture(800, 600), after = NewPicture(800, 600);
    TransitionRig rig;
    const RecordedRun run = rig.Run(before, after, 103, 4);
    ASSERT_EQ(run.frameCount, 4);
    const Rect rects[] = {{300, 225, 500, 375}, {200, 150, 600, 450}, {100, 75, 700, 525}, {0, 0, 800, 600}};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i + 1);
        TBitmap32 expected = before;
        raster::StretchBitmap(expected, rects[i], after, after.BoundsRect(), raster::DrawOptions{});
        EXPECT_TRUE(SamePixels(run.frames[i], expected));
    }
    EXPECT_TRUE(SamePixels(run.frames.back(), after));
}

TEST(Zoom, DoorCloseHorizontalGrowsEachHalfFromItsEdgeToTheCentre) {
    const TBitmap32 before = OldPicture(80, 6), after = NewPicture(80, 6);
    TransitionRig rig;
    const RecordedRun run = rig.Run(before, after, 112, 4);
    ASSERT_EQ(run.frameCount, 4);
    for (int k = 1; k <= 4; ++k) {
        SCOPED_TRACE(k);
        TBitmap32 expected = before;
        raster::StretchBitmap(expected, {0, 0, 10 * k, 6}, after, {0, 0, 40, 6}, raster::DrawOptions{});
        raster::StretchBitmap(expected, {80 - 10 * k, 0, 80, 6}, after, {40, 0, 80, 6}, raster::DrawOptions{});
        EXPECT_TRUE(SamePixels(run.frames[std::size_t(k - 1)], expected));
    }
}

class ZoomEndTest : public ::testing::TestWithParam<int> {};

TEST_P(ZoomEndTest, LastOfNFramesShowsEverySourceAtFullSize) {
    // Sizes that N, halves and quarters divide, so every edge lands exactly.
    const TBitmap32 before = OldPicture(80, 60), after = NewPicture(80, 60);
    TransitionRig rig;
    const RecordedRun run = rig.Run(before, after, GetParam(), 8);
    ASSERT_EQ(run.frameCount, 8);
    EXPECT_FALSE(SamePixels(run.frames.front(), after));
    EXPECT_TRUE(SamePixels(run.frames.back(), after));
}

INSTANTIATE_TEST_SUITE_P(Zooms, ZoomEndTest, ::testing::Range(103, 115));

// ---------------------------------------------------------------------------------------------
// Fades

struct FadeCountCase {
    const char* name;
    int steps;
    int frames;
};

class CrossfadeCountTest : public ::testing::TestWithParam<FadeCountCase> {};

TEST_P(CrossfadeCountTest, FramesAreTheMultiplesOfDBelow255) {
    const FadeCountCase& c = GetParam();
    for (const int effect : {115, 116}) {
        SCOPED_TRACE(effect);
        TransitionRig rig;
        const RecordedRun run = rig.Run(OldPicture(5, 3), NewPicture(5, 3), effect, c.steps, false);
        EXPECT_EQ(run.frameCount, c.frames);
        EXPECT_TRUE(SamePixels(run.final, NewPicture(5, 3)));
    }
}

INSTANTIATE_TEST_SUITE_P(Fades, CrossfadeCountTest,
                         ::testing::Values(FadeCountCase{"N64_D11", 64, 23}, FadeCountCase{"N800_D1", 800, 254},
                                           FadeCountCase{"N383_D1", 383, 254}, FadeCountCase{"N382_D2", 382, 127},
                                           FadeCountCase{"N4_D191", 4, 1}, FadeCountCase{"N1_D765", 1, 0}),
                         [](const ::testing::TestParamInfo<FadeCountCase>& row) { return row.param.name; });

// The front picture, read as opaque, blended by `master` over `back` (over black without one).
TBitmap32 Faded(const TBitmap32& front, const TBitmap32* back, uint32_t master) {
    TBitmap32 result = front;
    for (int y = 0; y < front.Height(); ++y)
        for (int x = 0; x < front.Width(); ++x)
            result.SetPixel(x, y,
                            raster::BlendPixelBy(front.Pixel(x, y) | 0xFF000000u, back ? back->Pixel(x, y) : 0, master));
    return result;
}

TEST(Fade, CrossfadeRunsMasterAlphaOneTo254) {
    const TBitmap32 before = OldPicture(7, 5), after = NewPicture(7, 5);
    TransitionRig rig;
    const RecordedRun run = rig.Run(before, after, 115, 800);
    ASSERT_EQ(run.frameCount, 254);
    for (const uint32_t v : {1u, 2u, 128u, 254u}) {
        SCOPED_TRACE(v);
        EXPECT_TRUE(SamePixels(run.frames[v - 1], Faded(after, &before, v)));
    }
}

TEST(Fade, FadeToBlackPassesThroughBlackAtV127) {
    const TBitmap32 before = OldPicture(7, 5), after = NewPicture(7, 5);
    TransitionRig rig;
    const RecordedRun run = rig.Run(before, after, 116, 800);
    ASSERT_EQ(run.frameCount, 254);
    // Values 1 to 126 fade the old picture out (255 - 2V), 127 to 254 the new one in (2V - 254).
    EXPECT_TRUE(SamePixels(run.frames[0], Faded(before, nullptr, 253)));
    EXPECT_TRUE(SamePixels(run.frames[125], Faded(before, nullptr, 3)));
    for (const TColor32 p : run.frames[126].Pixels())
        ASSERT_EQ(p, 0u);
    EXPECT_TRUE(SamePixels(run.frames[127], Faded(after, nullptr, 2)));
    EXPECT_TRUE(SamePixels(run.frames[253], Faded(after, nullptr, 254)));
}

TEST(Fade, TranslucentPicturesFadeAsOpaqueAndTheNewOneEndsUnchanged) {
    TBitmap32 before = OldPicture(6, 4), after = NewPicture(6, 4);
    for (TColor32& p : after.Pixels())
        p = (p & 0x00FFFFFFu) | 0x40000000u;
    for (TColor32& p : before.Pixels())
        p = (p & 0x00FFFFFFu) | 0x80000000u;
    for (const int effect : {115, 116}) {
        SCOPED_TRACE(effect);
        TransitionRig rig;
        const RecordedRun run = rig.Run(before, after, effect, 765);
        ASSERT_EQ(run.frameCount, 254);
        if (effect == 115)
            EXPECT_TRUE(SamePixels(run.frames[99], Faded(after, &before, 100)));
        else
            EXPECT_TRUE(SamePixels(run.frames[99], Faded(before, nullptr, 55)));
        EXPECT_TRUE(SamePixels(run.final, after));
    }
}

TEST(Fade, LargeFramesBlendAlikeOnUnalignedRows) {
    // Frames of several megabytes are written around the cache; an odd width starts every row
    // at another alignment.
    const TBitmap32 before = OldPicture(1027, 1024), after = NewPicture(1027, 1024);
    for (const int effect : {115, 116}) {
        SCOPED_TRACE(effect);
        std::vector<TBitmap32> frames;
        const RecordedRun run = RunKeeping(before, after, effect, 64, 2, frames);
        ASSERT_EQ(run.frameCount, 23);
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_TRUE(SamePixels(frames[1], effect == 115 ? Faded(after, &before, 22) : Faded(before, nullptr, 211)));
    }
}

// ---------------------------------------------------------------------------------------------
// Soft-edged wipes

// The old picture with the new one in columns [0, hard) and, over the next `width` columns,
// the new picture blended over the old by the kind-1 gradient (255 at its left column).
TBitmap32 SoftWipeFromLeft(const TBitmap32& before, const TBitmap32& after, int hard, int width) {
    TBitmap32 expected = before;
    for (int y = 0; y < before.Height(); ++y)
        for (int x = 0; x < before.Width(); ++x) {
            if (x < hard) {
                expected.SetPixel(x, y, after.Pixel(x, y));
            } else if (x < hard + width) {
                const int i = x - hard;
                const auto alpha = TColor32(std::ceil(double(width - 1 - i) * 255 / (width - 1)));
                const TColor32 fade = (after.Pixel(x, y) & 0x00FFFFFFu) | (alpha << 24);
                expected.SetPixel(x, y, raster::BlendPixel(fade, before.Pixel(x, y)));
            }
        }
    return expected;
}

TEST(SoftWipe, FromLeftHardBandOf80WithAnEqualSoftBandAhead) {
    const TBitmap32 before = OldPicture(800, 2), after = NewPicture(800, 2);
    TransitionRig rig;
    const RecordedRun run = rig.Run(before, after, 117, 10);
    ASSERT_EQ(run.frameCount, 10);
    for (int k = 1; k <= 10; ++k) {
        SCOPED_TRACE(k);
        EXPECT_TRUE(SamePixels(run.frames[std::size_t(k - 1)], SoftWipeFromLeft(before, after, 80 * k, 80)));
    }
}

TEST(SoftWipe, FromRightIsTheMirrorAndTakesOneFrameMore) {
    TBitmap32 before = OldPicture(800, 2), after = NewPicture(800, 2);
    TransitionRig rig;
    const RecordedRun run = rig.Run(before, after, 118, 10);
    ASSERT_EQ(run.frameCount, 11);
    before.Mirror();
    after.Mirror();
    for (int k = 1; k <= 10; ++k) {
        SCOPED_TRACE(k);
        TBitmap32 frame = run.frames[std::size_t(k - 1)];
        frame.Mirror();
        EXPECT_TRUE(SamePixels(frame, SoftWipeFromLeft(before, after, 80 * k, 80)));
    }
}

TEST(SoftWipe, FromUpAndBottomRunTheGradientDownAndUp) {
    // Transposed: rows play the part of columns. 4 columns x 400 rows, N = 8: bands of 50 rows
    // and a soft band of 40.
    const TBitmap32 before = OldPicture(4, 400), after = NewPicture(4, 400);
    for (const int effect : {119, 120}) {
        SCOPED_TRACE(effect);
        TransitionRig rig;
        const RecordedRun run = rig.Run(before, after, effect, 8);
        ASSERT_EQ(run.frameCount, effect == 119 ? 8 : 9);
        const TBitmap32& frame = run.frames[1];  // hard rows 0 to 99 (119) or 300 to 399 (120)
        const int hard = effect == 119 ? 99 : 300;
        const int leading = effect == 119 ? 139 : 260;  // the soft band's far row: old picture
        const int trailing = effect == 119 ? 100 : 299;  // its near row: new picture in full
        EXPECT_EQ(frame.Pixel(2, hard), after.Pixel(2, hard));
        EXPECT_EQ(frame.Pixel(2, trailing), after.Pixel(2, trailing));
        EXPECT_EQ(frame.Pixel(2, leading), before.Pixel(2, leading));
        const int beyond = effect == 119 ? 140 : 259;
        EXPECT_EQ(frame.Pixel(2, beyond), before.Pixel(2, beyond));
        const int middle = (leading + trailing) / 2;
        EXPECT_NE(frame.Pixel(2, middle), before.Pixel(2, middle));
        EXPECT_NE(frame.Pixel(2, middle), after.Pixel(2, middle));
    }
}

// ---------------------------------------------------------------------------------------------
// Every family ends at the frame where the transition is aborted.

class AbortTest : public ::testing::TestWithParam<int> {};

TEST_P(AbortTest, EndsAtTheAbortedFrameWithTheNewPicture) {
    const TBitmap32 before = OldPicture(64, 48), after = NewPicture(64, 48);
    TransitionRig rig;
    const RecordedRun run = rig.Run(before, after, GetParam(), 64, false, 9, [&rig](RecordingPresenter& p) {
        p.SetFrameStartHook([&rig](int started) {
            if (started == 3)
                rig.engine.TransitionAbort = true;
        });
    });
    EXPECT_EQ(run.frameCount, 3);
    EXPECT_EQ(run.completions, 1);
    EXPECT_TRUE(SamePixels(run.final, after));
}

INSTANTIATE_TEST_SUITE_P(Families, AbortTest, ::testing::Values(101, 102, 103, 112, 114, 115, 116, 117, 120));

} // namespace
} // namespace vorlandite::transitions

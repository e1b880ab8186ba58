// Line drop, box and ellipse effects: frame counts, key frames, and the shapes the ellipse
// effects paint through.

#include "TransitionRig.h"

#include "transitions/BoxEllipseFamily.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

namespace vorlandite::transitions {
namespace {

using namespace testing;
using raster::Rect;
using raster::Region;

// The old picture with the new picture's pixels inside rect.
TBitmap32 OldWithNewIn(const TBitmap32& oldPicture, const TBitmap32& newPicture, const Rect& rect) {
    TBitmap32 expected = oldPicture;
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, expected.Height()); ++y)
        for (int x = std::max(rect.left, 0); x < std::min(rect.right, expected.Width()); ++x)
            expected.SetPixel(x, y, newPicture.Pixel(x, y));
    return expected;
}

// ---- Line drop -----------------------------------------------------------------------------

struct LineDropCase {
    std::string name;
    int effect;
    int Width, height;
    // The pixel of the new picture that frame k (from 1) shows at (x, y), with 200 pixels per step.
    std::function<raster::Point(int k, int x, int y, int w, int h)> Source;
};

class LineDropTest : public ::testing::TestWithParam<LineDropCase> {};

TEST_P(LineDropTest, ThreeOfFourStepsShowBandAndSmear) {
    const LineDropCase& c = GetParam();
    const TBitmap32 before = OldPicture(c.Width, c.height), after = NewPicture(c.Width, c.height);
    TransitionRig rig;
    const RecordedRun run = rig.Run(before, after, c.effect, 4);
    // The fourth step is computed but not presented; the closing copy completes the picture.
    ASSERT_EQ(run.frameCount, 3);
    EXPECT_EQ(run.presentations, 3 * 2 + 1);
    for (int k = 1; k <= 3; ++k) {
        SCOPED_TRACE(k);
        TBitmap32 expected = after;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.Width; ++x) {
                const raster::Point from = c.Source(k, x, y, c.Width, c.height);
                expected.SetPixel(x, y, after.Pixel(from.x, from.y));
            }
        EXPECT_TRUE(SamePixels(run.frames[std::size_t(k - 1)], expected));
    }
    EXPECT_TRUE(SamePixels(run.final, after));
}

INSTANTIATE_TEST_SUITE_P(
    Effects, LineDropTest,
    ::testing::Values(
        LineDropCase{"FromRight", 65, 800, 3,
                     [](int k, int x, int y, int, int) { return raster::Point{std::min(x, 200 * k), y}; }},
        LineDropCase{"FromLeft", 66, 800, 3,
                     [](int k, int x, int y, int w, int) { return raster::Point{std::max(x, w - 200 * k), y}; }},
        LineDropCase{"FromBottom", 67, 3, 800,
                     [](int k, int x, int y, int, int) { return raster::Point{x, std::min(y, 200 * k)}; }},
        LineDropCase{"FromUp", 68, 3, 800,
                     [](int k, int x, int y, int, int h) { return raster::Point{x, std::max(y, h - 200 * k)}; }}),
    [](const ::testing::TestParamInfo<LineDropCase>& row) { return row.param.name; });

TEST(LineDrop, StepsFinerThanHalfAPixelSmearTheEdgeLine) {
    // 10 columns in 40 steps: after the first step the band paints next at Round(9.75) = 10,
    // past the picture; its last column is the leading line then.
    const TBitmap32 before = OldPicture(10, 3), after = NewPicture(10, 3);
    TransitionRig rig;
    const RecordedRun run = rig.Run(before, after, 66, 40);
    ASSERT_FALSE(run.frames.empty());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(run.frames.front().Pixel(x, y), after.Pixel(9, y)) << x << "," << y;
}

// ---- Box out and box in ----------------------------------------------------------------------

TEST(BoxOut, HalfWidthsGrowByAWidthStepAndTheLastBoxReachesBeyond) {
    const TBitmap32 before = OldPicture(800, 600), after = NewPicture(800, 600);
    TransitionRig rig;
    const RecordedRun run = rig.Run(before, after, 69, 64);
    // d = 12: half-widths 12, 24, ..., 408 (the first not below cx + d = 412 is 420).
    ASSERT_EQ(run.frameCount, 34);
    EXPECT_TRUE(SamePixels(run.frames[0], OldWithNewIn(before, after, {388, 291, 412, 309})));  // g = Round(9)
    EXPECT_TRUE(SamePixels(run.frames[1], OldWithNewIn(before, after, {376, 282, 424, 318})));  // g = 18
    // f = 396, g = Round(297): still a border of old pixels; then f = 408, g = 306 covers it all.
    EXPECT_TRUE(SamePixels(run.frames[32], OldWithNewIn(before, after, {4, 3, 796, 597})));
    EXPECT_TRUE(SamePixels(run.frames[33], after));
}

TEST(BoxIn, MoreStepsThanColumnsShrinkByOnePixel) {
    const TBitmap32 before = OldPicture(10, 6), after = NewPicture(10, 6);
    TransitionRig rig;
    const RecordedRun run = rig.Run(before, after, 70, 50);
    // d = 1: f = 5, 4, 3, 2, 1 with g = Round(0.6 f) = 3, 2, 2, 1, 1.
    ASSERT_EQ(run.frameCount, 5);
    const Rect boxes[] = {{0, 0, 10, 6}, {1, 1, 9, 5}, {2, 1, 8, 5}, {3, 2, 7, 4}, {4, 2, 6, 4}};
    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        // The new picture with the old one in the box.
        EXPECT_TRUE(SamePixels(run.frames[std::size_t(k)], OldWithNewIn(after, before, boxes[k])));
    }
    EXPECT_TRUE(SamePixels(run.final, after));
}

// ---- Ellipse regions -------------------------------------------------------------------------

TEST(EllipseFrame, OutDrawsNothingFirstAndEndsAfterTwoThirdsOfTheSteps) {
    EXPECT_FALSE(EllipseFrameAt(1, 800, 600, 64, 0).hasShape);
    EXPECT_FALSE(EllipseFrameAt(1, 800, 600, 64, 42).done);
    EXPECT_TRUE(EllipseFrameAt(1, 800, 600, 64, 43).done);
    // sx = 13, sy = Ceil(9.375) = 10: at i = 43 the shape's corners lie off the picture.
    const EllipseFrame last = EllipseFrameAt(1, 800, 600, 64, 43);
    EXPECT_EQ(last.rect, (Rect{-159, -130, 959, 730}));
    EXPECT_EQ(EllipseFrameRegion(1, 800, 600, 64, 43).Area(), 800 * 600);
    // Its corner ellipses of 400 x 300 clear the picture's corners from i = 40 on.
    EXPECT_LT(EllipseFrameRegion(1, 800, 600, 64, 39).Area(), 800 * 600);
    EXPECT_EQ(EllipseFrameRegion(1, 800, 600, 64, 40).Area(), 800 * 600);
}

TEST(EllipseFrame, FromLeftGrowsThenShrinksItsCorners) {
    // sx = 13: the half ellipse grows while 13 i <= 800, that is up to i = 61.
    const EllipseFrame growing = EllipseFrameAt(3, 800, 600, 64, 61);
    EXPECT_EQ(growing.rect, (Rect{-793, 0, 793, 601}));
    EXPECT_EQ(growing.cornerWidth, 800);
    EXPECT_EQ(growing.cornerHeight, 600);
    const EllipseFrame spanning = EllipseFrameAt(3, 800, 600, 64, 62);
    EXPECT_EQ(spanning.rect, (Rect{-800, 0, 800, 601}));
    EXPECT_EQ(spanning.cornerWidth, 690);
    EXPECT_EQ(spanning.cornerHeight, 517);
    EXPECT_EQ(EllipseFrameAt(3, 800, 600, 64, 63).cornerWidth, 690 - 25);
    // From about 1.4 N the corners are gone and the shape is the whole picture.
    EXPECT_EQ(EllipseFrameAt(3, 800, 600, 64, 90).cornerWidth, 0);
    EXPECT_EQ(EllipseFrameRegion(3, 800, 600, 64, 90).Area(), 800 * 600);
    EXPECT_FALSE(EllipseFrameAt(3, 800, 600, 64, 96).done);
    EXPECT_TRUE(EllipseFrameAt(3, 800, 600, 64, 97).done);
}

TEST(EllipseFrame, FromUpWorksOnAPictureOneRowTaller) {
    // H' = 601, sy' = Ceil(601 / 64) = 10: the growing shape ends at 10 i <= 601 (i = 60).
    EXPECT_EQ(EllipseFrameAt(5, 800, 600, 64, 60).rect, (Rect{0, -600, 801, 600}));
    const EllipseFrame spanning = EllipseFrameAt(5, 800, 600, 64, 61);
    EXPECT_EQ(spanning.rect, (Rect{0, -601, 801, 601}));
    // b(61) = 601 - Ceil(3.4 x 9.390625 x 2) = 601 - 64.
    EXPECT_EQ(spanning.cornerHeight, 537);
    EXPECT_EQ(EllipseFrameRegion(5, 800, 600, 64, 61).BoundingBox(), (Rect{0, 0, 800, 601}));
}

TEST(EllipseFrame, FromBottomSwitchesShapesByTheHorizontalTest) {
    // 95 x 1000 in 10 steps: sx = 10, sy = 100. At i = 10 the height is not yet spanned
    // (sy i = 1000), but sx i = 100 > 95 already gives the shape with shrinking corners.
    const EllipseFrame early = EllipseFrameAt(6, 95, 1000, 10, 10);
    EXPECT_EQ(early.rect, (Rect{0, 0, 96, 2000}));
    EXPECT_EQ(early.cornerWidth, 95 - 19);
    EXPECT_EQ(early.cornerHeight, 1000 - 200);
    // 100 x 91: sy i = 100 overshoots the height at i = 10 while sx i = 100 keeps growing.
    const EllipseFrame late = EllipseFrameAt(6, 100, 91, 10, 10);
    EXPECT_EQ(late.rect, (Rect{0, 0, 101, 191}));
    EXPECT_EQ(late.cornerWidth, 100);
    EXPECT_EQ(late.cornerHeight, 91);
}

TEST(EllipseFrame, InPaintsOutsideTheShapeAndAllOfItWhenKReachesZero) {
    // N = 64: k = Round(42.67 - i). At first the shape still covers the picture (only its
    // parts beyond the picture are left, which painting ignores).
    EXPECT_TRUE(EllipseFrameRegion(2, 800, 600, 64, 0).Intersected(Region::FromRect({0, 0, 800, 600})).IsEmpty());
    // i = 30, k = 13: the ellipse (231, 170, 569, 430) stays old.
    const Region middle = EllipseFrameRegion(2, 800, 600, 64, 30);
    EXPECT_TRUE(middle.Contains(0, 0));
    EXPECT_TRUE(middle.Contains(230, 300));
    EXPECT_FALSE(middle.Contains(231, 300));
    EXPECT_FALSE(middle.Contains(400, 300));
    EXPECT_EQ(EllipseFrameRegion(2, 800, 600, 64, 43).Area(), 800 * 600);
    EXPECT_TRUE(EllipseFrameAt(2, 800, 600, 64, 43).done);
    // N = 2: the last frame has k = Round(-0.67) = -1, the same rectangle as k = 1 reversed.
    const EllipseFrame reversed = EllipseFrameAt(2, 80, 60, 2, 2);
    EXPECT_GT(reversed.rect.left, reversed.rect.right);
    EXPECT_EQ(EllipseFrameRegion(2, 80, 60, 2, 2).Area(), EllipseFrameRegion(2, 80, 60, 2, 0).Area());
    EXPECT_LT(EllipseFrameRegion(2, 80, 60, 2, 2).Area(), 80 * 60);
}

struct EllipseRunCase {
    std::string name;
    int effect;
    int steps;
    int frames;
};

class EllipseRunTest : public ::testing::TestWithParam<EllipseRunCase> {};

// Each frame adds the new picture inside its region and changes nothing else.
TEST_P(EllipseRunTest, FramesAccumulateTheRegions) {
    const EllipseRunCase& c = GetParam();
    const int w = 67, h = 45;
    const TBitmap32 before = OldPicture(w, h), after = NewPicture(w, h);
    TransitionRig rig;
    const RecordedRun run = rig.Run(before, after, c.effect, c.steps);
    ASSERT_EQ(run.frameCount, c.frames);
    TBitmap32 expected = before;
    for (int i = 0; i < c.frames; ++i) {
        SCOPED_TRACE(i);
        raster::CopyThroughRegion(expected, after, EllipseFrameRegion(c.effect - 70, w, h, c.steps, i));
        ASSERT_TRUE(SamePixels(run.frames[std::size_t(i)], expected));
    }
    EXPECT_TRUE(SamePixels(run.final, after));
}

INSTANTIATE_TEST_SUITE_P(Effects, EllipseRunTest,
                         ::testing::Values(EllipseRunCase{"Out", 71, 64, 44}, EllipseRunCase{"In", 72, 64, 44},
                                           EllipseRunCase{"FromLeft", 73, 64, 98},
                                           EllipseRunCase{"FromRight", 74, 12, 20},
                                           EllipseRunCase{"FromUp", 75, 12, 20},
                                           EllipseRunCase{"FromBottom", 76, 12, 20},
                                           EllipseRunCase{"InWithTwoSteps", 72, 2, 3}),
                         [](const ::testing::TestParamInfo<EllipseRunCase>& row) { return row.param.name; });

TEST(EllipseRun, AbortEndsAtTheNextFrameWithTheNewPicture) {
    const TBitmap32 before = OldPicture(40, 30), after = NewPicture(40, 30);
    TransitionRig rig;
    const RecordedRun run = rig.Run(before, after, 73, 64, true, 9, [&rig](RecordingPresenter& presenter) {
        presenter.SetFrameStartHook([&rig](int started) {
            if (started == 5)
                rig.engine.TransitionAbort = true;
        });
    });
    EXPECT_LE(run.frameCount, 5);
    EXPECT_TRUE(SamePixels(run.final, after));
}

} // namespace
} // namespace vorlandite::transitions

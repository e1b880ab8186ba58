// The unfold and line family: frame counts, key frames of the wipes and the line effects, and the
// line counts that small pictures and few steps would bring to zero.

#include "TransitionRig.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace vorlandite::transitions {
namespace {

using namespace testing;
using raster::Rect;

// The old picture with the new picture's pixels in [left, right) x [top, bottom).
TBitmap32 WithNewRect(TBitmap32 canvas, const TBitmap32& newPicture, const Rect& rect) {
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            canvas.SetPixel(x, y, newPicture.Pixel(x, y));
    return canvas;
}

// Whether every pixel of the given rows (or columns) shows the expected picture.
bool RowsShow(const TBitmap32& frame, const TBitmap32& expected, int top, int bottom) {
    for (int y = top; y < bottom && y < frame.Height(); ++y)
        for (int x = 0; x < frame.Width(); ++x)
            if (frame.Pixel(x, y) != expected.Pixel(x, y))
                return false;
    return true;
}

bool ColumnsShow(const TBitmap32& frame, const TBitmap32& expected, int left, int right) {
    for (int y = 0; y < frame.Height(); ++y)
        for (int x = left; x < right && x < frame.Width(); ++x)
            if (frame.Pixel(x, y) != expected.Pixel(x, y))
                return false;
    return true;
}

TEST(UnfoldFamily, UnfoldFromLeftPaintsAQuarterPerFrame) {
    TransitionRig rig;
    const TBitmap32 before = OldPicture(800, 3), after = NewPicture(800, 3);
    const RecordedRun run = rig.Run(before, after, 23, 4);
    ASSERT_EQ(run.frameCount, 4);
    for (int i = 1; i <= 4; ++i)
        EXPECT_TRUE(SamePixels(run.frames[std::size_t(i - 1)], WithNewRect(before, after, {0, 0, 200 * i, 3}))) << i;
}

TEST(UnfoldFamily, UnfoldFromRightEndsWithAnEmptyBand) {
    TransitionRig rig;
    const TBitmap32 before = OldPicture(800, 3), after = NewPicture(800, 3);
    const RecordedRun run = rig.Run(before, after, 24, 4);
    ASSERT_EQ(run.frameCount, 5);
    for (int i = 1; i <= 4; ++i)
        EXPECT_TRUE(SamePixels(run.frames[std::size_t(i - 1)], WithNewRect(before, after, {800 - 200 * i, 0, 800, 3})))
            << i;
    // The fifth band lies on the left edge and paints nothing new.
    EXPECT_TRUE(SamePixels(run.frames[4], after));
}

TEST(UnfoldFamily, VerticalLinesFromSidesPaintAStripeFromEachSide) {
    TransitionRig rig;
    const TBitmap32 before = OldPicture(800, 2), after = NewPicture(800, 2);
    const RecordedRun run = rig.Run(before, after, 43, 64);
    ASSERT_EQ(run.frameCount, 64);
    // Seven columns (Ceil(6.25)) every 12.5 from the left and from the right.
    TBitmap32 expected = WithNewRect(before, after, {0, 0, 7, 2});
    expected = WithNewRect(expected, after, {793, 0, 800, 2});
    EXPECT_TRUE(SamePixels(run.frames[0], expected));
    // x = 12.5: Round(12.5) = 12 to Round(19.5) = 20; from the right 780.5 to 787.5.
    expected = WithNewRect(expected, after, {12, 0, 20, 2});
    expected = WithNewRect(expected, after, {780, 0, 788, 2});
    EXPECT_TRUE(SamePixels(run.frames[1], expected));
    // The two sets of stripes interleave: once both have crossed, no old column is left.
    EXPECT_TRUE(SamePixels(run.frames.back(), after));
}

TEST(UnfoldFamily, DownloadWithOneCellPaintsAQuarterPerFrame) {
    TransitionRig rig;
    // N = 4, H = 600: M = Min(1, 150) = 1.
    const TBitmap32 before = OldPicture(800, 600), after = NewPicture(800, 600);
    const RecordedRun run = rig.Run(before, after, 63, 4);
    ASSERT_EQ(run.frameCount, 4);
    for (int i = 1; i <= 4; ++i) {
        EXPECT_TRUE(ColumnsShow(run.frames[std::size_t(i - 1)], after, 0, 200 * i)) << i;
        EXPECT_TRUE(ColumnsShow(run.frames[std::size_t(i - 1)], before, 200 * i, 800)) << i;
    }
}

TEST(UnfoldFamily, DownloadFillsEachCellAQuarterAtATime) {
    TransitionRig rig;
    // N = 16, H = 64: M = 4 cells of 16 rows, four passes of 4 frames painting 4 rows per cell.
    const TBitmap32 before = OldPicture(5, 64), after = NewPicture(5, 64);
    const RecordedRun run = rig.Run(before, after, 64, 16);
    ASSERT_EQ(run.frameCount, 16);
    for (int pass = 1; pass <= 4; ++pass) {
        const TBitmap32& frame = run.frames[std::size_t(4 * pass - 1)];
        for (int cell = 0; cell < 4; ++cell) {
            EXPECT_TRUE(RowsShow(frame, after, 16 * cell, 16 * cell + 4 * pass)) << pass << " " << cell;
            EXPECT_TRUE(RowsShow(frame, before, 16 * cell + 4 * pass, 16 * cell + 16)) << pass << " " << cell;
        }
    }
}

TEST(UnfoldFamily, LinesSweepOddStripesFirst) {
    // 64 rows or columns in 32 stripes of two.
    const TBitmap32 before = OldPicture(64, 64), after = NewPicture(64, 64);
    const int steps = 8;
    for (int effect = 47; effect <= 56; ++effect) {
        SCOPED_TRACE(effect);
        const bool vertical = effect >= 52;
        const bool together = effect == 51 || effect == 56;
        TransitionRig rig;
        const RecordedRun run = rig.Run(before, after, effect, steps);
        const bool endsFromFar = effect == 48 || effect == 49 || effect == 53 || effect == 54 || together;
        EXPECT_EQ(run.frameCount, (together ? 1 : 2) * steps + (endsFromFar ? 1 : 0));
        const TBitmap32& afterOdd = run.frames[std::size_t(steps - 1)];
        for (int k = 1; k <= 32; ++k) {
            const TBitmap32& shown = (k % 2 == 1 || together) ? after : before;
            const bool ok = vertical ? ColumnsShow(afterOdd, shown, 2 * k - 2, 2 * k)
                                     : RowsShow(afterOdd, shown, 2 * k - 2, 2 * k);
            EXPECT_TRUE(ok) << "stripe " << k;
        }
        EXPECT_TRUE(SamePixels(run.frames.back(), after));
    }
}

TEST(UnfoldFamily, ColumnsHorizontallyMeetOnTheDiagonal) {
    // Each row's two bands meet where the other's stops: the last frame leaves no old pixel.
    for (const int effect : {41, 42}) {
        SCOPED_TRACE(effect);
        TransitionRig rig;
        const TBitmap32 before = OldPicture(800, 600), after = NewPicture(800, 600);
        TBitmap32 last;
        const RecordedRun run = rig.Run(before, after, effect, 64, false, 9, [&last](RecordingPresenter& presenter) {
            presenter.SetFrameSink([&last](int, const TBitmap32& canvas) { last = canvas; });
        });
        // Round(64 + 0.15 x 64 x 9) = 150 steps for the last row from either side.
        EXPECT_EQ(run.frameCount, 150);
        EXPECT_TRUE(SamePixels(last, after));
    }
}

TEST(UnfoldFamily, AbortEndsAfterTheCurrentFrameOnTheNewPicture) {
    TransitionRig rig;
    const TBitmap32 before = OldPicture(40, 30), after = NewPicture(40, 30);
    const RecordedRun run = rig.Run(before, after, 61, 64, false, 9, [&rig](RecordingPresenter& presenter) {
        presenter.SetFrameStartHook([&rig](int started) {
            if (started == 3)
                rig.engine.TransitionAbort = true;
        });
    });
    EXPECT_EQ(run.frameCount, 3);
    EXPECT_TRUE(SamePixels(run.final, after));
}

// Few steps or a picture one pixel across would leave no lines to draw; one line is the least.
TEST(UnfoldFamily, DegenerateLineCountsStillEndOnTheNewPicture) {
    struct {
        int Effect, Width, Height, Steps, Frames;
    } const cases[] = {
        {63, 40, 30, 2, 4}, {64, 40, 30, 3, 4}, {63, 40, 3, 16, 4},  {43, 1, 9, 12, 1},
        {45, 1, 9, 12, 2},  {44, 9, 1, 12, 1},  {57, 9, 1, 12, 2},   {60, 1, 1, 1, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Effect);
        TransitionRig rig;
        const TBitmap32 before = OldPicture(c.Width, c.Height), after = NewPicture(c.Width, c.Height);
        const RecordedRun run = rig.Run(before, after, c.Effect, c.Steps);
        EXPECT_EQ(run.frameCount, c.Frames);
        ASSERT_FALSE(run.frames.empty());
        EXPECT_TRUE(SamePixels(run.final, after));
    }
}

struct FrameCountCase {
    std::string name;
    int effect;
    int Width, Height, steps;
    int frames;
};

void PrintTo(const FrameCountCase& c, std::ostream* os) {
    *os << "effect " << c.effect << " at " << c.Width << "x" << c.Height << ", N = " << c.steps;
}

class UnfoldFrameCount : public ::testing::TestWithParam<FrameCountCase> {};

// The effect lasts as long as its band with the most steps.
TEST_P(UnfoldFrameCount, LastsAsLongAsItsLongestBand) {
    const FrameCountCase& c = GetParam();
    TransitionRig rig;
    const RecordedRun run =
        rig.Run(OldPicture(c.Width, c.Height), NewPicture(c.Width, c.Height), c.effect, c.steps, false);
    EXPECT_EQ(run.frameCount, c.frames);
    EXPECT_TRUE(SamePixels(run.final, NewPicture(c.Width, c.Height)));
}

std::string CaseName(const ::testing::TestParamInfo<FrameCountCase>& row) { return row.param.name; }

// At 67 x 45 with N = 12: hw = 33, hh = 22; D = 4; the downloads' M = Min(3, 11) = 3.
INSTANTIATE_TEST_SUITE_P(
    UnfoldFamily, UnfoldFrameCount,
    ::testing::Values(FrameCountCase{"UnfoldFromLeft", 23, 67, 45, 12, 12},
                      FrameCountCase{"UnfoldFromBottom", 26, 67, 45, 12, 13},
                      FrameCountCase{"AllCornersDiagonalPairRunsTwoMore", 33, 67, 45, 12, 14},
                      FrameCountCase{"Iris", 34, 67, 45, 12, 13},
                      FrameCountCase{"FallingColumnsNineHalfStaggers", 36, 67, 45, 12, 66},
                      FrameCountCase{"FallingColumnsAtN64", 36, 80, 60, 64, 352},
                      FrameCountCase{"ColumnsHorizontally", 41, 67, 45, 12, 28},
                      FrameCountCase{"LinesFromLeftAndBack", 45, 67, 45, 12, 24},
                      FrameCountCase{"LinesLimitedByHalfHeight", 44, 67, 45, 64, 22},
                      FrameCountCase{"CrossLines", 58, 67, 45, 12, 24},
                      FrameCountCase{"SweepFromLeftShortestUnit", 61, 67, 45, 12, 41},
                      FrameCountCase{"SweepFromLeftAtN64", 61, 40, 30, 64, 211},
                      FrameCountCase{"DownloadFromUp", 64, 67, 45, 12, 12}),
    CaseName);

} // namespace
} // namespace vorlandite::transitions

// The unfold and line family: frame counts, key frames of the wipes and the line effects, and the
// line counts that small pictures and few steps would bring to zero.

#include "TransitionRig.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace vorlandite::transitions {
namespace {

using namespace testing;
using raster::TRect;

// The old picture with the new picture's pixels in [left, right) x [top, bottom).
TBitmap32 WithNewRect(TBitmap32 canvas, const TBitmap32& newPicture, const TRect& rect) {
    for (int y = rect.Top; y < rect.Bottom; ++y)
        for (int x = rect.Left; x < rect.Right; ++x)
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
    TTransitionRig rig;
    const TBitmap32 before = OldPicture(800, 3), after = NewPicture(800, 3);
    const TRecordedRun run = rig.Run(before, after, 23, 4);
    ASSERT_EQ(run.FrameCount, 4);
    for (int i = 1; i <= 4; ++i)
        EXPECT_TRUE(SamePixels(run.Frames[std::size_t(i - 1)], WithNewRect(before, after, {0, 0, 200 * i, 3}))) << i;
}

TEST(UnfoldFamily, UnfoldFromRightEndsWithAnEmptyBand) {
    TTransitionRig rig;
    const TBitmap32 before = OldPicture(800, 3), after = NewPicture(800, 3);
    const TRecordedRun run = rig.Run(before, after, 24, 4);
    ASSERT_EQ(run.FrameCount, 5);
    for (int i = 1; i <= 4; ++i)
        EXPECT_TRUE(SamePixels(run.Frames[std::size_t(i - 1)], WithNewRect(before, after, {800 - 200 * i, 0, 800, 3})))
            << i;
    // The fifth band lies on the left edge and paints nothing new.
    EXPECT_TRUE(SamePixels(run.Frames[4], after));
}

TEST(UnfoldFamily, VerticalLinesFromSidesPaintAStripeFromEachSide) {
    TTransitionRig rig;
    const TBitmap32 before = OldPicture(800, 2), after = NewPicture(800, 2);
    const TRecordedRun run = rig.Run(before, after, 43, 64);
    ASSERT_EQ(run.FrameCount, 64);
    // Seven columns (Ceil(6.25)) every 12.5 from the left and from the right.
    TBitmap32 expected = WithNewRect(before, after, {0, 0, 7, 2});
    expected = WithNewRect(expected, after, {793, 0, 800, 2});
    EXPECT_TRUE(SamePixels(run.Frames[0], expected));
    // x = 12.5: Round(12.5) = 12 to Round(19.5) = 20; from the right 780.5 to 787.5.
    expected = WithNewRect(expected, after, {12, 0, 20, 2});
    expected = WithNewRect(expected, after, {780, 0, 788, 2});
    EXPECT_TRUE(SamePixels(run.Frames[1], expected));
    // The two sets of stripes interleave: once both have crossed, no old column is left.
    EXPECT_TRUE(SamePixels(run.Frames.back(), after));
}

TEST(UnfoldFamily, DownloadWithOneCellPaintsAQuarterPerFrame) {
    TTransitionRig rig;
    // N = 4, H = 600: M = Min(1, 150) = 1.
    const TBitmap32 before = OldPicture(800, 600), after = NewPicture(800, 600);
    const TRecordedRun run = rig.Run(before, after, 63, 4);
    ASSERT_EQ(run.FrameCount, 4);
    for (int i = 1; i <= 4; ++i) {
        EXPECT_TRUE(ColumnsShow(run.Frames[std::size_t(i - 1)], after, 0, 200 * i)) << i;
        EXPECT_TRUE(ColumnsShow(run.Frames[std::size_t(i - 1)], before, 200 * i, 800)) << i;
    }
}

TEST(UnfoldFamily, DownloadFillsEachCellAQuarterAtATime) {
    TTransitionRig rig;
    // N = 16, H = 64: M = 4 cells of 16 rows, four passes of 4 frames painting 4 rows per cell.
    const TBitmap32 before = OldPicture(5, 64), after = NewPicture(5, 64);
    const TRecordedRun run = rig.Run(before, after, 64, 16);
    ASSERT_EQ(run.FrameCount, 16);
    for (int pass = 1; pass <= 4; ++pass) {
        const TBitmap32& frame = run.Frames[std::size_t(4 * pass - 1)];
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
        TTransitionRig rig;
        const TRecordedRun run = rig.Run(before, after, effect, steps);
        const bool endsFromFar = effect == 48 || effect == 49 || effect == 53 || effect == 54 || together;
        EXPECT_EQ(run.FrameCount, (together ? 1 : 2) * steps + (endsFromFar ? 1 : 0));
        const TBitmap32& afterOdd = run.Frames[std::size_t(steps - 1)];
        for (int k = 1; k <= 32; ++k) {
            const TBitmap32& shown = (k % 2 == 1 || together) ? after : before;
            const bool ok = vertical ? ColumnsShow(afterOdd, shown, 2 * k - 2, 2 * k)
                                     : RowsShow(afterOdd, shown, 2 * k - 2, 2 * k);
            EXPECT_TRUE(ok) << "stripe " << k;
        }
        EXPECT_TRUE(SamePixels(run.Frames.back(), after));
    }
}

TEST(UnfoldFamily, ColumnsHorizontallyMeetOnTheDiagonal) {
    // Each row's two bands meet where the other's stops: the last frame leaves no old pixel.
    for (const int effect : {41, 42}) {
        SCOPED_TRACE(effect);
        TTransitionRig rig;
        const TBitmap32 before = OldPicture(800, 600), after = NewPicture(800, 600);
        TBitmap32 last;
        const TRecordedRun run = rig.Run(before, after, effect, 64, false, 9, [&last](TRecordingPresenter& presenter) {
            presenter.SetFrameSink([&last](int, const TBitmap32& canvas) { last = canvas; });
        });
        // Round(64 + 0.15 x 64 x 9) = 150 steps for the last row from either side.
        EXPECT_EQ(run.FrameCount, 150);
        EXPECT_TRUE(SamePixels(last, after));
    }
}

TEST(UnfoldFamily, AbortEndsAfterTheCurrentFrameOnTheNewPicture) {
    TTransitionRig rig;
    const TBitmap32 before = OldPicture(40, 30), after = NewPicture(40, 30);
    const TRecordedRun run = rig.Run(before, after, 61, 64, false, 9, [&rig](TRecordingPresenter& presenter) {
        presenter.SetFrameStartHook([&rig](int started) {
            if (started == 3)
                rig.engine.TransitionAbort = true;
        });
    });
    EXPECT_EQ(run.FrameCount, 3);
    EXPECT_TRUE(SamePixels(run.Final, after));
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
        TTransitionRig rig;
        const TBitmap32 before = OldPicture(c.Width, c.Height), after = NewPicture(c.Width, c.Height);
        const TRecordedRun run = rig.Run(before, after, c.Effect, c.Steps);
        EXPECT_EQ(run.FrameCount, c.Frames);
        ASSERT_FALSE(run.Frames.empty());
        EXPECT_TRUE(SamePixels(run.Final, after));
    }
}

struct TFrameCountCase {
    std::string Name;
    int Effect;
    int Width, Height, Steps;
    int Frames;
};

void PrintTo(const TFrameCountCase& c, std::ostream* os) {
    *os << "effect " << c.Effect << " at " << c.Width << "x" << c.Height << ", N = " << c.Steps;
}

class UnfoldFrameCount : public ::testing::TestWithParam<TFrameCountCase> {};

// The effect lasts as long as its band with the most steps.
TEST_P(UnfoldFrameCount, LastsAsLongAsItsLongestBand) {
    const TFrameCountCase& c = GetParam();
    TTransitionRig rig;
    const TRecordedRun run =
        rig.Run(OldPicture(c.Width, c.Height), NewPicture(c.Width, c.Height), c.Effect, c.Steps, false);
    EXPECT_EQ(run.FrameCount, c.Frames);
    EXPECT_TRUE(SamePixels(run.Final, NewPicture(c.Width, c.Height)));
}

std::string CaseName(const ::testing::TestParamInfo<TFrameCountCase>& row) { return row.param.Name; }

// At 67 x 45 with N = 12: hw = 33, hh = 22; D = 4; the downloads' M = Min(3, 11) = 3.
INSTANTIATE_TEST_SUITE_P(
    UnfoldFamily, UnfoldFrameCount,
    ::testing::Values(TFrameCountCase{"UnfoldFromLeft", 23, 67, 45, 12, 12},
                      TFrameCountCase{"UnfoldFromBottom", 26, 67, 45, 12, 13},
                      TFrameCountCase{"AllCornersDiagonalPairRunsTwoMore", 33, 67, 45, 12, 14},
                      TFrameCountCase{"Iris", 34, 67, 45, 12, 13},
                      TFrameCountCase{"FallingColumnsNineHalfStaggers", 36, 67, 45, 12, 66},
                      TFrameCountCase{"FallingColumnsAtN64", 36, 80, 60, 64, 352},
                      TFrameCountCase{"ColumnsHorizontally", 41, 67, 45, 12, 28},
                      TFrameCountCase{"LinesFromLeftAndBack", 45, 67, 45, 12, 24},
                      TFrameCountCase{"LinesLimitedByHalfHeight", 44, 67, 45, 64, 22},
                      TFrameCountCase{"CrossLines", 58, 67, 45, 12, 24},
                      TFrameCountCase{"SweepFromLeftShortestUnit", 61, 67, 45, 12, 41},
                      TFrameCountCase{"SweepFromLeftAtN64", 61, 40, 30, 64, 211},
                      TFrameCountCase{"DownloadFromUp", 64, 67, 45, 12, 12}),
    CaseName);

} // namespace
} // namespace vorlandite::transitions

// The pattern wipes: frame counts, key frames of the triangle wipes, the phases of the clocks,
// and the order and number of the random pieces.

#include "TransitionRig.h"

#include "raster/TRegion.h"
#include "transitions/PatternWipes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace vorlandite::transitions {
namespace {

using namespace testing;
using raster::TPoint;
using raster::TRegion;

// The old picture with the new one painted through the union of the triangles.
TBitmap32 OldWithNewInside(const TBitmap32& oldPicture, const TBitmap32& newPicture,
                           const std::vector<TTriangle>& triangles) {
    TRegion region;
    for (const TTriangle& t : triangles) {
        const TPoint corners[] = {t.A, t.B, t.C};
        region = region.United(TRegion::FromConvexPolygon(corners));
    }
    TBitmap32 expected = oldPicture;
    raster::CopyThroughRegion(expected, newPicture, region);
    return expected;
}

// Rows in which two frames differ.
std::vector<int> ChangedRows(const TBitmap32& before, const TBitmap32& after) {
    std::vector<int> rows;
    for (int y = 0; y < before.Height(); ++y)
        for (int x = 0; x < before.Width(); ++x)
            if (before.Pixel(x, y) != after.Pixel(x, y)) {
                rows.push_back(y);
                break;
            }
    return rows;
}

struct TFrameCountCase {
    const char* Label;
    int Effect, Width, Height, Steps, Frames;
};

std::string CaseLabel(const ::testing::TestParamInfo<TFrameCountCase>& info) { return info.param.Label; }

class PatternWipeFrames : public ::testing::TestWithParam<TFrameCountCase> {};

TEST_P(PatternWipeFrames, RunsItsFramesAndEndsOnTheNewPicture) {
    const TFrameCountCase& c = GetParam();
    TTransitionRig rig;
    const TBitmap32 after = NewPicture(c.Width, c.Height);
    const TRecordedRun run = rig.Run(OldPicture(c.Width, c.Height), after, c.Effect, c.Steps, false);
    EXPECT_EQ(run.FrameCount, c.Frames);
    EXPECT_EQ(run.Presentations, c.Frames + 1);  // WORK whole once per frame, then the closing copy
    EXPECT_TRUE(SamePixels(run.Final, after));
}

INSTANTIATE_TEST_SUITE_P(
    PatternWipes, PatternWipeFrames,
    ::testing::Values(TFrameCountCase{"UnfoldNPlusOne", 77, 80, 60, 4, 5},
                      TFrameCountCase{"ClockNPlusOne", 83, 80, 60, 64, 65},
                      TFrameCountCase{"ChaosStarNPlusOne", 85, 80, 60, 12, 13},
                      TFrameCountCase{"TrianglesJumpAfterHalf", 87, 80, 60, 64, 34},
                      TFrameCountCase{"TrianglesOneStep", 87, 80, 60, 1, 2},
                      TFrameCountCase{"TrianglesOddSteps", 87, 80, 60, 5, 5},  // M = 3: i = 0 to 3, then 6
                      TFrameCountCase{"HorizontalLinesOnePerBand", 96, 8, 600, 64, 64},
                      TFrameCountCase{"HorizontalLinesNoMoreBandsThanRows", 96, 8, 10, 64, 10},
                      TFrameCountCase{"VerticalLinesOnePerBand", 97, 800, 6, 64, 64},
                      TFrameCountCase{"RectanglesSixtyFourPerFrame", 98, 800, 600, 64, 67},
                      TFrameCountCase{"EllipsesSixtyFourPerFrame", 99, 800, 600, 64, 67},
                      TFrameCountCase{"LargeEllipsesStopAtNCubed", 100, 40, 30, 4, 64},
                      TFrameCountCase{"LargeEllipsesAllPieces", 100, 40, 30, 5, 121},
                      // Under 4 (or 8) rows the grid would have no cells: one cell is the least.
                      TFrameCountCase{"RectanglesOnAPictureOfThreeRows", 98, 40, 3, 64, 4},
                      TFrameCountCase{"EllipsesOnAPictureOfSevenRows", 99, 40, 7, 64, 4}),
    CaseLabel);

TEST(TriangleWipes, DiagonalUnfoldCoversTheHalfAtTheMiddleStep) {
    TTransitionRig rig;
    const TBitmap32 before = OldPicture(800, 600), after = NewPicture(800, 600);
    const TRecordedRun run = rig.Run(before, after, 77, 4);
    ASSERT_EQ(run.FrameCount, 5);
    EXPECT_TRUE(SamePixels(run.Frames[0], before));  // a flat triangle paints nothing
    const TBitmap32 half = OldWithNewInside(before, after, {{{0, 0}, {0, 600}, {800, 0}}});
    EXPECT_TRUE(SamePixels(run.Frames[2], half));
    EXPECT_EQ(run.Frames[2].Pixel(398, 299), after.Pixel(398, 299));  // just above the diagonal
    EXPECT_EQ(run.Frames[2].Pixel(400, 300), before.Pixel(400, 300));  // just below it
    EXPECT_TRUE(SamePixels(run.Frames[4], after));  // legs 1600 and 1200 reach past every corner
}

TEST(TriangleWipes, ClockSweepsOneEdgePerQuarter) {
    constexpr int W = 800, H = 600, N = 64;
    const TPoint corners[] = {{0, 0}, {W, 0}, {W, H}, {0, H}};
    std::vector<TTriangle> shapes;
    for (int i = 0; i <= N; ++i) {
        SCOPED_TRACE(i);
        TriangleWipeShapes(83 - 76, i, W, H, N, shapes);
        ASSERT_EQ(shapes.size(), 1u);
        const int quarter = i <= 16 ? 0 : i <= 32 ? 1 : i <= 48 ? 2 : 3;
        EXPECT_EQ(shapes[0].A, corners[quarter]);
        EXPECT_EQ(shapes[0].B, (TPoint{W / 2, H / 2}));
    }
    // Each quarter ends with its hand on the next corner.
    const struct {
        int Frame;
        TPoint Hand;
    } ends[] = {{0, {0, 0}}, {16, {W, 0}}, {17, {W, 38}}, {32, {W, H}}, {48, {0, H}}, {64, {0, 0}}};
    for (const auto& end : ends) {
        TriangleWipeShapes(83 - 76, end.Frame, W, H, N, shapes);
        EXPECT_EQ(shapes[0].C, end.Hand) << end.Frame;
    }
}

TEST(TriangleWipes, QuarterClockCompletesTheFirstHalfBeforeTheSecondPhase) {
    std::vector<TTriangle> shapes;
    const auto frame = [&](int effect, int i) {
        TriangleWipeShapes(effect - 76, i, 800, 600, 64, shapes);
        return shapes.at(0);
    };
    EXPECT_EQ(frame(88, 36), (TTriangle{{0, 0}, {0, 600}, {788, 0}}));
    EXPECT_EQ(frame(88, 37), (TTriangle{{0, 0}, {0, 600}, {800, 0}}));  // s = 810 > W, s' = 788
    EXPECT_EQ(frame(88, 38), (TTriangle{{800, 0}, {0, 600}, {800, 32}}));
    EXPECT_EQ(frame(88, 64), (TTriangle{{800, 0}, {0, 600}, {800, 600}}));
    // The two effects named "Quarter Clock To Up Left" sweep different edges first.
    EXPECT_EQ(frame(89, 10), (TTriangle{{800, 600}, {0, 600}, {800, 381}}));
    EXPECT_EQ(frame(90, 10), (TTriangle{{800, 600}, {800, 0}, {581, 600}}));
    EXPECT_EQ(frame(91, 10), (TTriangle{{0, 0}, {800, 0}, {0, 219}}));
}

TEST(TriangleWipes, TrianglesFillEveryCellAtHalfTheStepsThenJumpToTheEnd) {
    TTransitionRig rig;
    // Cells of 20 x 10: at i = M = 32 each triangle has legs of 40 and 20, twice its cell.
    const TBitmap32 before = OldPicture(120, 60), after = NewPicture(120, 60);
    const TRecordedRun run = rig.Run(before, after, 87, 64);
    ASSERT_EQ(run.FrameCount, 34);
    EXPECT_TRUE(SamePixels(run.Frames[0], before));
    EXPECT_FALSE(SamePixels(run.Frames[24], after));  // legs of 30 and 15 leave the cells' far corners
    EXPECT_TRUE(SamePixels(run.Frames[32], after));
    std::vector<TTriangle> shapes;
    TriangleWipeShapes(87 - 76, 65, 120, 60, 64, shapes);
    EXPECT_EQ(shapes.size(), 50u);
    EXPECT_EQ(shapes.front(), (TTriangle{{0, 0}, {0, 41}, {82, 0}}));  // Ceil(65 x 120 / 32 / 3) = 82
}

TEST(TriangleWipes, ChaosStarIsMeasuredFromCxCx) {
    std::vector<TTriangle> shapes;
    // 400 x 100, N = 4, i = 2: reaches of cos(2) x 2 x 100 / 4 and sin(2) x 2 x 400 / 4.
    TriangleWipeShapes(85 - 76, 2, 400, 100, 4, shapes);
    ASSERT_EQ(shapes.size(), 1u);
    EXPECT_EQ(shapes[0].A, (TPoint{200, 50}));
    EXPECT_EQ(shapes[0].B, (TPoint{200 - 21, 200 + 182}));
    EXPECT_EQ(shapes[0].C, (TPoint{200 - 45, 200 - 83}));
}

// Numbers from a script, to pin the shuffle down.
class TScriptedRandom final : public IRandomSource {
public:
    explicit TScriptedRandom(std::vector<int> values) : values_(std::move(values)) {}
    int Random(int) override { return values_.at(next_++); }
    void Randomize() override {}

private:
    std::vector<int> values_;
    std::size_t next_ = 0;
};

TEST(RandomPieces, ShuffleExchangesEachPositionWithARandomOne) {
    std::vector<TPoint> pieces = {{0, 0}, {1, 0}, {2, 0}, {3, 0}};
    TScriptedRandom random({3, 0, 2, 1});
    ShufflePieces(pieces, random);
    EXPECT_EQ(pieces, (std::vector<TPoint>{{1, 0}, {0, 0}, {2, 0}, {3, 0}}));
}

TEST(RandomPieces, HorizontalLinesPaintOneBandPerFrameFromTheEndOfTheShuffledList) {
    constexpr int W = 8, H = 600, N = 64;
    TTransitionRig rig{5};
    const TBitmap32 before = OldPicture(W, H), after = NewPicture(W, H);
    const TRecordedRun run = rig.Run(before, after, 96, N);
    ASSERT_EQ(run.FrameCount, N);
    // The same generator, shuffling the same list.
    TSeededRandom replay{5};
    std::vector<TPoint> expectedOrder(N);
    for (int e = 0; e < N; ++e)
        expectedOrder[std::size_t(e)] = TPoint{e, 0};
    ShufflePieces(expectedOrder, replay);
    std::set<int> bands;
    const TBitmap32* previous = &before;
    for (int k = 0; k < N; ++k) {
        SCOPED_TRACE(k);
        const int band = expectedOrder[std::size_t(N - 1 - k)].X;
        std::vector<int> rows;
        for (int y = H * band / N; y < H * (band + 1) / N; ++y)
            rows.push_back(y);
        EXPECT_EQ(ChangedRows(*previous, run.Frames[std::size_t(k)]), rows);
        EXPECT_TRUE(rows.size() == 9 || rows.size() == 10);
        bands.insert(band);
        previous = &run.Frames[std::size_t(k)];
    }
    EXPECT_EQ(bands.size(), std::size_t(N));
    EXPECT_TRUE(SamePixels(run.Frames.back(), after));
}

} // namespace
} // namespace vorlandite::transitions

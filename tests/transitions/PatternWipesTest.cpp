// The pattern wipes: frame counts, key frames of the triangle wipes, the phases of the clocks,
// and the order and number of the random pieces.

#include "TransitionRig.h"

#include "raster/Region.h"
#include "transitions/PatternWipes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace vorlandite::transitions {
namespace {

using namespace testing;
using raster::Point;
using raster::Region;

// The old picture with the new one painted through the union of the triangles.
TBitmap32 OldWithNewInside(const TBitmap32& oldPicture, const TBitmap32& newPicture,
                           const std::vector<Triangle>& triangles) {
    Region region;
    for (const Triangle& t : triangles) {
        const Point corners[] = {t.A, t.B, t.c};
        region = region.United(Region::FromConvexPolygon(corners));
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

struct FrameCountCase {
    const char* label;
    int Effect, Width, Height, Steps, frames;
};

std::string CaseLabel(const ::testing::TestParamInfo<FrameCountCase>& info) { return info.param.label; }

class PatternWipeFrames : public ::testing::TestWithParam<FrameCountCase> {};

TEST_P(PatternWipeFrames, RunsItsFramesAndEndsOnTheNewPicture) {
    const FrameCountCase& c = GetParam();
    TransitionRig rig;
    const TBitmap32 after = NewPicture(c.Width, c.Height);
    const RecordedRun run = rig.Run(OldPicture(c.Width, c.Height), after, c.Effect, c.Steps, false);
    EXPECT_EQ(run.frameCount, c.frames);
    EXPECT_EQ(run.presentations, c.frames + 1);  // WORK whole once per frame, then the closing copy
    EXPECT_TRUE(SamePixels(run.final, after));
}

INSTANTIATE_TEST_SUITE_P(
    PatternWipes, PatternWipeFrames,
    ::testing::Values(FrameCountCase{"UnfoldNPlusOne", 77, 80, 60, 4, 5},
                      FrameCountCase{"ClockNPlusOne", 83, 80, 60, 64, 65},
                      FrameCountCase{"ChaosStarNPlusOne", 85, 80, 60, 12, 13},
                      FrameCountCase{"TrianglesJumpAfterHalf", 87, 80, 60, 64, 34},
                      FrameCountCase{"TrianglesOneStep", 87, 80, 60, 1, 2},
                      FrameCountCase{"TrianglesOddSteps", 87, 80, 60, 5, 5},  // M = 3: i = 0 to 3, then 6
                      FrameCountCase{"HorizontalLinesOnePerBand", 96, 8, 600, 64, 64},
                      FrameCountCase{"HorizontalLinesNoMoreBandsThanRows", 96, 8, 10, 64, 10},
                      FrameCountCase{"VerticalLinesOnePerBand", 97, 800, 6, 64, 64},
                      FrameCountCase{"RectanglesSixtyFourPerFrame", 98, 800, 600, 64, 67},
                      FrameCountCase{"EllipsesSixtyFourPerFrame", 99, 800, 600, 64, 67},
                      FrameCountCase{"LargeEllipsesStopAtNCubed", 100, 40, 30, 4, 64},
                      FrameCountCase{"LargeEllipsesAllPieces", 100, 40, 30, 5, 121},
                      // Under 4 (or 8) rows the grid would have no cells: one cell is the least.
                      FrameCountCase{"RectanglesOnAPictureOfThreeRows", 98, 40, 3, 64, 4},
                      FrameCountCase{"EllipsesOnAPictureOfSevenRows", 99, 40, 7, 64, 4}),
    CaseLabel);

TEST(TriangleWipes, DiagonalUnfoldCoversTheHalfAtTheMiddleStep) {
    TransitionRig rig;
    const TBitmap32 before = OldPicture(800, 600), after = NewPicture(800, 600);
    const RecordedRun run = rig.Run(before, after, 77, 4);
    ASSERT_EQ(run.frameCount, 5);
    EXPECT_TRUE(SamePixels(run.frames[0], before));  // a flat triangle paints nothing
    const TBitmap32 half = OldWithNewInside(before, after, {{{0, 0}, {0, 600}, {800, 0}}});
    EXPECT_TRUE(SamePixels(run.frames[2], half));
    EXPECT_EQ(run.frames[2].Pixel(398, 299), after.Pixel(398, 299));  // just above the diagonal
    EXPECT_EQ(run.frames[2].Pixel(400, 300), before.Pixel(400, 300));  // just below it
    EXPECT_TRUE(SamePixels(run.frames[4], after));  // legs 1600 and 1200 reach past every corner
}

TEST(TriangleWipes, ClockSweepsOneEdgePerQuarter) {
    constexpr int W = 800, H = 600, N = 64;
    const Point corners[] = {{0, 0}, {W, 0}, {W, H}, {0, H}};
    std::vector<Triangle> shapes;
    for (int i = 0; i <= N; ++i) {
        SCOPED_TRACE(i);
        TriangleWipeShapes(83 - 76, i, W, H, N, shapes);
        ASSERT_EQ(shapes.size(), 1u);
        const int quarter = i <= 16 ? 0 : i <= 32 ? 1 : i <= 48 ? 2 : 3;
        EXPECT_EQ(shapes[0].A, corners[quarter]);
        EXPECT_EQ(shapes[0].B, (Point{W / 2, H / 2}));
    }
    // Each quarter ends with its hand on the next corner.
    const struct {
        int Frame;
        Point Hand;
    } ends[] = {{0, {0, 0}}, {16, {W, 0}}, {17, {W, 38}}, {32, {W, H}}, {48, {0, H}}, {64, {0, 0}}};
    for (const auto& end : ends) {
        TriangleWipeShapes(83 - 76, end.Frame, W, H, N, shapes);
        EXPECT_EQ(shapes[0].c, end.Hand) << end.Frame;
    }
}

TEST(TriangleWipes, QuarterClockCompletesTheFirstHalfBeforeTheSecondPhase) {
    std::vector<Triangle> shapes;
    const auto frame = [&](int effect, int i) {
        TriangleWipeShapes(effect - 76, i, 800, 600, 64, shapes);
        return shapes.at(0);
    };
    EXPECT_EQ(frame(88, 36), (Triangle{{0, 0}, {0, 600}, {788, 0}}));
    EXPECT_EQ(frame(88, 37), (Triangle{{0, 0}, {0, 600}, {800, 0}}));  // s = 810 > W, s' = 788
    EXPECT_EQ(frame(88, 38), (Triangle{{800, 0}, {0, 600}, {800, 32}}));
    EXPECT_EQ(frame(88, 64), (Triangle{{800, 0}, {0, 600}, {800, 600}}));
    // The two effects named "Quarter Clock To Up Left" sweep different edges first.
    EXPECT_EQ(frame(89, 10), (Triangle{{800, 600}, {0, 600}, {800, 381}}));
    EXPECT_EQ(frame(90, 10), (Triangle{{800, 600}, {800, 0}, {581, 600}}));
    EXPECT_EQ(frame(91, 10), (Triangle{{0, 0}, {800, 0}, {0, 219}}));
}

TEST(TriangleWipes, TrianglesFillEveryCellAtHalfTheStepsThenJumpToTheEnd) {
    TransitionRig rig;
    // Cells of 20 x 10: at i = M = 32 each triangle has legs of 40 and 20, twice its cell.
    const TBitmap32 before = OldPicture(120, 60), after = NewPicture(120, 60);
    const RecordedRun run = rig.Run(before, after, 87, 64);
    ASSERT_EQ(run.frameCount, 34);
    EXPECT_TRUE(SamePixels(run.frames[0], before));
    EXPECT_FALSE(SamePixels(run.frames[24], after));  // legs of 30 and 15 leave the cells' far corners
    EXPECT_TRUE(SamePixels(run.frames[32], after));
    std::vector<Triangle> shapes;
    TriangleWipeShapes(87 - 76, 65, 120, 60, 64, shapes);
    EXPECT_EQ(shapes.size(), 50u);
    EXPECT_EQ(shapes.front(), (Triangle{{0, 0}, {0, 41}, {82, 0}}));  // Ceil(65 x 120 / 32 / 3) = 82
}

TEST(TriangleWipes, ChaosStarIsMeasuredFromCxCx) {
    std::vector<Triangle> shapes;
    // 400 x 100, N = 4, i = 2: reaches of cos(2) x 2 x 100 / 4 and sin(2) x 2 x 400 / 4.
    TriangleWipeShapes(85 - 76, 2, 400, 100, 4, shapes);
    ASSERT_EQ(shapes.size(), 1u);
    EXPECT_EQ(shapes[0].A, (Point{200, 50}));
    EXPECT_EQ(shapes[0].B, (Point{200 - 21, 200 + 182}));
    EXPECT_EQ(shapes[0].c, (Point{200 - 45, 200 - 83}));
}

// Numbers from a script, to pin the shuffle down.
class ScriptedRandom final : public IRandomSource {
public:
    explicit ScriptedRandom(std::vector<int> values) : values_(std::move(values)) {}
    int Random(int) override { return values_.at(next_++); }
    void Randomize() override {}

private:
    std::vector<int> values_;
    std::size_t next_ = 0;
};

TEST(RandomPieces, ShuffleExchangesEachPositionWithARandomOne) {
    std::vector<Point> pieces = {{0, 0}, {1, 0}, {2, 0}, {3, 0}};
    ScriptedRandom random({3, 0, 2, 1});
    ShufflePieces(pieces, random);
    EXPECT_EQ(pieces, (std::vector<Point>{{1, 0}, {0, 0}, {2, 0}, {3, 0}}));
}

TEST(RandomPieces, HorizontalLinesPaintOneBandPerFrameFromTheEndOfTheShuffledList) {
    constexpr int W = 8, H = 600, N = 64;
    TransitionRig rig{5};
    const TBitmap32 before = OldPicture(W, H), after = NewPicture(W, H);
    const RecordedRun run = rig.Run(before, after, 96, N);
    ASSERT_EQ(run.frameCount, N);
    // The same generator, shuffling the same list.
    SeededRandom replay{5};
    std::vector<Point> expectedOrder(N);
    for (int e = 0; e < N; ++e)
        expectedOrder[std::size_t(e)] = Point{e, 0};
    ShufflePieces(expectedOrder, replay);
    std::set<int> bands;
    const TBitmap32* previous = &before;
    for (int k = 0; k < N; ++k) {
        SCOPED_TRACE(k);
        const int band = expectedOrder[std::size_t(N - 1 - k)].x;
        std::vector<int> rows;
        for (int y = H * band / N; y < H * (band + 1) / N; ++y)
            rows.push_back(y);
        EXPECT_EQ(ChangedRows(*previous, run.frames[std::size_t(k)]), rows);
        EXPECT_TRUE(rows.size() == 9 || rows.size() == 10);
        bands.insert(band);
        previous = &run.frames[std::size_t(k)];
    }
    EXPECT_EQ(bands.size(), std::size_t(N));
    EXPECT_TRUE(SamePixels(run.frames.back(), after));
}

} // namespace
} // namespace vorlandite::transitions

// The slide family: frame counts, key frames and the geometry of the split and cascading pieces.

#include "TransitionRig.h"

#include "transitions/SlideFamily.h"

#include <gtest/gtest.h>

#include <vector>

namespace vorlandite::transitions {
namespace {

using namespace testing;
using raster::TRect;

// The old picture with columns [left, right) taken from the new picture's columns starting at
// `from`.
TBitmap32 OldWithNewColumns(const TBitmap32& oldPicture, const TBitmap32& newPicture, int left, int right, int from) {
    TBitmap32 expected = oldPicture;
    for (int y = 0; y < expected.Height(); ++y)
        for (int x = left; x < right; ++x)
            expected.SetPixel(x, y, newPicture.Pixel(from + x - left, y));
    return expected;
}

TEST(SlideFamily, SlideFromLeftInFourSteps) {
    TTransitionRig rig;
    const TBitmap32 before = OldPicture(800, 4), after = NewPicture(800, 4);
    const TRecordedRun run = rig.Run(before, after, 5, 4);
    ASSERT_EQ(run.FrameCount, 4);
    for (int i = 1; i <= 4; ++i) {
        SCOPED_TRACE(i);
        const TBitmap32 expected = OldWithNewColumns(before, after, 0, 200 * i, 800 - 200 * i);
        EXPECT_TRUE(SamePixels(run.Frames[std::size_t(i - 1)], expected));
    }
}

TEST(SlideFamily, DoorOpenOpensAStripAtTheCentreAndLastsOneFrameMore) {
    TTransitionRig rig;
    const TBitmap32 before = OldPicture(800, 6), after = NewPicture(800, 6);
    const TRecordedRun run = rig.Run(before, after, 10, 64);
    EXPECT_EQ(run.FrameCount, 65);
    // Bands of Ceil(6.25) = 7 columns at 399 (rightwards) and 401 (leftwards): columns 394 to 405.
    EXPECT_TRUE(SamePixels(run.Frames.front(), OldWithNewColumns(before, after, 394, 406, 394)));
    EXPECT_TRUE(SamePixels(run.Final, after));
}

TEST(SlideFamily, FallingColumnsLastNinePiecesOfStaggerMore) {
    struct {
        int Steps;
        int Frames;
    } const cases[] = {{64, 208}, {4, 13}, {3, 3}, {1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Steps);
        TTransitionRig rig;
        const TRecordedRun run = rig.Run(OldPicture(40, 40), NewPicture(40, 40), 14, c.Steps, false);
        EXPECT_EQ(run.FrameCount, c.Frames);
        EXPECT_TRUE(SamePixels(run.Final, NewPicture(40, 40)));
    }
}

TEST(SlideFamily, CascadesLastNineStaggersPlusN) {
    for (const int effect : {16, 19, 20}) {
        SCOPED_TRACE(effect);
        TTransitionRig rig;
        EXPECT_EQ(rig.Run(OldPicture(50, 30), NewPicture(50, 30), effect, 64, false).FrameCount, 208);
    }
}

TEST(SlideFamily, EveryPieceArrivesHome) {
    // Sizes and steps that divide evenly, so the pieces end exactly in place; "Door Open" leaves
    // the old halves' last columns to the closing copy.
    const TBitmap32 before = OldPicture(80, 60), after = NewPicture(80, 60);
    for (int effect = 1; effect <= 22; ++effect) {
        if (effect == 10)
            continue;
        SCOPED_TRACE(effect);
        TTransitionRig rig;
        const TRecordedRun run = rig.Run(before, after, effect, 8);
        ASSERT_FALSE(run.Frames.empty());
        EXPECT_TRUE(SamePixels(run.Frames.back(), after));
    }
}

// How many pieces' windows cover each pixel.
std::vector<int> Coverage(const TSlidePieces& pieces, int width, int height) {
    std::vector<int> count(std::size_t(width * height), 0);
    for (int i = 0; i < pieces.SlideCount; ++i) {
        const TRect w = pieces.Slides[std::size_t(i)].Window();
        for (int y = w.Top; y < w.Bottom; ++y)
            for (int x = w.Left; x < w.Right; ++x)
                ++count[std::size_t(y * width + x)];
    }
    return count;
}

TEST(SlidePieces, SidesSplitEachRowWithoutOverlap) {
    for (const auto& [w, h] : {std::pair{800, 600}, std::pair{97, 53}}) {
        SCOPED_TRACE(w);
        TSlidePieces pieces;
        BuildSlidePieces(19, w, h, 64, nullptr, nullptr, pieces);
        ASSERT_EQ(pieces.SlideCount, 20);
        for (int r = 0; r < 10; ++r) {
            const TRect left = pieces.Slides[std::size_t(r)].Window();
            const TRect right = pieces.Slides[std::size_t(10 + (9 - r))].Window();
            EXPECT_EQ(left.Right, right.Left) << r;
            EXPECT_EQ(left.Top, right.Top) << r;
        }
        for (const int c : Coverage(pieces, w, h))
            ASSERT_EQ(c, 1);
    }
}

TEST(SlidePieces, UpAndBottomPartsOverlapByOneRow) {
    for (const auto& [w, h] : {std::pair{800, 600}, std::pair{97, 53}}) {
        SCOPED_TRACE(w);
        TSlidePieces pieces;
        BuildSlidePieces(20, w, h, 64, nullptr, nullptr, pieces);
        ASSERT_EQ(pieces.SlideCount, 20);
        for (int c = 0; c < 10; ++c) {
            const TRect upper = pieces.Slides[std::size_t(c)].Window();
            const TRect lower = pieces.Slides[std::size_t(10 + (9 - c))].Window();
            EXPECT_EQ(lower.Top, upper.Bottom - 1) << c;
            EXPECT_EQ(lower.Left, upper.Left) << c;
            EXPECT_EQ(lower.Right, upper.Right) << c;
        }
    }
}

TEST(SlidePieces, CountsByEffect) {
    const int expected[23] = {0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 4, 4, 10, 10, 10, 10, 2, 2, 20, 20, 10, 10};
    for (int effect = 0; effect <= 22; ++effect) {
        TSlidePieces pieces;
        BuildSlidePieces(effect, 100, 80, 16, nullptr, nullptr, pieces);
        EXPECT_EQ(pieces.SlideCount, expected[effect]) << effect;
        EXPECT_EQ(pieces.BandCount, effect == 10 ? 2 : 0) << effect;
    }
}

TEST(SlidePieces, DoorOpenMovesTheOldHalves) {
    const TBitmap32 fresh = NewPicture(4, 4), old = OldPicture(4, 4);
    TSlidePieces pieces;
    BuildSlidePieces(10, 800, 600, 64, &fresh, &old, pieces);
    EXPECT_EQ(pieces.Slides[0].Source(), &old);
    EXPECT_EQ(pieces.Slides[1].Source(), &old);
    EXPECT_EQ(pieces.Bands[0].StepsLeft(), 64);
    EXPECT_EQ(pieces.Bands[1].StepsLeft(), 65);
    // Their first step shows both halves at home.
    pieces.Slides[0].Step();
    pieces.Slides[1].Step();
    EXPECT_EQ(pieces.Slides[0].DestinationRect(), (TRect{0, 0, 400, 600}));
    EXPECT_EQ(pieces.Slides[1].DestinationRect(), (TRect{400, 0, 800, 600}));
}

} // namespace
} // namespace vorlandite::transitions

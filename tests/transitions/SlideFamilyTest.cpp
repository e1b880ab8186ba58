// The slide family: frame counts, key frames and the geometry of the split and cascading pieces.

#include "TransitionRig.h"

#include "transitions/SlideFamily.h"

#include <gtest/gtest.h>

#include <vector>

namespace vorlandite::transitions {
namespace {

using namespace testing;
using raster::Rect;

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
    TransitionRig rig;
    const TBitmap32 before = OldPicture(800, 4), after = NewPicture(800, 4);
    const RecordedRun run = rig.Run(before, after, 5, 4);
    ASSERT_EQ(run.frameCount, 4);
    for (int i = 1; i <= 4; ++i) {
        SCOPED_TRACE(i);
        const TBitmap32 expected = OldWithNewColumns(before, after, 0, 200 * i, 800 - 200 * i);
        EXPECT_TRUE(SamePixels(run.frames[std::size_t(i - 1)], expected));
    }
}

TEST(SlideFamily, DoorOpenOpensAStripAtTheCentreAndLastsOneFrameMore) {
    TransitionRig rig;
    const TBitmap32 before = OldPicture(800, 6), after = NewPicture(800, 6);
    const RecordedRun run = rig.Run(before, after, 10, 64);
    EXPECT_EQ(run.frameCount, 65);
    // Bands of Ceil(6.25) = 7 columns at 399 (rightwards) and 401 (leftwards): columns 394 to 405.
    EXPECT_TRUE(SamePixels(run.frames.front(), OldWithNewColumns(before, after, 394, 406, 394)));
    EXPECT_TRUE(SamePixels(run.final, after));
}

TEST(SlideFamily, FallingColumnsLastNinePiecesOfStaggerMore) {
    struct {
        int Steps;
        int Frames;
    } const cases[] = {{64, 208}, {4, 13}, {3, 3}, {1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Steps);
        TransitionRig rig;
        const RecordedRun run = rig.Run(OldPicture(40, 40), NewPicture(40, 40), 14, c.Steps, false);
        EXPECT_EQ(run.frameCount, c.Frames);
        EXPECT_TRUE(SamePixels(run.final, NewPicture(40, 40)));
    }
}

TEST(SlideFamily, CascadesLastNineStaggersPlusN) {
    for (const int effect : {16, 19, 20}) {
        SCOPED_TRACE(effect);
        TransitionRig rig;
        EXPECT_EQ(rig.Run(OldPicture(50, 30), NewPicture(50, 30), effect, 64, false).frameCount, 208);
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
        TransitionRig rig;
        const RecordedRun run = rig.Run(before, after, effect, 8);
        ASSERT_FALSE(run.frames.empty());
        EXPECT_TRUE(SamePixels(run.frames.back(), after));
    }
}

// How many pieces' windows cover each pixel.
std::vector<int> Coverage(const SlidePieces& pieces, int width, int height) {
    std::vector<int> count(std::size_t(width * height), 0);
    for (int i = 0; i < pieces.slideCount; ++i) {
        const Rect w = pieces.slides[std::size_t(i)].Window();
        for (int y = w.top; y < w.bottom; ++y)
            for (int x = w.left; x < w.right; ++x)
                ++count[std::size_t(y * width + x)];
    }
    return count;
}

TEST(SlidePieces, SidesSplitEachRowWithoutOverlap) {
    for (const auto& [w, h] : {std::pair{800, 600}, std::pair{97, 53}}) {
        SCOPED_TRACE(w);
        SlidePieces pieces;
        BuildSlidePieces(19, w, h, 64, nullptr, nullptr, pieces);
        ASSERT_EQ(pieces.slideCount, 20);
        for (int r = 0; r < 10; ++r) {
            const Rect left = pieces.slides[std::size_t(r)].Window();
            const Rect right = pieces.slides[std::size_t(10 + (9 - r))].Window();
            EXPECT_EQ(left.right, right.left) << r;
            EXPECT_EQ(left.top, right.top) << r;
        }
        for (const int c : Coverage(pieces, w, h))
            ASSERT_EQ(c, 1);
    }
}

TEST(SlidePieces, UpAndBottomPartsOverlapByOneRow) {
    for (const auto& [w, h] : {std::pair{800, 600}, std::pair{97, 53}}) {
        SCOPED_TRACE(w);
        SlidePieces pieces;
        BuildSlidePieces(20, w, h, 64, nullptr, nullptr, pieces);
        ASSERT_EQ(pieces.slideCount, 20);
        for (int c = 0; c < 10; ++c) {
            const Rect upper = pieces.slides[std::size_t(c)].Window();
            const Rect lower = pieces.slides[std::size_t(10 + (9 - c))].Window();
            EXPECT_EQ(lower.top, upper.bottom - 1) << c;
            EXPECT_EQ(lower.left, upper.left) << c;
            EXPECT_EQ(lower.right, upper.right) << c;
        }
    }
}

TEST(SlidePieces, CountsByEffect) {
    const int expected[23] = {0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 4, 4, 10, 10, 10, 10, 2, 2, 20, 20, 10, 10};
    for (int effect = 0; effect <= 22; ++effect) {
        SlidePieces pieces;
        BuildSlidePieces(effect, 100, 80, 16, nullptr, nullptr, pieces);
        EXPECT_EQ(pieces.slideCount, expected[effect]) << effect;
        EXPECT_EQ(pieces.bandCount, effect == 10 ? 2 : 0) << effect;
    }
}

TEST(SlidePieces, DoorOpenMovesTheOldHalves) {
    const TBitmap32 fresh = NewPicture(4, 4), old = OldPicture(4, 4);
    SlidePieces pieces;
    BuildSlidePieces(10, 800, 600, 64, &fresh, &old, pieces);
    EXPECT_EQ(pieces.slides[0].Source(), &old);
    EXPECT_EQ(pieces.slides[1].Source(), &old);
    EXPECT_EQ(pieces.bands[0].StepsLeft(), 64);
    EXPECT_EQ(pieces.bands[1].StepsLeft(), 65);
    // Their first step shows both halves at home.
    pieces.slides[0].Step();
    pieces.slides[1].Step();
    EXPECT_EQ(pieces.slides[0].DestinationRect(), (Rect{0, 0, 400, 600}));
    EXPECT_EQ(pieces.slides[1].DestinationRect(), (Rect{400, 0, 800, 600}));
}

} // namespace
} // namespace vorlandite::transitions

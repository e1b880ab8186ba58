// GIF reading (frames, timing, looping, interlacing, colour tables) and frame composition
// (disposal methods, transparency, the opaque picture with its key colour).

#include "raster/decoders/BitmapMatchers.h"
#include "raster/decoders/GifDecoder.h"
#include "raster/decoders/PictureWriters.h"

#include <gtest/gtest.h>

namespace vorlandite::raster {
namespace {

using testing::GifFrameRecipe;
using testing::GifRecipe;

constexpr TColor32 kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF,
                   kMagenta = 0xFFFF00FF, kYellow = 0xFFFFFF00;
// 0 red, 1 green, 2 blue, 3 magenta (the key colour of the transparent frames below)
const std::vector<TColor32> kPalette = {kRed, kGreen, kBlue, kMagenta};

GifFrameRecipe Filled(int left, int top, int width, int height, uint8_t index) {
    GifFrameRecipe f;
    f.left = left;
    f.top = top;
    f.width = width;
    f.height = height;
    f.indexes.assign(std::size_t(width) * std::size_t(height), index);
    return f;
}

GifImage Decode(const GifRecipe& recipe) {
    Result<GifImage> image = DecodeGif(testing::WriteGif(recipe));
    EXPECT_TRUE(image.ok()) << image.message();
    return image.ok() ? std::move(image).value() : GifImage{};
}

GifAnimator Animator(const GifRecipe& recipe) {
    return GifAnimator(std::make_shared<const GifImage>(Decode(recipe)));
}

TEST(GifDecoder, ReadsFramesWithPositionsDelaysAndDisposal) {
    GifRecipe recipe{8, 6, kPalette};
    recipe.frames = {Filled(0, 0, 8, 6, 0), Filled(2, 1, 3, 2, 1), Filled(5, 3, 3, 3, 2)};
    recipe.frames[0].delayCs = 10;
    recipe.frames[1].delayCs = 20;
    recipe.frames[1].disposal = 2;
    recipe.frames[2].delayCs = 30;
    recipe.frames[2].disposal = 3;
    recipe.frames[2].transparentIndex = 3;
    const GifImage image = Decode(recipe);
    ASSERT_EQ(image.frames.size(), 3u);
    EXPECT_EQ(image.width, 8);
    EXPECT_EQ(image.height, 6);
    EXPECT_EQ(image.frames[0].delayMs, 100);
    EXPECT_EQ(image.frames[1].delayMs, 200);
    EXPECT_EQ(image.frames[2].delayMs, 300);
    EXPECT_EQ(image.frames[1].left, 2);
    EXPECT_EQ(image.frames[1].top, 1);
    EXPECT_EQ(image.frames[1].disposal, GifDisposal::RestoreBackground);
    EXPECT_EQ(image.frames[2].disposal, GifDisposal::RestorePrevious);
    EXPECT_FALSE(image.frames[0].transparentIndex.has_value());
    EXPECT_EQ(image.TransparentColor(2), kMagenta);
    EXPECT_TRUE(image.IsTransparent());
    EXPECT_FALSE(image.loops);
}

TEST(GifDecoder, LoopsForEverWithTheLoopingExtensionWhateverItsCount) {
    GifRecipe recipe{4, 4, kPalette};
    recipe.netscapeLoop = true;
    recipe.loopCount = 3;
    recipe.frames = {Filled(0, 0, 4, 4, 0), Filled(0, 0, 4, 4, 1)};
    const GifImage image = Decode(recipe);
    EXPECT_TRUE(image.loops);
    EXPECT_EQ(image.loopCount, 3);
}

TEST(GifDecoder, InterlacedFrameMatchesTheSameFrameStoredInOrder) {
    GifRecipe recipe{7, 11, kPalette};
    GifFrameRecipe frame = Filled(0, 0, 7, 11, 0);
    for (std::size_t i = 0; i < frame.indexes.size(); ++i)
        frame.indexes[i] = uint8_t(i / 7 % 4);  // each row its own colour
    recipe.frames = {frame};
    const GifImage plain = Decode(recipe);
    recipe.frames[0].interlaced = true;
    const GifImage interlaced = Decode(recipe);
    ASSERT_EQ(interlaced.frames.size(), 1u);
    EXPECT_TRUE(interlaced.frames[0].interlaced);
    EXPECT_EQ(interlaced.frames[0].indexes, plain.frames[0].indexes);
    EXPECT_EQ(interlaced.frames[0].indexes, frame.indexes);
}

TEST(GifDecoder, LocalColourTableOverridesTheGlobalOne) {
    GifRecipe recipe{2, 1, kPalette};
    recipe.frames = {Filled(0, 0, 2, 1, 1)};
    recipe.frames[0].localPalette = {kYellow, kWhite};
    GifAnimator animator = Animator(recipe);
    ASSERT_TRUE(animator.ComposeFrame(0).ok());
    EXPECT_EQ(animator.Canvas().Pixel(0, 0), kWhite);
}

TEST(GifDecoder, AcceptsAMissingTrailerButNotATruncatedFrame) {
    GifRecipe recipe{4, 4, kPalette};
    recipe.frames = {Filled(0, 0, 4, 4, 1)};
    recipe.trailer = false;
    testing::Bytes bytes = testing::WriteGif(recipe);
    EXPECT_TRUE(DecodeGif(bytes).ok());
    bytes.resize(bytes.size() - 3);
    Result<GifImage> cut = DecodeGif(bytes);
    ASSERT_FALSE(cut.ok());
    EXPECT_EQ(cut.message(), "GIF: data ends early");
}

TEST(GifDecoder, EmptyLogicalScreenTakesTheFramesExtent) {
    GifRecipe recipe{0, 0, kPalette};
    recipe.frames = {Filled(1, 2, 3, 4, 0)};
    const GifImage image = Decode(recipe);
    EXPECT_EQ(image.width, 4);
    EXPECT_EQ(image.height, 6);
}

TEST(GifDecoder, RefusesAHugeLogicalScreen) {
    GifRecipe recipe{65535, 65535, kPalette};
    recipe.frames = {Filled(0, 0, 1, 1, 0)};
    Result<GifImage> image = DecodeGif(testing::WriteGif(recipe));
    ASSERT_FALSE(image.ok());
    EXPECT_NE(image.message().find("too large"), std::string::npos) << image.message();
}

TEST(GifComposition, FirstFrameKeepsRealTransparencyWhereNothingCovers) {
    GifRecipe recipe{4, 3, kPalette};
    GifFrameRecipe frame = Filled(1, 1, 2, 2, 0);
    frame.indexes[0] = 3;
    frame.transparentIndex = 3;
    recipe.frames = {frame};
    GifAnimator animator = Animator(recipe);
    ASSERT_TRUE(animator.ComposeFrame(0).ok());
    const TBitmap32& canvas = animator.Canvas();
    EXPECT_EQ(canvas.Pixel(0, 0), 0u);  // outside the frame
    EXPECT_EQ(canvas.Pixel(1, 1), 0u);  // the frame's transparent pixel
    EXPECT_EQ(canvas.Pixel(2, 1), kRed);
    EXPECT_EQ(canvas.Pixel(2, 2), kRed);
}

// The colour of uncovered areas in the opaque picture of a frame.
TEST(GifComposition, OpaqueFrameFillsUncoveredAreasWithTheKeyColour) {
    GifRecipe recipe{4, 3, kPalette};
    recipe.backgroundIndex = 1;
    recipe.frames = {Filled(0, 0, 2, 3, 0), Filled(0, 0, 2, 3, 2)};

    // No transparency anywhere: the window colour.
    GifAnimator opaque = Animator(recipe);
    ASSERT_TRUE(opaque.ComposeFrame(1).ok());
    EXPECT_EQ(opaque.OpaqueFrame(0xFF123456).Pixel(3, 0), 0xFF123456u);
    EXPECT_EQ(opaque.OpaqueFrame().Pixel(3, 0), kDefaultWindowColor);

    // The frame's own transparent colour.
    recipe.frames[1].transparentIndex = 3;
    GifAnimator keyed = Animator(recipe);
    ASSERT_TRUE(keyed.ComposeFrame(1).ok());
    EXPECT_EQ(keyed.OpaqueFrame().Pixel(3, 0), kMagenta);

    // A transparent GIF, but this frame has no transparent colour: the background colour.
    recipe.frames[1].transparentIndex = -1;
    recipe.frames[0].transparentIndex = 3;
    GifAnimator background = Animator(recipe);
    ASSERT_TRUE(background.ComposeFrame(1).ok());
    const TBitmap32 picture = background.OpaqueFrame();
    EXPECT_EQ(picture.Pixel(3, 0), kGreen);
    EXPECT_EQ(picture.Pixel(0, 0), kBlue);
}

struct DisposalCase {
    std::string name;
    int disposal;
    TColor32 underSecondFrame;  // what frame 2 shows where frame 1 was
};

class GifDisposalMethod : public ::testing::TestWithParam<DisposalCase> {};

// Frame 0 fills the screen red, frame 1 paints a green square with the disposal under test,
// frame 2 draws one blue pixel elsewhere.
TEST_P(GifDisposalMethod, DecidesWhatTheNextFrameDrawsOver) {
    GifRecipe recipe{6, 6, kPalette};
    recipe.frames = {Filled(0, 0, 6, 6, 0), Filled(1, 1, 3, 3, 1), Filled(5, 5, 1, 1, 2)};
    recipe.frames[1].disposal = GetParam().disposal;
    GifAnimator animator = Animator(recipe);
    ASSERT_TRUE(animator.ComposeFrame(1).ok());
    EXPECT_EQ(animator.Canvas().Pixel(2, 2), kGreen);
    ASSERT_TRUE(animator.ComposeFrame(2).ok());
    EXPECT_EQ(animator.Canvas().Pixel(2, 2), GetParam().underSecondFrame);
    EXPECT_EQ(animator.Canvas().Pixel(0, 0), kRed);
    EXPECT_EQ(animator.Canvas().Pixel(5, 5), kBlue);
}

INSTANTIATE_TEST_SUITE_P(Methods, GifDisposalMethod,
                         ::testing::Values(DisposalCase{"Unspecified", 0, kGreen}, DisposalCase{"Keep", 1, kGreen},
                                           DisposalCase{"RestoreBackground", 2, 0u},
                                           DisposalCase{"RestorePrevious", 3, kRed},
                                           DisposalCase{"UndefinedValueKeeps", 5, kGreen}),
                         [](const auto& row) { return row.param.name; });

TEST(GifComposition, TransparentPixelsLeaveWhatLiesBeneath) {
    GifRecipe recipe{3, 1, kPalette};
    GifFrameRecipe top = Filled(0, 0, 3, 1, 2);
    top.indexes[1] = 3;
    top.transparentIndex = 3;
    recipe.frames = {Filled(0, 0, 3, 1, 0), top};
    GifAnimator animator = Animator(recipe);
    ASSERT_TRUE(animator.ComposeFrame(1).ok());
    EXPECT_EQ(animator.Canvas().Pixel(0, 0), kBlue);
    EXPECT_EQ(animator.Canvas().Pixel(1, 0), kRed);
    EXPECT_EQ(animator.Canvas().Pixel(2, 0), kBlue);
}

TEST(GifComposition, OutOfOrderRequestsGiveTheSamePictureAsInOrder) {
    GifRecipe recipe{6, 6, kPalette};
    recipe.frames = {Filled(0, 0, 6, 6, 0), Filled(1, 1, 3, 3, 1), Filled(2, 2, 3, 3, 2), Filled(0, 4, 6, 2, 3)};
    recipe.frames[1].disposal = 3;
    recipe.frames[2].disposal = 2;
    GifAnimator inOrder = Animator(recipe);
    std::vector<TBitmap32> sequence;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(inOrder.ComposeFrame(i).ok());
        sequence.push_back(inOrder.Canvas());
    }
    GifAnimator jumping = Animator(recipe);
    for (int i : {3, 1, 2, 0, 3}) {
        ASSERT_TRUE(jumping.ComposeFrame(i).ok());
        EXPECT_TRUE(testing::SamePixels(jumping.Canvas(), sequence[std::size_t(i)])) << "frame " << i;
    }
    EXPECT_FALSE(jumping.ComposeFrame(4).ok());
}

// What a caller redraws after each step: every pixel that changed lies in ChangedRect, and in
// order that is no more than the disposed and the drawn rectangle, however large the screen.
struct ChangeStep {
    int frame;
    Rect expected;
};

TEST(GifComposition, ChangedRectHoldsEveryChangedPixelAndNoMore) {
    GifRecipe recipe{40, 30, kPalette};
    recipe.frames = {Filled(2, 3, 4, 4, 0), Filled(10, 10, 3, 2, 1), Filled(30, 20, 20, 20, 2), Filled(1, 1, 1, 1, 3),
                     Filled(5, 25, 2, 2, 0)};
    recipe.frames[1].disposal = 2;  // cleared before frame 2
    recipe.frames[2].disposal = 3;  // restored before frame 3
    recipe.frames[3].transparentIndex = 3;  // draws nothing visible, still its rectangle
    const std::vector<ChangeStep> steps = {
        {0, {0, 0, 40, 30}},     // a new canvas
        {0, {}},                 // already there
        {1, {10, 10, 13, 12}},
        {2, {10, 10, 40, 30}},   // frame 1 cleared, frame 2 clipped to the screen
        {3, {1, 1, 40, 30}},     // frame 2 restored, frame 3
        {4, {5, 25, 7, 27}},
        {1, {1, 1, 40, 30}},     // starting over: all that frames 0 to 4 drew, then frames 0 and 1
        {3, {1, 1, 40, 30}},     // two steps at once: frames 1 to 3
    };
    GifAnimator animator = Animator(recipe);
    TBitmap32 before;
    for (const ChangeStep& step : steps) {
        SCOPED_TRACE("frame " + std::to_string(step.frame));
        ASSERT_TRUE(animator.ComposeFrame(step.frame).ok());
        const Rect changed = animator.ChangedRect();
        if (step.expected.IsEmpty())
            EXPECT_TRUE(changed.IsEmpty());
        else
            EXPECT_EQ(changed, step.expected);
        // A fresh composition of the same frame: starting over cleared only what was drawn.
        GifAnimator fresh = Animator(recipe);
        ASSERT_TRUE(fresh.ComposeFrame(step.frame).ok());
        EXPECT_TRUE(testing::SamePixels(animator.Canvas(), fresh.Canvas()));
        if (!before.Empty()) {
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 40; ++x)
                    if (animator.Canvas().Pixel(x, y) != before.Pixel(x, y)) {
                        ASSERT_TRUE(changed.Contains(x, y)) << x << ", " << y;
                    }
        }
        before = animator.Canvas();
    }
}

TEST(GifComposition, FramesStickingOutOfTheScreenAreClipped) {
    GifRecipe recipe{4, 4, kPalette};
    recipe.frames = {Filled(2, 2, 5, 5, 1)};
    GifAnimator animator = Animator(recipe);
    ASSERT_TRUE(animator.ComposeFrame(0).ok());
    EXPECT_EQ(animator.Canvas().Pixel(3, 3), kGreen);
    EXPECT_EQ(animator.Canvas().Pixel(1, 1), 0u);
}

TEST(GifDecoder, DecoderInterfaceReportsComposedFramesWithTheirDelays) {
    GifRecipe recipe{4, 4, kPalette};
    recipe.frames = {Filled(0, 0, 4, 4, 0), Filled(0, 0, 2, 2, 1)};
    recipe.frames[0].delayCs = 7;
    recipe.frames[1].delayCs = 0;
    const testing::Bytes bytes = testing::WriteGif(recipe);
    Result<DecoderPtr> decoder = CreateGifDecoder(bytes);
    ASSERT_TRUE(decoder.ok()) << decoder.message();
    EXPECT_EQ((*decoder)->FrameCount(), 2);
    Result<ImageFrame> second = (*decoder)->Frame(1);
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(second->durationMs, 0);
    EXPECT_EQ(second->bitmap.Pixel(0, 0), kGreen);
    EXPECT_EQ(second->bitmap.Pixel(3, 3), kRed);
    Result<ImageFrame> first = (*decoder)->Frame(0);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first->durationMs, 70);
    EXPECT_EQ(first->bitmap.Pixel(0, 0), kRed);
}

} // namespace
} // namespace vorlandite::raster

// Fitting, stretching through masks, background pictures, filters, colour keys, desktop copy.

#include "raster/ColorConversion.h"
#include "raster/DesktopCapture.h"
#include "raster/ImageFilters.h"
#include "raster/PictureFitting.h"

#include <gtest/gtest.h>

namespace vorlandite::raster {
namespace {

TBitmap32 Solid(int w, int h, TColor32 colour) {
    TBitmap32 b = TBitmap32::Create(w, h).value();
    b.Clear(colour);
    return b;
}

struct FitCase {
    const char* name;
    int areaWidth, areaHeight, width, height;
    Rect expected;
};

class FitRectTest : public testing::TestWithParam<FitCase> {};

TEST_P(FitRectTest, LargestCentredRectangleWithTheAspectRatio) {
    const FitCase& c = GetParam();
    EXPECT_EQ(FitRect(c.areaWidth, c.areaHeight, c.width, c.height), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitRectTest,
    testing::Values(FitCase{"EqualRatios", 1024, 768, 800, 600, {0, 0, 1024, 768}},
                    FitCase{"Wider", 1024, 768, 1100, 500, {0, 151, 1024, 616}},
                    FitCase{"SlightlyTaller", 1024, 768, 641, 481, {0, 0, 1023, 768}},
                    FitCase{"ZeroWidth", 1024, 768, 0, 500, {0, 0, 1024, 768}},
                    FitCase{"Taller", 1024, 768, 500, 1000, {320, 0, 704, 768}},
                    // Heights 5 * 2 / 4 = 2.5 and 7 * 2 / 4 = 3.5 round to the even neighbours 2 and 4.
                    FitCase{"HalfRoundsDownToEven", 5, 8, 4, 2, {0, 3, 5, 5}},
                    FitCase{"HalfRoundsUpToEven", 7, 8, 4, 2, {0, 2, 7, 6}},
                    FitCase{"WiderPictureCentredTooLarge", 1024, 768, 1200, 500, {0, 170, 1024, 597}}),
    [](const testing::TestParamInfo<FitCase>& row) { return std::string(row.param.name); });

TEST(ColourTest, ToColor32SwapsRedAndBlueAndIsOpaque) {
    EXPECT_EQ(ToColor32(0x00336699), 0xFF996633u);
    EXPECT_EQ(ToColor32(kNoColour), 0xFFFFFFFFu);
    EXPECT_EQ(ToColor32(0x80000005), 0xFFFFFFFFu);  // system colour 5, the window background
    EXPECT_EQ(ToColor32(0x80000008), 0xFF000000u);  // window text
    EXPECT_EQ(ToColor32(0x800000FF), 0xFF000000u);  // beyond the table
}

TEST(FilterTest, GreyWeighsBlueGreenRedAsStoredAndKeepsAlpha) {
    EXPECT_EQ(GreyValue(0xFF00FF00), 153);
    EXPECT_EQ(GreyValue(0xFFFFFFFF), 255);
    EXPECT_EQ(GreyValue(0xFF000000), 0);
    EXPECT_EQ(GreyValue(0xFFFF0000), 26);  // red: 25.5 to the even 26
    EXPECT_EQ(GreyValue(0xFF0000FF), 76);  // blue: 76.5 to the even 76
    TBitmap32 b = Solid(2, 1, 0x4000FF00);
    b.SetPixel(1, 0, 0x00FFFFFF);
    ApplyImageFilter(b, kFilterGrey);
    EXPECT_EQ(b.Pixel(0, 0), 0x40999999u);
    EXPECT_EQ(b.Pixel(1, 0), 0x00FFFFFFu);
}

TEST(FilterTest, MirrorAndFlipTogetherTurnByHalfAndOtherBitsAreIgnored) {
    TBitmap32 b = TBitmap32::Create(3, 2).value();
    for (int i = 0; i < 6; ++i)
        b.Pixels()[std::size_t(i)] = TColor32(i);
    TBitmap32 turned = b;
    ApplyImageFilter(turned, kFilterMirror | kFilterFlip | 8 | 0x100);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(turned.Pixel(x, y), b.Pixel(2 - x, 1 - y));
}

TEST(FilterTest, MakeColorTransparentCarriesTheBackgroundColour) {
    TBitmap32 b = Solid(3, 1, 0xFF123456);
    b.SetPixel(1, 0, 0x00123456);  // differs only in alpha: not the key
    b.SetPixel(2, 0, 0xFFABCDEF);
    MakeColorTransparent(b, 0xFF123456, 0x00336699);
    EXPECT_EQ(b.Pixel(0, 0), 0x00996633u);
    EXPECT_EQ(b.Pixel(1, 0), 0x00123456u);
    EXPECT_EQ(b.Pixel(2, 0), 0xFFABCDEFu);
}

struct MaskCase {
    const char* name;
    TColor32 mask;
    uint32_t alpha;
};

class MaskAlphaTest : public testing::TestWithParam<MaskCase> {};

TEST_P(MaskAlphaTest, AlphaComesFromTheMasksBlueChannel) {
    TBitmap32 surface = Solid(8, 6, 0x80ABCDEF);
    const TBitmap32 mask = Solid(3, 2, GetParam().mask);  // scaled to the surface's size
    ApplyMaskAlpha(surface, &mask);
    for (TColor32 p : surface.Pixels())
        ASSERT_EQ(p, GetParam().alpha << 24 | 0xABCDEFu);
}

INSTANTIATE_TEST_SUITE_P(Masks, MaskAlphaTest,
                         testing::Values(MaskCase{"White", 0xFFFFFFFF, 255}, MaskCase{"Black", 0xFF000000, 0},
                                         MaskCase{"OnlyBlueCounts", 0xFFFFFF40, 0x40}),
                         [](const testing::TestParamInfo<MaskCase>& row) { return std::string(row.param.name); });

TEST(MaskAlphaTest, AbsentOrEmptyMaskChangesNothing) {
    TBitmap32 surface = Solid(2, 2, 0x80ABCDEF);
    ApplyMaskAlpha(surface, nullptr);
    const TBitmap32 empty;
    ApplyMaskAlpha(surface, &empty);
    EXPECT_EQ(surface.Pixel(1, 1), 0x80ABCDEFu);
}

TEST(StretchPictureTest, OpaqueResetsTheSourceAndCoversTheRectangleOnly) {
    TBitmap32 picture = Solid(4, 4, 0x0000FF00);
    TBitmap32 frame = Solid(10, 10, 0xFFFF0000);
    StretchPictureOnto(picture, frame, {2, 2, 6, 8}, nullptr, true);
    EXPECT_EQ(picture.Pixel(0, 0), 0xFF00FF00u);
    EXPECT_EQ(frame.Pixel(2, 2), 0xFF00FF00u);
    EXPECT_EQ(frame.Pixel(5, 7), 0xFF00FF00u);
    EXPECT_EQ(frame.Pixel(1, 2), 0xFFFF0000u);
    EXPECT_EQ(frame.Pixel(6, 7), 0xFFFF0000u);
    EXPECT_EQ(frame.Pixel(5, 8), 0xFFFF0000u);
}

TEST(StretchPictureTest, TransparentPixelsShowTheTargetUnlessOpaque) {
    TBitmap32 picture = Solid(2, 2, 0x0000FF00);
    picture.SetPixel(0, 0, 0xFF0000FF);
    TBitmap32 frame = Solid(4, 4, 0xFFFF0000);
    StretchPictureOnto(picture, frame, {0, 0, 2, 2}, nullptr, false);
    EXPECT_EQ(frame.Pixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(frame.Pixel(1, 1), 0xFFFF0000u);
    EXPECT_EQ(picture.Pixel(1, 1), 0x0000FF00u);
}

TEST(StretchPictureTest, MaskShowsWhiteHidesBlackAndEmptyMaskIsNoMask) {
    TBitmap32 mask = Solid(2, 1, 0xFFFFFFFF);
    mask.SetPixel(1, 0, 0xFF000000);
    TBitmap32 picture = Solid(4, 4, 0xFF00FF00);
    TBitmap32 frame = Solid(8, 4, 0xFFFF0000);
    StretchPictureOnto(picture, frame, {0, 0, 8, 4}, &mask, true);
    EXPECT_EQ(frame.Pixel(0, 2), 0xFF00FF00u);  // under white
    EXPECT_EQ(frame.Pixel(7, 2), 0xFFFF0000u);  // under black
    // A mask that failed to load arrives empty; the picture must still show.
    const TBitmap32 empty;
    TBitmap32 second = Solid(8, 4, 0xFFFF0000);
    StretchPictureOnto(picture, second, {0, 0, 8, 4}, &empty, true);
    EXPECT_EQ(second.Pixel(7, 2), 0xFF00FF00u);
}

TEST(BackgroundPictureTest, TiledDrawsEveryTileCutAtTheCanvasEdge) {
    TBitmap32 picture = Solid(300, 200, 0xFF00FF00);
    picture.SetPixel(0, 0, 0xFF0000FF);  // marks each tile's origin
    TBitmap32 canvas = Solid(1024, 768, 0xFFFF0000);
    DrawBackgroundPicture(canvas, 1024, 768, 0, picture);
    int origins = 0;
    for (TColor32 p : canvas.Pixels())
        origins += p == 0xFF0000FF ? 1 : 0;
    EXPECT_EQ(origins, 16);
    EXPECT_EQ(canvas.Pixel(1023, 767), 0xFF00FF00u);
    EXPECT_EQ(canvas.Pixel(900, 600), 0xFF0000FFu);
}

TEST(BackgroundPictureTest, TiledWithAnEmptyPictureDrawsNothing) {
    TBitmap32 canvas = Solid(8, 8, 0xFFFF0000);
    DrawBackgroundPicture(canvas, 8, 8, 0, TBitmap32());
    EXPECT_EQ(canvas.Pixel(0, 0), 0xFFFF0000u);
}

TEST(BackgroundPictureTest, CentredTooLargeIsFittedAndCentredSmallIsUnscaled) {
    const TBitmap32 wide = Solid(1200, 500, 0x8000FF00);
    TBitmap32 canvas = Solid(1024, 768, 0xFFFF0000);
    DrawBackgroundPicture(canvas, 1024, 768, 2, wide);
    // Fitted into (0, 170, 1024, 597) and drawn opaque.
    EXPECT_EQ(canvas.Pixel(0, 169), 0xFFFF0000u);
    EXPECT_EQ(canvas.Pixel(0, 170), 0xFF00FF00u);
    EXPECT_EQ(canvas.Pixel(1023, 596), 0xFF00FF00u);
    EXPECT_EQ(canvas.Pixel(500, 597), 0xFFFF0000u);
    EXPECT_EQ(wide.Pixel(0, 0), 0x8000FF00u);  // the caller's picture keeps its alpha

    const TBitmap32 small = Solid(100, 50, 0xFF00FF00);
    TBitmap32 second = Solid(1024, 768, 0xFFFF0000);
    DrawBackgroundPicture(second, 1024, 768, 5, small);
    EXPECT_EQ(second.Pixel(462, 359), 0xFF00FF00u);
    EXPECT_EQ(second.Pixel(461, 359), 0xFFFF0000u);
    EXPECT_EQ(second.Pixel(561, 408), 0xFF00FF00u);
    EXPECT_EQ(second.Pixel(562, 408), 0xFFFF0000u);
}

class FixedScreen : public DesktopCapture {
public:
    explicit FixedScreen(bool works) : works_(works) {}
    Result<TBitmap32> GrabScreen() override {
        if (!works_)
            return MakeError("no screen");
        return Solid(4, 3, 0xFF0000FF);
    }

private:
    bool works_;
};

TEST(DesktopTest, CopiesTheScreenAtTheOriginAndIgnoresFailures) {
    TBitmap32 canvas = Solid(6, 2, 0xFFFF0000);
    FixedScreen broken(false);
    CaptureDesktop(canvas, broken);
    EXPECT_EQ(canvas.Pixel(0, 0), 0xFFFF0000u);
    FixedScreen screen(true);
    CaptureDesktop(canvas, screen);
    EXPECT_EQ(canvas.Pixel(3, 1), 0xFF0000FFu);
    EXPECT_EQ(canvas.Pixel(4, 1), 0xFFFF0000u);
}

} // namespace
} // namespace vorlandite::raster

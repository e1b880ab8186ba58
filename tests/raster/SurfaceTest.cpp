// The surface's own operations: sizes, fills, alpha, mirror and flip, drawing at a point with
// copy and blend, master alpha, and clipping against both surfaces.

#include "raster/BitmapBlend.h"
#include "raster/BitmapDraw.h"
#include "raster/TBitmap32.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

namespace vorlandite::raster {
namespace {

// Pixel (x, y) of a w x h surface gets a colour that names its position.
TBitmap32 Numbered(int w, int h, uint32_t alpha = 0xFF) {
    TBitmap32 b = TBitmap32::Create(w, h).value();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, alpha << 24 | uint32_t(y) << 8 | uint32_t(x));
    return b;
}

TEST(SurfaceTest, NewAndResizedPixelsAreTransparentBlack) {
    TBitmap32 b = TBitmap32::Create(3, 2).value();
    b.Clear(0xFF123456);
    ASSERT_TRUE(b.SetSize(5, 4));
    for (TColor32 p : b.Pixels())
        EXPECT_EQ(p, 0u);
    EXPECT_FALSE(TBitmap32::Create(-1, 5).ok());
    EXPECT_FALSE(TBitmap32::Create(1 << 15, 1 << 14).ok());
    EXPECT_TRUE(TBitmap32::Create(0, 0).ok());
}

TEST(SurfaceTest, FillRectIsClippedAndResetAlphaKeepsColours) {
    TBitmap32 b = TBitmap32::Create(4, 3).value();
    b.FillRect({-5, 1, 2, 99}, 0x00ABCDEF);
    EXPECT_EQ(b.Pixel(0, 1), 0x00ABCDEFu);
    EXPECT_EQ(b.Pixel(1, 2), 0x00ABCDEFu);
    EXPECT_EQ(b.Pixel(2, 1), 0u);
    EXPECT_EQ(b.Pixel(0, 0), 0u);
    b.ResetAlpha();
    EXPECT_EQ(b.Pixel(0, 1), 0xFFABCDEFu);
    EXPECT_EQ(b.Pixel(3, 0), 0xFF000000u);
}

TEST(SurfaceTest, MirrorAndFlipInPlace) {
    TBitmap32 b = Numbered(3, 3);
    const TBitmap32 original = b;
    b.Mirror();
    EXPECT_EQ(b.Pixel(0, 1), original.Pixel(2, 1));
    EXPECT_EQ(b.Pixel(1, 1), original.Pixel(1, 1));
    b.Mirror();
    b.Flip();
    EXPECT_EQ(b.Pixel(2, 0), original.Pixel(2, 2));
    EXPECT_EQ(b.Pixel(0, 1), original.Pixel(0, 1));
}

struct BlendCase {
    const char* name;
    TColor32 front;
    TColor32 back;
    TColor32 expected;
};

class BlendPixelTest : public testing::TestWithParam<BlendCase> {};

TEST_P(BlendPixelTest, MatchesTheFormulaOnAllFourChannels) {
    const BlendCase& c = GetParam();
    EXPECT_EQ(BlendPixel(c.front, c.back), c.expected);
    // The row kernel (vectorised) must agree with the scalar formula.
    TColor32 row[1] = {c.back};
    BlendRow(&c.front, row, 1);
    EXPECT_EQ(row[0], c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlendPixelTest,
    testing::Values(BlendCase{"OpaqueReplacesExactly", 0xFF123456, 0xFFABCDEF, 0xFF123456},
                    BlendCase{"TransparentLeavesExactly", 0x00123456, 0x80ABCDEF, 0x80ABCDEF},
                    // a = 128/255: colours 255 * 128 / 255 = 128; alpha 128 * 128 + 255 * 127 over 255 = 191.25
                    BlendCase{"HalfWhiteOverOpaqueBlack", 0x80FFFFFF, 0xFF000000, 0xBF808080},
                    // Over a transparent pixel a half-transparent one keeps a reduced alpha.
                    BlendCase{"HalfOverTransparent", 0x80FF0000, 0x00000000, 0x40800000}),
    [](const testing::TestParamInfo<BlendCase>& row) { return std::string(row.param.name); });

TEST(BlendRowTest, AgreesWithScalarFormulaForEveryAlphaAndRowLength) {
    std::mt19937 random(7);
    // Lengths around the vector widths catch a wrong loop tail.
    for (std::size_t length : {1u, 3u, 4u, 7u, 8u, 15u, 16u, 17u, 31u, 33u, 64u, 255u, 256u, 257u}) {
        std::vector<TColor32> front(length), back(length);
        for (std::size_t i = 0; i < length; ++i) {
            front[i] = (uint32_t(random()) & 0x00FFFFFFu) | uint32_t(i * 37 % 256) << 24;
            back[i] = uint32_t(random());
        }
        for (uint8_t master : {uint8_t(255), uint8_t(200), uint8_t(1)}) {
            std::vector<TColor32> row = back;
            if (master == 255)
                BlendRow(front.data(), row.data(), length);
            else
                BlendRowMaster(front.data(), row.data(), length, master);
            for (std::size_t i = 0; i < length; ++i)
                ASSERT_EQ(row[i], BlendPixelMaster(front[i], back[i], master)) << "length " << length << " at " << i;
        }
    }
}

TEST(BlendRowTest, MasterAlphaCombinesWithPixelAlpha) {
    EXPECT_EQ(CombineAlpha(255, 255), 255u);
    EXPECT_EQ(CombineAlpha(255, 0), 0u);
    EXPECT_EQ(CombineAlpha(255, 128), 128u);
    EXPECT_EQ(CombineAlpha(128, 128), 64u);
    // Master 0 leaves the target exactly, master 255 is the plain blend.
    EXPECT_EQ(BlendPixelMaster(0xFF123456, 0xFFABCDEF, 0), 0xFFABCDEFu);
    EXPECT_EQ(BlendPixelMaster(0x7F123456, 0xFFABCDEF, 255), BlendPixel(0x7F123456, 0xFFABCDEF));
}

struct ClipCase {
    const char* name;
    int x, y;
    int written;  // number of target pixels that change
};

class DrawClipTest : public testing::TestWithParam<ClipCase> {};

TEST_P(DrawClipTest, WritesOnlyTheOverlap) {
    const ClipCase& c = GetParam();
    const TBitmap32 source = Numbered(4, 4);
    TBitmap32 target = TBitmap32::Create(6, 5).value();
    target.Clear(0xDEADBEEF);
    DrawBitmap(target, c.x, c.y, source, {});
    int written = 0;
    for (int y = 0; y < target.Height(); ++y)
        for (int x = 0; x < target.Width(); ++x) {
            const TColor32 p = target.Pixel(x, y);
            if (p == 0xDEADBEEF)
                continue;
            ++written;
            ASSERT_EQ(p, source.Pixel(x - c.x, y - c.y)) << x << "," << y;
        }
    EXPECT_EQ(written, c.written);
}

INSTANTIATE_TEST_SUITE_P(Cases, DrawClipTest,
                         testing::Values(ClipCase{"Inside", 1, 1, 16}, ClipCase{"TopLeftOut", -2, -3, 2},
                                         ClipCase{"BottomRightOut", 4, 3, 4},
                                         ClipCase{"FarAway", INT_MAX - 1, INT_MIN + 1, 0},
                                         ClipCase{"JustLeftOf", -4, 0, 0}),
                         [](const testing::TestParamInfo<ClipCase>& row) { return std::string(row.param.name); });

TEST(DrawTest, BlendModeUsesTheSurfacesOwnProperties) {
    TBitmap32 front = TBitmap32::Create(2, 1).value();
    front.SetPixel(0, 0, 0xFF00FF00);
    front.SetPixel(1, 0, 0x0000FF00);
    front.SetDrawMode(DrawMode::Blend);
    TBitmap32 target = TBitmap32::Create(2, 1).value();
    target.Clear(0xFFFF0000);
    const TBitmap32 copy = front;  // properties are taken over by a copy
    copy.DrawTo(target, 0, 0);
    EXPECT_EQ(target.Pixel(0, 0), 0xFF00FF00u);
    EXPECT_EQ(target.Pixel(1, 0), 0xFFFF0000u);

    front.SetMasterAlpha(0);
    front.DrawTo(target);
    EXPECT_EQ(target.Pixel(0, 0), 0xFF00FF00u);
}

TEST(DrawTest, DrawingASurfaceOntoItselfReadsTheOriginal) {
    TBitmap32 b = Numbered(3, 1);
    const TBitmap32 original = b;
    DrawBitmap(b, 1, 0, b, {});
    EXPECT_EQ(b.Pixel(0, 0), original.Pixel(0, 0));
    EXPECT_EQ(b.Pixel(1, 0), original.Pixel(0, 0));
    EXPECT_EQ(b.Pixel(2, 0), original.Pixel(1, 0));
}

TEST(DrawTest, SourceOpaqueBlendsAsIfEveryAlphaWere255) {
    TBitmap32 source = TBitmap32::Create(1, 1).value();
    source.SetPixel(0, 0, 0x10203040);
    TBitmap32 target = TBitmap32::Create(1, 1).value();
    target.Clear(0xFFFFFFFF);
    DrawBitmap(target, 0, 0, source, DrawOptions{DrawMode::Blend, 255, StretchFilter::Nearest, true});
    EXPECT_EQ(target.Pixel(0, 0), 0xFF203040u);
    EXPECT_EQ(source.Pixel(0, 0), 0x10203040u);
}

} // namespace
} // namespace vorlandite::raster

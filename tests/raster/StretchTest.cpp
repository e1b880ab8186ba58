// Stretched drawing: nearest and bilinear on small known inputs, exact copies at equal sizes,
// clipping of destination and source rectangles.

#include "raster/BitmapDraw.h"
#include "raster/TBitmap32.h"

#include <gtest/gtest.h>

#include <vector>

namespace vorlandite::raster {
namespace {

TBitmap32 Row(std::vector<TColor32> pixels) {
    TBitmap32 b = TBitmap32::Create(int(pixels.size()), 1).value();
    for (std::size_t i = 0; i < pixels.size(); ++i)
        b.SetPixel(int(i), 0, pixels[i]);
    return b;
}

std::vector<TColor32> RowOf(const TBitmap32& b, int y = 0) {
    auto row = b.Scanline(y);
    return {row.begin(), row.end()};
}

constexpr DrawOptions kNearest{DrawMode::Opaque, 255, StretchFilter::Nearest, false};
constexpr DrawOptions kLinear{DrawMode::Opaque, 255, StretchFilter::Linear, false};

TEST(StretchTest, NearestReplicatesPixels) {
    const TBitmap32 source = Row({0xFF000001, 0xFF000002});
    TBitmap32 target = TBitmap32::Create(5, 1).value();
    StretchBitmap(target, {0, 0, 4, 1}, source, source.BoundsRect(), kNearest);
    EXPECT_EQ(RowOf(target), (std::vector<TColor32>{0xFF000001, 0xFF000001, 0xFF000002, 0xFF000002, 0}));
    // Shrinking picks the pixel under each centre: 0.75 -> 0, 2.25 -> 2 of four.
    const TBitmap32 four = Row({1, 2, 3, 4});
    TBitmap32 two = TBitmap32::Create(2, 1).value();
    StretchBitmap(two, two.BoundsRect(), four, four.BoundsRect(), kNearest);
    EXPECT_EQ(RowOf(two), (std::vector<TColor32>{2, 4}));
}

TEST(StretchTest, BilinearInterpolatesBetweenCentresAndRepeatsEdges) {
    // Two pixels into four: samples at -0.25 (edge), 0.25, 0.75, 1.25 (edge) of the source.
    const TBitmap32 source = Row({0xFF000000, 0xFFFFFFFF});
    TBitmap32 target = TBitmap32::Create(4, 1).value();
    StretchBitmap(target, target.BoundsRect(), source, source.BoundsRect(), kLinear);
    // 0.25 * 255 = 63.75 and 0.75 * 255 = 191.25, rounded.
    EXPECT_EQ(RowOf(target), (std::vector<TColor32>{0xFF000000, 0xFF404040, 0xFFBFBFBF, 0xFFFFFFFF}));
}

TEST(StretchTest, BilinearHalvingAveragesPairsOnAllChannels) {
    const TBitmap32 source = Row({0x00000000, 0xFFFFFFFF, 0x10203040, 0x30405060});
    TBitmap32 target = TBitmap32::Create(2, 1).value();
    StretchBitmap(target, target.BoundsRect(), source, source.BoundsRect(), kLinear);
    EXPECT_EQ(RowOf(target), (std::vector<TColor32>{0x80808080, 0x20304050}));
}

TEST(StretchTest, BilinearInTwoDimensions) {
    TBitmap32 source = TBitmap32::Create(2, 2).value();
    source.SetPixel(0, 0, 0xFF000000);
    source.SetPixel(1, 0, 0xFF0000FF);
    source.SetPixel(0, 1, 0xFF00FF00);
    source.SetPixel(1, 1, 0xFFFF0000);
    TBitmap32 target = TBitmap32::Create(4, 4).value();
    StretchBitmap(target, target.BoundsRect(), source, source.BoundsRect(), kLinear);
    // Corners keep the source pixels; (1, 1) weighs them 9 : 3 : 3 : 1 (sixteenths).
    EXPECT_EQ(target.Pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(target.Pixel(3, 3), 0xFFFF0000u);
    // blue 255 * 3/16 = 47.8, green 47.8, red 255 / 16 = 15.9
    EXPECT_EQ(target.Pixel(1, 1), 0xFF103030u);
}

TEST(StretchTest, EqualSizesCopyExactlyUnderBothFilters) {
    TBitmap32 source = TBitmap32::Create(3, 2).value();
    for (int i = 0; i < 6; ++i)
        source.Pixels()[std::size_t(i)] = 0x01020304u * uint32_t(i + 1) + 0x80000000u;
    for (const DrawOptions& options : {kNearest, kLinear}) {
        TBitmap32 target = TBitmap32::Create(5, 4).value();
        StretchBitmap(target, {2, 2, 5, 4}, source, source.BoundsRect(), options);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(target.Pixel(2 + x, 2 + y), source.Pixel(x, y));
        EXPECT_EQ(target.Pixel(1, 2), 0u);
    }
}

TEST(StretchTest, DestinationOutsideTheTargetIsClipped) {
    const TBitmap32 source = Row({1, 2, 3, 4});
    TBitmap32 target = TBitmap32::Create(3, 1).value();
    // Destination columns -2 .. 5 (doubling): the target shows destination columns 0..2.
    StretchBitmap(target, {-2, 0, 6, 1}, source, source.BoundsRect(), kNearest);
    EXPECT_EQ(RowOf(target), (std::vector<TColor32>{2, 2, 3}));
    // A huge zoom rectangle far beyond the target stays inside both buffers.
    TBitmap32 small = TBitmap32::Create(4, 4).value();
    StretchBitmap(small, {-100000, -100000, 100000, 100000}, source, source.BoundsRect(), kLinear);
    EXPECT_NE(small.Pixel(0, 0), 0u);
}

TEST(StretchTest, SourceRectangleBeyondTheSourceLeavesThosePixels) {
    const TBitmap32 source = Row({1, 2});
    TBitmap32 target = TBitmap32::Create(4, 1).value();
    target.Clear(9);
    // Source columns -1 .. 2 map 1:1 onto target columns 0 .. 3; columns -1 and 2 do not exist.
    StretchBitmap(target, {0, 0, 4, 1}, source, {-1, 0, 3, 1}, kLinear);
    EXPECT_EQ(RowOf(target), (std::vector<TColor32>{9, 1, 2, 9}));
}

TEST(StretchTest, EmptyOrInvertedRectanglesDrawNothing) {
    const TBitmap32 source = Row({1, 2});
    TBitmap32 target = TBitmap32::Create(2, 1).value();
    StretchBitmap(target, {2, 0, 0, 1}, source, source.BoundsRect(), kNearest);
    StretchBitmap(target, {0, 0, 2, 1}, source, {1, 0, 1, 1}, kNearest);
    EXPECT_EQ(RowOf(target), (std::vector<TColor32>{0, 0}));
}

// The plain copy every presenter and effect uses: pixels and alpha as they are, whatever drawing
// properties a fade left on the source, clipped to both surfaces.
TEST(CopyRectTest, CopiesInPlaceClippedToBothSurfacesIgnoringDrawingProperties) {
    TBitmap32 source = TBitmap32::Create(4, 3).value();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            source.SetPixel(x, y, 0x10000000u * unsigned(x) + unsigned(10 * y + x));
    source.SetDrawMode(DrawMode::Blend);
    source.SetMasterAlpha(0);
    TBitmap32 target = TBitmap32::Create(3, 4).value();
    target.Clear(0xFFFFFFFF);
    CopyRect(target, source, {-5, 1, 10, 10});  // beyond both: rows 1-2 of source, columns 0-2 of target
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(target.Pixel(x, y), (y == 1 || y == 2) ? source.Pixel(x, y) : 0xFFFFFFFFu) << x << "," << y;
}

TEST(CopyRectTest, EmptyInvertedOrSelfCopiesChangeNothing) {
    TBitmap32 source = TBitmap32::Create(4, 4).value();
    source.Clear(0xFF112233);
    TBitmap32 target = TBitmap32::Create(4, 4).value();
    CopyRect(target, source, {3, 0, 1, 4});   // inverted
    CopyRect(target, source, {2, 2, 2, 4});   // empty
    CopyRect(target, source, {10, 10, 20, 20});  // outside
    CopyRect(target, target, target.BoundsRect());
    for (TColor32 p : target.Pixels())
        EXPECT_EQ(p, 0u);
}

TEST(CopyRectTest, BetweenRectanglesMovesOrReplicatesOpaquely) {
    const TBitmap32 source = Row({0x00000001, 0x80000002, 0xFF000003});
    TBitmap32 moved = TBitmap32::Create(5, 1).value();
    CopyRect(moved, {2, 0, 5, 1}, source, source.BoundsRect());
    EXPECT_EQ(RowOf(moved), (std::vector<TColor32>{0, 0, 0x00000001, 0x80000002, 0xFF000003}));
    TBitmap32 wide = TBitmap32::Create(6, 1).value();
    CopyRect(wide, wide.BoundsRect(), source, source.BoundsRect());
    EXPECT_EQ(RowOf(wide), (std::vector<TColor32>{0x00000001, 0x00000001, 0x80000002, 0x80000002, 0xFF000003,
                                                  0xFF000003}));
}

TEST(StretchTest, BlendModeKeepsTheTargetUnderTransparentPixels) {
    const TBitmap32 source = Row({0x00FF0000, 0xFF00FF00});
    TBitmap32 target = TBitmap32::Create(2, 2).value();
    target.Clear(0xFF0000FF);
    StretchBitmap(target, {0, 0, 2, 2}, source, source.BoundsRect(),
                  DrawOptions{DrawMode::Blend, 255, StretchFilter::Nearest, false});
    EXPECT_EQ(target.Pixel(0, 1), 0xFF0000FFu);
    EXPECT_EQ(target.Pixel(1, 1), 0xFF00FF00u);
}

} // namespace
} // namespace vorlandite::raster

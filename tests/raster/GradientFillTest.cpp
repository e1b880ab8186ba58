// The gradient styles: exact band edges and colours, coverage of the whole area, clipping.

#include "raster/GradientFill.h"
#include "raster/RasterMath.h"
#include "raster/Region.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace vorlandite::raster {
namespace {

constexpr uint32_t kBlack = 0x00000000;
constexpr uint32_t kWhite = 0x00FFFFFF;
constexpr uint32_t kRed = 0x000000FF;   // 0x00BBGGRR
constexpr uint32_t kBlue = 0x00FF0000;

TBitmap32 Painted(int style, int w, int h, uint32_t from, uint32_t to) {
    TBitmap32 b = TBitmap32::Create(w, h).value();
    GradientFill(b, style, from, to, {0, 0, w, h});
    return b;
}

TColor32 Grey(int v) { return 0xFF000000u | uint32_t(v) * 0x010101u; }

TEST(MulDivTest, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDiv(1, 800, 256), 3);
    EXPECT_EQ(MulDiv(4, 800, 256), 13);  // 12.5
    EXPECT_EQ(MulDiv(-4, 800, 256), -13);
    EXPECT_EQ(MulDiv(1, -255, 155), -2);  // -1.645
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);
    EXPECT_EQ(MulDiv(7, 0x40000000, 0x40000000), 7);  // the product needs 64 bits
    EXPECT_EQ(MulDiv(5, 3, 0), -1);
}

TEST(GradientTest, BandColoursRunFromStartToEnd) {
    EXPECT_EQ(GradientBandColour(0, 155, kRed, kBlue), 0xFFFF0000u);
    // Red 255 + MulDiv(1, -255, 155) = 253, blue MulDiv(1, 255, 155) = 2.
    EXPECT_EQ(GradientBandColour(1, 155, kRed, kBlue), 0xFFFD0002u);
    EXPECT_EQ(GradientBandColour(155, 155, kRed, kBlue), 0xFF0000FFu);
    // The top byte of a colour value is ignored.
    EXPECT_EQ(GradientBandColour(0, 255, 0x1FFFFFFF, kBlack), 0xFFFFFFFFu);
}

struct BandEdgeCase {
    const char* name;
    int width;
    std::vector<int> firstEdges;
};

class HorizontalBandTest : public testing::TestWithParam<BandEdgeCase> {};

TEST_P(HorizontalBandTest, BandEdgesFollowMulDiv) {
    const BandEdgeCase& c = GetParam();
    const TBitmap32 b = Painted(2, c.width, 3, kBlack, kWhite);
    // Band i is grey i; the columns where the colour changes are the band edges.
    std::vector<int> edges{0};
    for (int x = 1; x < c.width && edges.size() < c.firstEdges.size(); ++x)
        if (b.Pixel(x, 1) != b.Pixel(x - 1, 1))
            edges.push_back(x);
    EXPECT_EQ(edges, c.firstEdges);
    EXPECT_EQ(b.Pixel(0, 0), Grey(0));
    EXPECT_EQ(b.Pixel(c.width - 1, 2), Grey(255));
    for (int x = 0; x < c.width; ++x)
        ASSERT_EQ(b.Pixel(x, 2), Grey([&] {
                      for (int i = 0; i < 256; ++i)
                          if (x < MulDiv(i + 1, c.width, 256))
                              return i;
                      return 255;
                  }()))
            << "column " << x;
}

INSTANTIATE_TEST_SUITE_P(Widths, HorizontalBandTest,
                         testing::Values(BandEdgeCase{"Width1024", 1024, {0, 4, 8, 12, 16, 20}},
                                         BandEdgeCase{"Width800", 800, {0, 3, 6, 9, 13, 16}}),
                         [](const testing::TestParamInfo<BandEdgeCase>& row) { return std::string(row.param.name); });

TEST(GradientTest, VerticalBlackToWhiteGivesGreyBands) {
    const TBitmap32 b = Painted(1, 4, 768, kBlack, kWhite);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(b.Pixel(3, MulDiv(i, 768, 256)), Grey(i)) << i;
    EXPECT_EQ(b.Pixel(0, 767), Grey(255));
}

TEST(GradientTest, EllipticFirstBoxAndColours) {
    EXPECT_EQ(GradientEllipseBox(0, 1024, 768), (Rect{-251, -188, 1279, 960}));
    const Rect last = GradientEllipseBox(155, 1024, 768);
    EXPECT_GT(last.left, last.right);  // a few pixels inverted, still drawn between the two
    const TBitmap32 b = Painted(3, 1024, 768, kRed, kBlue);
    // Ellipses 0 to 7 reach the top-left pixel centre, 0 to 9 the bottom-right one (the boxes
    // reach 4 pixels further right and down than left and up).
    EXPECT_EQ(b.Pixel(0, 0), GradientBandColour(7, 155, kRed, kBlue));
    EXPECT_EQ(b.Pixel(1023, 767), GradientBandColour(9, 155, kRed, kBlue));
    // The centre of the last (inverted) box, (511, 384, 516, 387) sorted.
    EXPECT_EQ(b.Pixel(513, 385), 0xFF0000FFu);
}

TEST(GradientTest, MirroredVerticalMeetsInTheMiddleRow) {
    const TBitmap32 b = Painted(5, 2, 768, kBlack, kWhite);
    const int m = 384;
    // Rows 383 and 384 are painted again by the last band from both sides.
    for (int i = 0; i < m - 1; ++i) {
        const TColor32 expected = GradientBandColour(i, m, kBlack, kWhite);
        ASSERT_EQ(b.Pixel(0, i), expected) << i;
        ASSERT_EQ(b.Pixel(1, 767 - i), expected) << i;
    }
    EXPECT_EQ(b.Pixel(0, 383), Grey(255));
    EXPECT_EQ(b.Pixel(0, 384), Grey(255));
}

TEST(GradientTest, MirroredHorizontalWithOddWidth) {
    const TBitmap32 b = Painted(6, 801, 2, kBlack, kWhite);
    const int m = 400;
    for (int i = 0; i <= m; ++i) {
        ASSERT_EQ(b.Pixel(i, 0), GradientBandColour(i, m, kBlack, kWhite));
        ASSERT_EQ(b.Pixel(800 - i, 1), GradientBandColour(i, m, kBlack, kWhite));
    }
}

TEST(GradientTest, RectangularHasStartAtTheBorderAndEndInTheCentre) {
    const TBitmap32 b = Painted(4, 1024, 768, kBlack, kWhite);
    EXPECT_EQ(b.Pixel(0, 400), Grey(0));
    EXPECT_EQ(b.Pixel(1023, 0), Grey(0));
    // Rectangle i starts at Trunc(i * 512 / 255): column 5 belongs to rectangle 2.
    EXPECT_EQ(b.Pixel(5, 384), Grey(2));
    EXPECT_EQ(b.Pixel(509, 383), Grey(254));
}

TEST(GradientTest, PinwheelAndDoubleDiagonalCorners) {
    const TBitmap32 pin = Painted(7, 640, 480, kBlack, kWhite);
    EXPECT_EQ(pin.Pixel(0, 0), Grey(0));
    EXPECT_EQ(pin.Pixel(639, 479), Grey(0));
    EXPECT_EQ(pin.Pixel(0, 479), Grey(255));
    EXPECT_EQ(pin.Pixel(639, 0), Grey(255));

    const TBitmap32 diagonal = Painted(8, 640, 480, kBlack, kWhite);
    EXPECT_EQ(diagonal.Pixel(0, 0), Grey(0));
    EXPECT_EQ(diagonal.Pixel(639, 479), Grey(0));
    EXPECT_GE(diagonal.Pixel(320, 240) & 0xFF, 250u);  // on the diagonal from (0, H) to (W, 0)
    // Halfway from the corner to the centre: polygon i reaches it while MulDiv(i, 320, 255) <= 160.
    EXPECT_EQ(diagonal.Pixel(160, 120), Grey(127));
}

struct CoverageCase {
    int style;
    int width;
    int height;
};

class GradientCoverageTest : public testing::TestWithParam<CoverageCase> {};

// Equal colours paint one flat colour: any gap between bands would show as white.
TEST_P(GradientCoverageTest, EqualColoursPaintOneFlatColour) {
    const CoverageCase& c = GetParam();
    const TBitmap32 b = Painted(c.style, c.width, c.height, 0x00336699, 0x00336699);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            ASSERT_EQ(b.Pixel(x, y), 0xFF996633u) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(
    StylesAndSizes, GradientCoverageTest,
    testing::ValuesIn([] {
        std::vector<CoverageCase> cases;
        for (int style = 1; style <= 8; ++style)
            for (auto [w, h] : {std::pair{800, 600}, std::pair{1024, 768}, std::pair{333, 201}, std::pair{17, 5}})
                // At 17 x 5 the first ellipse misses the corners (its box reaches only 4 pixels
                // left of the area), so style 3 leaves them white there; not a screen size.
                if (style != 3 || w > 17)
                    cases.push_back({style, w, h});
        return cases;
    }()),
    [](const testing::TestParamInfo<CoverageCase>& row) {
        return "Style" + std::to_string(row.param.style) + "_" + std::to_string(row.param.width) + "x" +
               std::to_string(row.param.height);
    });

// The literal definition: every shape filled whole, one over the other, from white.
TBitmap32 PaintedShapeByShape(int style, int w, int h, uint32_t from, uint32_t to) {
    TBitmap32 b = TBitmap32::Create(w, h).value();
    b.Clear(0xFFFFFFFF);
    auto fill = [&](const Region& region, TColor32 colour) {
        for (int y = std::max(region.Top(), 0); y < std::min(region.Bottom(), h); ++y)
            for (const Span& s : region.Row(y))
                b.FillRect({s.left, y, s.right, y + 1}, colour);
    };
    auto polygon = [&](std::initializer_list<Point> points, TColor32 colour) {
        const std::vector<Point> v(points);
        fill(Region::FromConvexPolygon(v), colour);
    };
    if (style == 3)
        for (int i = 0; i <= 155; ++i)
            fill(Region::FromEllipse(GradientEllipseBox(i, w, h)), GradientBandColour(i, 155, from, to));
    if (style == 4) {
        double x1 = 0, x2 = w, y1 = 0, y2 = h;
        for (int i = 0; i <= 255; ++i) {
            fill(Region::FromRect({int(x1), int(y1), int(x2), int(y2)}), GradientBandColour(i, 255, from, to));
            x1 += w / 2.0 / 255, x2 -= w / 2.0 / 255, y1 += h / 2.0 / 255, y2 -= h / 2.0 / 255;
        }
    }
    if (style == 7) {
        const Point c{w / 2, h / 2};
        for (int i = 0; i <= 255; ++i) {
            const int x0 = MulDiv(i, w, 255), x1 = MulDiv(i + 1, w, 255);
            const int y0 = MulDiv(i, h, 255), y1 = MulDiv(i + 1, h, 255);
            const TColor32 colour = GradientBandColour(i, 255, from, to);
            polygon({c, {0, y0}, {0, y1}}, colour);
            polygon({c, {w, h - y0}, {w, h - y1}}, colour);
            polygon({c, {x0, 0}, {x1, 0}}, colour);
            polygon({c, {w - x0, h}, {w - x1, h}}, colour);
        }
    }
    if (style == 8)
        for (int i = 0; i <= 255; ++i) {
            const int x = MulDiv(i, w / 2, 255), y = MulDiv(i, h / 2, 255);
            polygon({{x, y}, {0, h}, {w - x, h - y}, {w, 0}}, GradientBandColour(i, 255, from, to));
        }
    return b;
}

class GradientPainterTest : public testing::TestWithParam<CoverageCase> {};

// The fill paints bands by rows of spans and skips what later bands cover; the result must be
// exactly that of painting every shape whole in order.
TEST_P(GradientPainterTest, PaintsLikeShapesOneOverAnother) {
    const CoverageCase& c = GetParam();
    const TBitmap32 fast = Painted(c.style, c.width, c.height, 0x00102030, 0x00F0E0D0);
    const TBitmap32 literal = PaintedShapeByShape(c.style, c.width, c.height, 0x00102030, 0x00F0E0D0);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            ASSERT_EQ(fast.Pixel(x, y), literal.Pixel(x, y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(
    ShapeStyles, GradientPainterTest,
    testing::ValuesIn([] {
        std::vector<CoverageCase> cases;
        for (int style : {3, 4, 7, 8})
            for (auto [w, h] : {std::pair{640, 480}, std::pair{333, 201}, std::pair{97, 61}})
                cases.push_back({style, w, h});
        return cases;
    }()),
    [](const testing::TestParamInfo<CoverageCase>& row) {
        return "Style" + std::to_string(row.param.style) + "_" + std::to_string(row.param.width) + "x" +
               std::to_string(row.param.height);
    });

TEST(GradientTest, PaintsOnlyTheRequestedAreaAndClipsToTheCanvas) {
    TBitmap32 b = TBitmap32::Create(20, 10).value();
    b.Clear(0x12345678);
    GradientFill(b, 1, kBlack, kWhite, {5, 5, 12, 6});  // left and top are not used
    EXPECT_NE(b.Pixel(0, 0), 0x12345678u);
    EXPECT_NE(b.Pixel(11, 5), 0x12345678u);
    EXPECT_EQ(b.Pixel(12, 0), 0x12345678u);
    EXPECT_EQ(b.Pixel(0, 6), 0x12345678u);
    // A canvas smaller than the area shows the corner of the full-size gradient.
    for (int style = 1; style <= 8; ++style) {
        const TBitmap32 full = Painted(style, 1920, 1080, kRed, kBlue);
        TBitmap32 small = TBitmap32::Create(7, 3).value();
        GradientFill(small, style, kRed, kBlue, {0, 0, 1920, 1080});
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(small.Pixel(x, y), full.Pixel(x, y)) << "style " << style;
    }
}

TEST(GradientTest, HugeAreaOnASmallCanvasOnlyWorksOnTheVisiblePart) {
    for (int style = 1; style <= 8; ++style) {
        TBitmap32 small = TBitmap32::Create(5, 4).value();
        GradientFill(small, style, kRed, kBlue, {0, 0, 1 << 30, 1 << 30});
        // The top-left corner of every style lies in its first bands, near the start colour.
        EXPECT_GE((small.Pixel(0, 0) >> 16) & 0xFF, 200u) << style;
    }
}

TEST(GradientTest, UnknownStyleLeavesTheAreaWhite) {
    const TBitmap32 b = Painted(9, 4, 4, kRed, kBlue);
    std::set<TColor32> colours(b.Pixels().begin(), b.Pixels().end());
    EXPECT_EQ(colours, (std::set<TColor32>{0xFFFFFFFF}));
}

} // namespace
} // namespace vorlandite::raster

// Span regions: shapes sampled at pixel centres, boolean combinations, painting through them.

#include "raster/Region.h"

#include <gtest/gtest.h>

#include <array>

namespace vorlandite::raster {
namespace {

int64_t CountInside(const Region& region, const Rect& area) {
    int64_t n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            n += region.Contains(x, y) ? 1 : 0;
    return n;
}

TEST(RegionTest, BooleanCombinationsOfRectangles) {
    const Region a = Region::FromRect({0, 0, 10, 10});
    const Region b = Region::FromRect({5, 5, 15, 15});
    EXPECT_EQ(a.United(b).Area(), 175);
    EXPECT_EQ(a.Intersected(b).Area(), 25);
    EXPECT_EQ(a.Intersected(b).BoundingBox(), (Rect{5, 5, 10, 10}));
    EXPECT_EQ(a.Xored(b).Area(), 150);
    EXPECT_EQ(a.Subtracted(b).Area(), 75);
    EXPECT_TRUE(a.Intersected(Region::FromRect({20, 20, 30, 30})).IsEmpty());
    // The exclusive-or of a shape with the whole picture is the picture outside the shape.
    const Region hole = Region::FromRect({2, 2, 8, 8}).Xored(a);
    EXPECT_FALSE(hole.Contains(4, 4));
    EXPECT_TRUE(hole.Contains(0, 9));
    EXPECT_EQ(hole.Area(), 64);
    EXPECT_EQ(CountInside(hole, {-1, -1, 12, 12}), 64);
}

TEST(RegionTest, TouchingSpansMergeAndEmptyInputsWork) {
    const Region joined = Region::FromRect({0, 0, 5, 1}).United(Region::FromRect({5, 0, 9, 1}));
    ASSERT_EQ(joined.Row(0).size(), 1u);
    EXPECT_EQ(joined.Row(0)[0], (Span{0, 9}));
    EXPECT_EQ(Region().United(joined).Area(), 9);
    EXPECT_TRUE(Region().Intersected(joined).IsEmpty());
    EXPECT_EQ(Region().BoundingBox(), (Rect{}));
    EXPECT_TRUE(Region::FromRect({3, 3, 1, 5}).IsEmpty());
}

TEST(RegionTest, TrianglesSharingAnEdgeTileWithoutGapOrOverlap) {
    // A 13 x 7 rectangle cut along a diagonal that passes between pixel centres unevenly.
    const std::array<Point, 3> upper{Point{0, 0}, Point{13, 0}, Point{13, 7}};
    const std::array<Point, 3> lower{Point{0, 0}, Point{13, 7}, Point{0, 7}};
    const Region a = Region::FromConvexPolygon(upper);
    const Region b = Region::FromConvexPolygon(lower);
    EXPECT_TRUE(a.Intersected(b).IsEmpty());
    EXPECT_EQ(a.United(b).Area(), 13 * 7);
    // A fan of thin triangles around a centre covers the whole rectangle exactly once.
    Region fan;
    int64_t total = 0;
    const Point c{10, 6};
    for (int x = 0; x < 21; x += 3) {
        const std::array<Point, 3> t{c, Point{x, 0}, Point{std::min(x + 3, 21), 0}};
        const Region piece = Region::FromConvexPolygon(t);
        total += piece.Area();
        fan = fan.United(piece);
    }
    for (const auto& t : {std::array<Point, 3>{c, Point{21, 0}, Point{21, 13}},
                          std::array<Point, 3>{c, Point{21, 13}, Point{0, 13}},
                          std::array<Point, 3>{c, Point{0, 13}, Point{0, 0}}}) {
        const Region piece = Region::FromConvexPolygon(t);
        total += piece.Area();
        fan = fan.United(piece);
    }
    EXPECT_EQ(total, 21 * 13);
    EXPECT_EQ(fan.Area(), 21 * 13);
}

TEST(RegionTest, EllipseAndRoundRectStayInsideTheirBoxes) {
    const Region ellipse = Region::FromEllipse({10, 20, 50, 40});
    EXPECT_EQ(ellipse.BoundingBox(), (Rect{10, 20, 50, 40}));
    EXPECT_FALSE(ellipse.Contains(10, 20));
    EXPECT_TRUE(ellipse.Contains(30, 30));
    // Left-right and top-bottom symmetry of the sampled shape.
    for (int y = 20; y < 40; ++y)
        for (int x = 10; x < 50; ++x) {
            ASSERT_EQ(ellipse.Contains(x, y), ellipse.Contains(59 - x, y));
            ASSERT_EQ(ellipse.Contains(x, y), ellipse.Contains(x, 59 - y));
        }
    // An inverted box means the same ellipse.
    EXPECT_EQ(Region::FromEllipse({50, 40, 10, 20}).Area(), ellipse.Area());

    const Region rounded = Region::FromRoundRect({0, 0, 20, 10}, 6, 6);
    EXPECT_FALSE(rounded.Contains(0, 0));
    EXPECT_TRUE(rounded.Contains(0, 5));
    EXPECT_TRUE(rounded.Contains(10, 0));
    // Corners larger than the rectangle are limited to it: the shape becomes its ellipse.
    EXPECT_EQ(Region::FromRoundRect({0, 0, 20, 10}, 500, 500).Area(), Region::FromEllipse({0, 0, 20, 10}).Area());
    EXPECT_EQ(Region::FromRoundRect({0, 0, 20, 10}, 0, 0).Area(), 200);
}

TEST(RegionTest, CopyThroughRegionChangesOnlyInsideAndStaysInBuffers) {
    TBitmap32 source = TBitmap32::Create(8, 8).value();
    source.Clear(0xFF00FF00);
    TBitmap32 target = TBitmap32::Create(6, 6).value();
    target.Clear(0xFFFF0000);
    const Region region = Region::FromRect({-3, 4, 100, 100}).United(Region::FromRect({1, 1, 2, 2}));
    CopyThroughRegion(target, source, region);
    EXPECT_EQ(target.Pixel(1, 1), 0xFF00FF00u);
    EXPECT_EQ(target.Pixel(2, 1), 0xFFFF0000u);
    EXPECT_EQ(target.Pixel(0, 4), 0xFF00FF00u);
    EXPECT_EQ(target.Pixel(5, 5), 0xFF00FF00u);
    EXPECT_EQ(target.Pixel(5, 3), 0xFFFF0000u);
}

} // namespace
} // namespace vorlandite::raster

namespace vorlandite::raster {
namespace {

// The row walk steps each edge by exact integer increments; it must agree with the per-row
// division everywhere, including steep, shallow and negative-coordinate edges.
TEST(ScanConvertTest, RowWalkAgreesWithPerRowCrossings) {
    uint32_t state = 12345;
    auto next = [&](int range) {
        state = state * 1103515245u + 12345u;
        return int((state >> 8) % uint32_t(2 * range + 1)) - range;
    };
    for (int trial = 0; trial < 500; ++trial) {
        const int range = trial % 2 ? 40 : 3000;
        const std::array<Point, 3> points{Point{next(range), next(range)}, Point{next(range), next(range)},
                                          Point{next(range), next(range)}};
        const ConvexPolygon triangle(points);
        const int top = triangle.Top() - 2, bottom = triangle.Bottom() + 2;
        std::vector<Span> walked(std::size_t(bottom - top));
        triangle.RowSpans(top, bottom, walked.data());
        for (int y = top; y < bottom; ++y) {
            const Span a = walked[std::size_t(y - top)], b = triangle.RowSpan(y);
            if (a.IsEmpty() && b.IsEmpty())
                continue;
            ASSERT_EQ(a, b) << "trial " << trial << " row " << y;
        }
    }
}

} // namespace
} // namespace vorlandite::raster

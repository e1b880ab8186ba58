// The box placement of logos and captions: each position code with its margins, centring that
// truncates toward zero, and margins too large for the arithmetic.

#include "slideshow/PositionCodes.h"

#include <gtest/gtest.h>

#include <climits>

namespace vorlandite::slideshow {
namespace {

struct PlacementRow {
    const char* name;
    OverlayPosition position;
    int boxWidth, boxHeight, targetWidth, targetHeight;
    int x, y;
};

class PositionBoxTest : public ::testing::TestWithParam<PlacementRow> {};

TEST_P(PositionBoxTest, PlacesTheBox) {
    const PlacementRow& row = GetParam();
    const raster::Point at = PositionBox(row.position, row.boxWidth, row.boxHeight, row.targetWidth, row.targetHeight);
    EXPECT_EQ(at.x, row.x);
    EXPECT_EQ(at.y, row.y);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, PositionBoxTest,
    ::testing::Values(PlacementRow{"TopLeft", {0, 10, 20}, 100, 50, 1024, 768, 10, 20},
                    PlacementRow{"TopRight", {1, 10, 20}, 100, 50, 1024, 768, 914, 20},
                    PlacementRow{"TopCentreAddsMarginX", {2, 10, 20}, 100, 50, 1024, 768, 472, 20},
                    PlacementRow{"BottomLeft", {3, 10, 20}, 100, 50, 1024, 768, 10, 698},
                    PlacementRow{"BottomRightLogoExample", {4, 20, 20}, 100, 50, 1024, 768, 904, 698},
                    PlacementRow{"BottomCentre", {5, 10, 20}, 100, 50, 1024, 768, 472, 698},
                    PlacementRow{"Code7IsCentredWithMargins", {7, 10, 20}, 100, 50, 1024, 768, 472, 379},
                    PlacementRow{"NegativeCodeIsCentred", {-1, 0, 0}, 100, 50, 1024, 768, 462, 359},
                    PlacementRow{"OddRestTruncates", {6, 0, 0}, 3, 4, 10, 11, 3, 3},
                    PlacementRow{"WiderBoxHalvesTowardZero", {2, 0, 0}, 15, 5, 10, 8, -2, 0},
                    PlacementRow{"NegativeMarginsMoveOutward", {0, -5, -7}, 10, 10, 100, 100, -5, -7}),
    [](const ::testing::TestParamInfo<PlacementRow>& rowInfo) { return std::string(rowInfo.param.name); });

TEST(PositionBoxLimits, HostileMarginsClampInsteadOfOverflowing) {
    const raster::Point far = PositionBox({1, INT_MIN, INT_MAX}, 100, 100, 1024, 768);
    EXPECT_EQ(far.x, INT_MAX);
    EXPECT_EQ(far.y, INT_MAX);
    const raster::Point near = PositionBox({4, INT_MAX, INT_MAX}, INT_MAX, INT_MAX, 0, 0);
    EXPECT_EQ(near.x, INT_MIN);
    EXPECT_EQ(near.y, INT_MIN);
}

} // namespace
} // namespace vorlandite::slideshow

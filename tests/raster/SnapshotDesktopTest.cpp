// The kept desktop snapshot: fitting it to the show's size (cover, centred, cut) and handing it
// out again and again.

#include "raster/DesktopCapture.h"

#include <gtest/gtest.h>

#include <vector>

namespace vorlandite::raster {
namespace {

constexpr TColor32 kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kWhite = 0xFFFFFFFFu;

// Vertical bands of the given colours, each `band` pixels wide.
TBitmap32 Columns(const std::vector<TColor32>& colours, int band, int height) {
    TBitmap32 bitmap = TBitmap32::Create(int(colours.size()) * band, height).value();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            bitmap.SetPixel(x, y, colours[std::size_t(x / band)]);
    return bitmap;
}

struct CoverCase {
    const char* name;
    int width, height;  // the area
    // Along the middle row: the colour at the area's first pixel, its middle and its last.
    TColor32 first, middle, last;
};

void PrintTo(const CoverCase& row, std::ostream* out) { *out << row.name; }

class CoverAreaTest : public ::testing::TestWithParam<CoverCase> {};

// The snapshot: red | green | green | blue, 4 pixels a band, 16 x 8.
TEST_P(CoverAreaTest, CoversTheAreaCentredWithoutDistortion) {
    const CoverCase& c = GetParam();
    auto covered = CoverArea(Columns({kRed, kGreen, kGreen, kBlue}, 4, 8), c.width, c.height);
    ASSERT_TRUE(covered.ok()) << covered.message();
    ASSERT_EQ(covered->Width(), c.width);
    ASSERT_EQ(covered->Height(), c.height);
    const int y = c.height / 2;
    EXPECT_EQ(covered->Pixel(0, y), c.first);
    EXPECT_EQ(covered->Pixel(c.width / 2, y), c.middle);
    EXPECT_EQ(covered->Pixel(c.width - 1, y), c.last);
    for (TColor32 pixel : covered->Pixels())
        ASSERT_EQ(pixel >> 24, 0xFFu);
}

INSTANTIATE_TEST_SUITE_P(
    Desktop, CoverAreaTest,
    ::testing::Values(CoverCase{"SameSizeIsCopied", 16, 8, kRed, kGreen, kBlue},
                      // A screen with twice the pixels (a scaled desktop's grab) shrinks onto the show.
                      CoverCase{"HalfSize", 8, 4, kRed, kGreen, kBlue},
                      CoverCase{"DoubleSize", 32, 16, kRed, kGreen, kBlue},
                      // A narrower area keeps the full height: the sides are cut, the middle shows.
                      CoverCase{"NarrowerAreaCutsTheSides", 8, 8, kGreen, kGreen, kGreen},
                      // A wider area keeps the full width and cuts top and bottom.
                      CoverCase{"WiderAreaCutsTopAndBottom", 32, 4, kRed, kGreen, kBlue}),
    [](const ::testing::TestParamInfo<CoverCase>& row) { return row.param.name; });

TEST(CoverAreaEdgeTest, ExtremeShapesAndBadSizes) {
    // One pixel row onto a square: the middle pixel of the row, stretched.
    TBitmap32 line = Columns({kRed, kWhite, kBlue}, 333, 1);
    auto square = CoverArea(line, 4, 4);
    ASSERT_TRUE(square.ok());
    for (TColor32 pixel : square->Pixels())
        EXPECT_EQ(pixel, kWhite);
    // A see-through picture comes out opaque, its colours kept.
    TBitmap32 glass = TBitmap32::Create(2, 2).value();
    glass.Clear(0x000000FFu);
    auto opaque = CoverArea(glass, 2, 2);
    ASSERT_TRUE(opaque.ok());
    EXPECT_EQ(opaque->Pixel(1, 1), kBlue);

    EXPECT_FALSE(CoverArea(TBitmap32(), 4, 4).ok());
    EXPECT_FALSE(CoverArea(glass, 0, 4).ok());
    EXPECT_FALSE(CoverArea(glass, 4, -1).ok());
    EXPECT_FALSE(CoverArea(glass, 1 << 20, 1 << 20).ok());  // refused before allocating
}

TEST(SnapshotDesktopTest, HandsOutTheFittedSnapshotEveryTimeAndAFailureAsIs) {
    SnapshotDesktop desktop(Columns({kRed, kGreen}, 4, 4), 4, 2);
    for (int ask = 0; ask < 2; ++ask) {
        auto screen = desktop.GrabScreen();
        ASSERT_TRUE(screen.ok());
        ASSERT_EQ(screen->Width(), 4);
        ASSERT_EQ(screen->Height(), 2);
        EXPECT_EQ(screen->Pixel(0, 0), kRed);
        EXPECT_EQ(screen->Pixel(3, 1), kGreen);
        screen->Clear(kBlue);  // the caller's copy
    }
    TBitmap32 canvas = TBitmap32::Create(6, 2).value();
    canvas.Clear(kWhite);
    CaptureDesktop(canvas, desktop);
    EXPECT_EQ(canvas.Pixel(0, 0), kRed);
    EXPECT_EQ(canvas.Pixel(5, 0), kWhite);

    SnapshotDesktop failed(MakeError("screen capture failed"), 4, 2);
    auto none = failed.GrabScreen();
    ASSERT_FALSE(none.ok());
    EXPECT_EQ(none.message(), "screen capture failed");
    CaptureDesktop(canvas, failed);
    EXPECT_EQ(canvas.Pixel(0, 0), kRed);
    EXPECT_FALSE(SnapshotDesktop(TBitmap32(), 4, 2).GrabScreen().ok());
}

} // namespace
} // namespace vorlandite::raster

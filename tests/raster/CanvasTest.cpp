// Qt painting on a surface's own pixels: fills replace pixels exactly, the clipping region
// limits every drawing call, rectangle copies honour it, text lands where it is put.

#include "raster/canvas/QtImageBridge.h"
#include "raster/canvas/BitmapCanvas.h"
#include "support/QtApplication.h"

#include <QGuiApplication>
#include <QPainter>

#include <gtest/gtest.h>

#include <array>

namespace vorlandite::raster {
namespace {

// Text needs a QGuiApplication (fonts); the tests run on the offscreen platform.
class CanvasTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        vorlandite::testing::EnsureQtApplication<QGuiApplication>();
    }
};

TBitmap32 Solid(int w, int h, TColor32 colour) {
    TBitmap32 b = TBitmap32::Create(w, h).value();
    b.Clear(colour);
    return b;
}

TEST_F(CanvasTest, FillsWriteTheSurfacesPixelsExactly) {
    TBitmap32 b = Solid(10, 10, 0xFF000000);
    {
        BitmapCanvas canvas(b);
        canvas.FillRect({2, 3, 5, 4}, 0x80123456);
    }
    EXPECT_EQ(b.Pixel(2, 3), 0x80123456u);
    EXPECT_EQ(b.Pixel(4, 3), 0x80123456u);
    EXPECT_EQ(b.Pixel(5, 3), 0xFF000000u);
    EXPECT_EQ(b.Pixel(2, 4), 0xFF000000u);
}

TEST_F(CanvasTest, ShapesStayInsideTheirBoxes) {
    TBitmap32 b = Solid(40, 40, 0xFF000000);
    BitmapCanvas canvas(b);
    canvas.FillEllipse({10, 10, 30, 20}, 0xFFFFFFFF);
    canvas.FillRoundRect({0, 30, 40, 40}, 8, 8, 0xFF00FF00);
    const std::array<Point, 3> triangle{Point{0, 0}, Point{8, 0}, Point{0, 8}};
    canvas.FillPolygon(triangle, 0xFF0000FF);
    EXPECT_EQ(b.Pixel(20, 15), 0xFFFFFFFFu);
    EXPECT_EQ(b.Pixel(10, 10), 0xFF000000u);
    EXPECT_EQ(b.Pixel(31, 15), 0xFF000000u);
    EXPECT_EQ(b.Pixel(20, 35), 0xFF00FF00u);
    EXPECT_EQ(b.Pixel(0, 30), 0xFF000000u);
    EXPECT_EQ(b.Pixel(1, 1), 0xFF0000FFu);
    EXPECT_EQ(b.Pixel(7, 7), 0xFF000000u);
}

TEST_F(CanvasTest, ClippingRegionLimitsFillsAndCopies) {
    TBitmap32 b = Solid(20, 20, 0xFF000000);
    const TBitmap32 source = Solid(20, 20, 0xFF00FF00);
    BitmapCanvas canvas(b);
    EXPECT_FALSE(canvas.HasClip());
    EXPECT_EQ(canvas.ClipBoundingBox(), (Rect{0, 0, 20, 20}));
    // A frame: the exclusive-or of a rectangle with a smaller one inside it.
    const Region frame = Region::FromRect({2, 2, 12, 12}).Xored(Region::FromRect({4, 4, 10, 10}));
    canvas.SetClipRegion(frame);
    EXPECT_EQ(canvas.ClipBoundingBox(), (Rect{2, 2, 12, 12}));
    canvas.CopyRect({0, 0, 20, 20}, source, {0, 0, 20, 20});
    EXPECT_EQ(b.Pixel(2, 2), 0xFF00FF00u);
    EXPECT_EQ(b.Pixel(11, 11), 0xFF00FF00u);
    EXPECT_EQ(b.Pixel(5, 5), 0xFF000000u);
    EXPECT_EQ(b.Pixel(12, 12), 0xFF000000u);
    canvas.RemoveClip();
    EXPECT_FALSE(canvas.HasClip());
    canvas.FillRect({5, 5, 6, 6}, 0xFFFFFFFF);
    EXPECT_EQ(b.Pixel(5, 5), 0xFFFFFFFFu);
}

TEST_F(CanvasTest, QtRegionMatchesTheSpanRegionPixelForPixel) {
    const Region ellipse = Region::FromEllipse({3, 2, 40, 27});
    const QRegion q = ToQRegion(ellipse);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 45; ++x)
            ASSERT_EQ(q.contains(QPoint(x, y)), ellipse.Contains(x, y)) << x << "," << y;
}

TEST_F(CanvasTest, TextIsDrawnNearItsTopLeftCorner) {
    TBitmap32 b = Solid(200, 60, 0xFFFFFFFF);
    {
        BitmapCanvas canvas(b);
        QFont font;
        font.setPixelSize(20);
        canvas.DrawText(100, 10, "Hello", font, 0xFF000000);
    }
    int dark = 0, darkOutside = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x)
            if ((b.Pixel(x, y) & 0xFF) < 128) {
                ++dark;
                darkOutside += (x < 100 || y < 10 || y > 40) ? 1 : 0;
            }
    EXPECT_GT(dark, 20);
    EXPECT_EQ(darkOutside, 0);
}

TEST_F(CanvasTest, EmptySurfaceCanvasDoesNothing) {
    TBitmap32 empty;
    BitmapCanvas canvas(empty);
    canvas.FillRect({0, 0, 5, 5}, 0xFFFFFFFF);
    EXPECT_EQ(canvas.ClipBoundingBox(), (Rect{0, 0, 0, 0}));
}

TEST_F(CanvasTest, ImagesConvertBothWays) {
    QImage rgb(3, 2, QImage::Format_RGB32);
    rgb.fill(QColor(10, 20, 30));
    const TBitmap32 b = FromQImage(rgb).value();
    EXPECT_EQ(b.Pixel(2, 1), 0xFF0A141Eu);
    const QImage back = ToQImage(b);
    EXPECT_EQ(back.pixel(1, 1), 0xFF0A141Eu);
}

TEST_F(CanvasTest, OpaquePaintIgnoresAlphaAndBlacksOutWhatTheSurfaceDoesNotCover) {
    TBitmap32 b = Solid(4, 3, 0x00336699);  // fully transparent pixels still show their colour
    b.SetPixel(1, 1, 0x80FF0000);
    QImage window(6, 5, QImage::Format_RGB32);
    window.fill(Qt::white);
    {
        QPainter painter(&window);
        PaintOpaque(painter, window.rect(), b);
    }
    EXPECT_EQ(window.pixel(0, 0), 0xFF336699u);
    EXPECT_EQ(window.pixel(1, 1), 0xFFFF0000u);
    EXPECT_EQ(window.pixel(4, 0), 0xFF000000u);
    EXPECT_EQ(window.pixel(0, 3), 0xFF000000u);
    EXPECT_EQ(window.pixel(5, 4), 0xFF000000u);
}

} // namespace
} // namespace vorlandite::raster

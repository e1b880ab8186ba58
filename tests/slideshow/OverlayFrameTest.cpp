// A whole frame as the show composes it: gradient background, the logo from the payload, one
// multi-line caption with a shadow and one on a box. With VORLANDITE_OVERLAY_PNG set to a file
// name the frame is also written there as a PNG, to be looked at.

#include "slideshow/CaptionRenderer.h"
#include "slideshow/LogoOverlay.h"

#include "OverlayTestSupport.h"
#include "raster/GradientFill.h"
#include "raster/canvas/QtImageBridge.h"
#include "raster/canvas/BitmapCanvas.h"
#include "raster/decoders/PictureWriters.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vorlandite::slideshow {
namespace {

namespace support = vorlandite::testing;
using raster::TBitmap32;
using raster::TColor32;

// A 120 x 60 badge: an orange ellipse with a white ring on a magenta key colour.
TBitmap32 BadgePicture() {
    TBitmap32 badge = support::SolidBitmap(120, 60, 0xFFFF00FFu);
    raster::BitmapCanvas canvas(badge);
    canvas.FillEllipse({2, 2, 118, 58}, 0xFFFFFFFFu);
    canvas.FillEllipse({6, 6, 114, 54}, 0xFFF08020u);
    canvas.DrawText(30, 18, QStringLiteral("LOGO"), QFont(QStringLiteral("DejaVu Sans"), 14, QFont::Bold), 0xFFFFFFFFu);
    return badge;
}

TEST(OverlayFrameTest, LogoAndTwoCaptionsOnAGradient) {
    support::EnsureGuiApplication();
    payload::PayloadDraft draft;
    draft.header.LogoExt = ".png";
    draft.header.LogoTransparentColor = 0x00FF00FF;
    draft.header.LogoPosition = 1;
    draft.header.LogoMarginX = 16;
    draft.header.LogoMarginY = 16;
    draft.logo = payload::Content::FromBytes(support::WritePngFromBitmap(BadgePicture(), true));
    payload::TKelImageInfo poem;
    poem.Text = "Evening over the bay\r\nlights along the quay\r\nand the last ferry home";
    poem.TextColor = 0x00FFFFFF;
    poem.TextSize = 16;
    poem.TextStyle = 4;
    poem.TextPosition = 3;
    poem.TextMarginX = 24;
    poem.TextMarginY = 24;
    poem.TextTransparent = 1;
    poem.TextMultiLine = 1;
    poem.TextShadow = 1;
    payload::TKelImageInfo title;
    title.Text = "Caf\xE9 du Port \x96 1998";
    title.TextColor = 0x0000D7FF;      // gold
    title.TextBackColor = 0x00402010;  // dark blue
    title.TextFontName = "DejaVu Serif";
    title.TextSize = 20;
    title.TextStyle = 2;
    title.TextPosition = 2;
    title.TextMarginY = 20;
    draft.images = {{poem, payload::Content::FromBytes({1}), false}, {title, payload::Content::FromBytes({2}), false}};
    support::ShowFile show(draft);

    TBitmap32 frame = TBitmap32::Create(640, 400).value();
    raster::GradientFill(frame, 1, 0x00803010, 0x0030A0F0, frame.BoundsRect());
    const TBitmap32 before = frame;
    auto logo = LoadLogo(show.payload.header, show.path, show.tempFolder);
    ASSERT_TRUE(logo.ok()) << logo.message();
    DrawLogo(*logo, LogoPosition(show.payload.header), frame);
    DrawItemText(show.payload.images, 0, frame);
    DrawItemText(show.payload.images, 1, frame);

    // The logo's corner is keyed out, its middle is the badge.
    EXPECT_EQ(frame.Pixel(640 - 16 - 120, 16), before.Pixel(640 - 16 - 120, 16));
    EXPECT_EQ(frame.Pixel(640 - 16 - 120 + 15, 16 + 30), 0xFFF08020u);
    // The title's box is centred horizontally, 20 pixels below the top edge's text line.
    const raster::Rect titleBox = LayoutCaption(CaptionOf(show.payload.images[1]), 640, 400).textRect;
    EXPECT_EQ(titleBox.top, 20);
    EXPECT_EQ(frame.Pixel(titleBox.left - 5, 15), 0xFF102040u);
    // The poem sits above the bottom edge on the left.
    const raster::Rect poemBox = LayoutCaption(CaptionOf(show.payload.images[0]), 640, 400).textRect;
    EXPECT_EQ(poemBox.left, 24);
    EXPECT_EQ(poemBox.bottom, 400 - 24);

    if (const char* out = std::getenv("VORLANDITE_OVERLAY_PNG")) {
        EXPECT_TRUE(raster::ToQImage(frame).save(QString::fromLocal8Bit(out), "PNG"));
    }
}

} // namespace
} // namespace vorlandite::slideshow

// The logo: keyed transparency by exact colour, the white fill where the picture itself is
// transparent, the file left in the temporary folder, absent or broken logos, and blending at
// the box of its position code.

#include "slideshow/LogoOverlay.h"

#include "OverlayTestSupport.h"
#include "raster/decoders/PictureWriters.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vorlandite::slideshow {
namespace {

namespace support = vorlandite::testing;
using raster::TBitmap32;
using raster::TColor32;
using support::ShowFile;

constexpr TColor32 kMagenta = 0xFFFF00FFu;
constexpr TColor32 kNearMagenta = 0xFFFE00FFu;
constexpr TColor32 kGreen = 0xFF00FF00u;

// Magenta, one step off magenta, green, and a transparent pixel.
TBitmap32 KeyedPicture() {
    TBitmap32 b = raster::TBitmap32::Create(4, 1).value();
    b.SetPixel(0, 0, kMagenta);
    b.SetPixel(1, 0, kNearMagenta);
    b.SetPixel(2, 0, kGreen);
    b.SetPixel(3, 0, 0x00123456u);
    return b;
}

payload::PayloadDraft DraftWithLogo(support::Bytes bytes, std::string ext, int32_t transparentColour) {
    payload::PayloadDraft draft;
    draft.header.LogoExt = std::move(ext);
    draft.header.LogoTransparentColor = transparentColour;
    draft.logo = payload::Content::FromBytes(std::move(bytes));
    return draft;
}

Result<TBitmap32> LoadFrom(const ShowFile& show) { return LoadLogo(show.payload.header, show.path, show.tempFolder); }

TEST(LogoLoadingTest, ExactKeyColourTurnsTransparent) {
    // 0x00FF00FF is magenta as a colour value (0x00BBGGRR).
    ShowFile show(DraftWithLogo(support::WritePngFromBitmap(KeyedPicture()), ".png", 0x00FF00FF));
    auto logo = LoadFrom(show);
    ASSERT_TRUE(logo.ok()) << logo.message();
    ASSERT_EQ(logo->Width(), 4);
    EXPECT_EQ(logo->Pixel(0, 0), 0x00000000u);
    EXPECT_EQ(logo->Pixel(1, 0), kNearMagenta);
    EXPECT_EQ(logo->Pixel(2, 0), kGreen);
    // What the picture leaves open shows the key colour, so it keys out as well.
    EXPECT_EQ(logo->Pixel(3, 0), 0x00000000u);
    // The file stays where it was extracted.
    EXPECT_TRUE(std::filesystem::exists(show.tempFolder + "SSLG.png"));
}

TEST(LogoLoadingTest, NoColourKeepsEverythingOpaqueOnWhite) {
    ShowFile show(DraftWithLogo(support::WritePngFromBitmap(KeyedPicture()), ".PNG", payload::kNoColor));
    auto logo = LoadFrom(show);
    ASSERT_TRUE(logo.ok()) << logo.message();
    EXPECT_EQ(logo->Pixel(0, 0), kMagenta);
    EXPECT_EQ(logo->Pixel(2, 0), kGreen);
    EXPECT_EQ(logo->Pixel(3, 0), 0xFFFFFFFFu);
}

TEST(LogoLoadingTest, AbsentOrBrokenLogoGivesNone) {
    payload::PayloadDraft none;
    ShowFile withoutLogo(none);
    EXPECT_FALSE(LoadFrom(withoutLogo).ok());

    support::Bytes garbage(300, 0x5A);
    ShowFile corrupt(DraftWithLogo(garbage, ".png", payload::kNoColor));
    EXPECT_FALSE(LoadFrom(corrupt).ok());

    ShowFile unknownExtension(DraftWithLogo(support::WritePngFromBitmap(KeyedPicture()), ".xyz", payload::kNoColor));
    EXPECT_FALSE(LoadFrom(unknownExtension).ok());

}

TEST(LogoLoadingTest, CutStreamGivesNoneEvenWithAnEarlierRunsLogoFileThere) {
    ShowFile show(DraftWithLogo(support::WritePngFromBitmap(KeyedPicture()), ".png", payload::kNoColor));
    support::WriteFileBytes(show.tempFolder + "SSLG.png", support::WritePngFromBitmap(KeyedPicture()));
    payload::TKelFixedSizeInfo damaged = show.payload.header;
    damaged.LogoStoredSize = 7;
    EXPECT_FALSE(LoadLogo(damaged, show.path, show.tempFolder).ok());
    EXPECT_FALSE(std::filesystem::exists(show.tempFolder + "SSLG.png")) << "nor is it left to a later reader";
}

class DrawLogoTest : public ::testing::Test {
protected:
    static constexpr TColor32 kBackground = 0xFF204060u;
    // 100 x 50 green, one transparent pixel and one half-transparent red pixel.
    static TBitmap32 Logo() {
        TBitmap32 logo = support::SolidBitmap(100, 50, kGreen);
        logo.SetPixel(1, 1, 0x00000000u);
        logo.SetPixel(2, 1, 0x80FF0000u);
        return logo;
    }
};

TEST_F(DrawLogoTest, BlendsAtItsBoxOneToOne) {
    TBitmap32 frame = support::SolidBitmap(1024, 768, kBackground);
    DrawLogo(Logo(), {4, 20, 20}, frame);
    EXPECT_EQ(support::InkBounds(frame, kBackground), (raster::Rect{904, 698, 1004, 748}));
    EXPECT_EQ(frame.Pixel(904, 698), kGreen);
    EXPECT_EQ(frame.Pixel(1003, 747), kGreen);
    EXPECT_EQ(frame.Pixel(905, 699), kBackground);  // transparent logo pixel
    const TColor32 half = frame.Pixel(906, 699);
    EXPECT_NEAR(int((half >> 16) & 0xFF), (0xFF + 0x20) / 2, 1);
    EXPECT_NEAR(int(half & 0xFF), 0x60 / 2, 1);
}

TEST_F(DrawLogoTest, ClippedAtTheEdgeAndNothingWithoutALogo) {
    TBitmap32 frame = support::SolidBitmap(80, 40, kBackground);
    DrawLogo(Logo(), {0, -10, 30}, frame);  // sticks out left and below
    EXPECT_EQ(support::InkBounds(frame, kBackground), (raster::Rect{0, 30, 80, 40}));

    TBitmap32 untouched = support::SolidBitmap(80, 40, kBackground);
    DrawLogo(TBitmap32{}, {0, 0, 0}, untouched);
    EXPECT_TRUE(support::InkBounds(untouched, kBackground).IsEmpty());
}

} // namespace
} // namespace vorlandite::slideshow

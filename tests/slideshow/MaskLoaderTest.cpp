// Masks out of the payload: each format by its Format byte, the temporary file removed after
// loading whatever happened, failures that give no mask, and what a loaded mask does to a
// picture drawn through it.

#include "slideshow/MaskLoader.h"

#include "OverlayTestSupport.h"
#include "raster/PictureFitting.h"
#include "raster/decoders/PictureWriters.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vorlandite::slideshow {
namespace {

namespace support = vorlandite::testing;

using raster::TBitmap32;
using raster::TColor32;
using support::Bytes;
using support::ShowFile;

constexpr TColor32 kWhite = 0xFFFFFFFFu;
constexpr TColor32 kBlack = 0xFF000000u;
constexpr TColor32 kGrey = 0xFF808080u;

// 4 x 2 masks: left half white, right half grey (BMP) or transparent (PNG, GIF).
Bytes BmpMask() {
    support::BmpRecipe recipe;
    recipe.width = 4;
    recipe.height = 2;
    recipe.bitCount = 24;
    const std::vector<uint32_t> row{0xFFFFFF, 0xFFFFFF, 0x808080, 0x808080};
    recipe.pixelData = support::PackRows({row, row}, 24);
    return support::WriteBmp(recipe);
}

Bytes PngMask() {
    TBitmap32 b = support::SolidBitmap(4, 2, kWhite);
    for (int y = 0; y < 2; ++y)
        for (int x = 2; x < 4; ++x)
            b.SetPixel(x, y, 0x00FFFFFFu);
    return support::WritePngFromBitmap(b);
}

Bytes GifMask() {
    support::GifRecipe recipe;
    recipe.width = 4;
    recipe.height = 2;
    recipe.globalPalette = {kWhite, kBlack};
    support::GifFrameRecipe frame;
    frame.width = 4;
    frame.height = 2;
    frame.indexes = {0, 0, 1, 1, 0, 0, 1, 1};
    frame.transparentIndex = 1;
    recipe.frames = {frame};
    return support::WriteGif(recipe);
}

payload::PayloadDraft DraftWithMask(uint8_t format, Bytes bytes, bool compressed) {
    payload::PayloadDraft draft;
    payload::DraftItem<payload::TKelMaskInfo> mask;
    mask.record.Format = format;
    mask.content = payload::Content::FromBytes(std::move(bytes));
    mask.compressed = compressed;
    draft.masks.push_back(std::move(mask));
    return draft;
}

bool AnyMaskFileIn(const std::string& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().starts_with("SSMASK"))
            return true;
    return false;
}

Result<TBitmap32> LoadFirstMask(const ShowFile& show, int index = 0) {
    return LoadMask(show.payload.header, show.payload.masks, index, show.path, show.tempFolder);
}

struct MaskRow {
    const char* name;
    uint8_t format;
    Bytes (*make)();
    bool compressed;
    TColor32 right;  // the right half: grey, or black where the picture was transparent
};

class MaskFormatTest : public ::testing::TestWithParam<MaskRow> {};

TEST_P(MaskFormatTest, LoadsOpaqueAtItsOwnSizeAndDeletesTheFile) {
    const MaskRow& row = GetParam();
    ShowFile show(DraftWithMask(row.format, row.make(), row.compressed));
    auto mask = LoadFirstMask(show);
    ASSERT_TRUE(mask.ok()) << mask.message();
    ASSERT_EQ(mask->Width(), 4);
    ASSERT_EQ(mask->Height(), 2);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(mask->Pixel(0, y), kWhite);
        EXPECT_EQ(mask->Pixel(1, y), kWhite);
        EXPECT_EQ(mask->Pixel(2, y), row.right);
        EXPECT_EQ(mask->Pixel(3, y), row.right);
    }
    EXPECT_FALSE(AnyMaskFileIn(show.tempFolder));
}

INSTANTIATE_TEST_SUITE_P(Formats, MaskFormatTest,
                         ::testing::Values(MaskRow{"Bmp", 0, BmpMask, false, kGrey},
                                         MaskRow{"PngTransparentTurnsBlack", 1, PngMask, true, kBlack},
                                         MaskRow{"GifTransparentTurnsBlack", 2, GifMask, false, kBlack},
                                         MaskRow{"AnyOtherFormatIsGif", 200, GifMask, true, kBlack}),
                         [](const ::testing::TestParamInfo<MaskRow>& rowInfo) { return std::string(rowInfo.param.name); });

TEST(MaskLoaderTest, TheFormatByteNotTheContentPicksTheDecoder) {
    ShowFile show(DraftWithMask(1, GifMask(), false));  // a GIF stored as if it were PNG
    EXPECT_FALSE(LoadFirstMask(show).ok());
    EXPECT_FALSE(AnyMaskFileIn(show.tempFolder));
}

TEST(MaskLoaderTest, CorruptMaskGivesNoneAndLeavesNoFile) {
    Bytes truncated = PngMask();
    truncated.resize(truncated.size() / 2);
    ShowFile show(DraftWithMask(1, truncated, true));
    EXPECT_FALSE(LoadFirstMask(show).ok());
    EXPECT_FALSE(AnyMaskFileIn(show.tempFolder));
}

TEST(MaskLoaderTest, IndexOutsideTheTableGivesNone) {
    ShowFile show(DraftWithMask(1, PngMask(), false));
    EXPECT_FALSE(LoadFirstMask(show, -1).ok());
    EXPECT_FALSE(LoadFirstMask(show, 1).ok());
    EXPECT_TRUE(LoadFirstMask(show, 0).ok());
}

TEST(MaskLoaderTest, FailedExtractionNeverShowsAnOlderMaskFile) {
    ShowFile show(DraftWithMask(1, PngMask(), false));
    const std::string stale = show.tempFolder + "SSMASK.png";
    support::WriteFileBytes(stale, PngMask());
    std::vector<payload::TKelMaskInfo> masks = show.payload.masks;
    masks[0].Offset = 0x7FFFFFF0;  // beyond the end of the file
    auto mask = LoadMask(show.payload.header, masks, 0, show.path, show.tempFolder);
    EXPECT_FALSE(mask.ok());
    EXPECT_FALSE(std::filesystem::exists(stale));
}

// The mask at work: red picture over a blue frame, drawn into the middle of the frame.
class MaskedPictureTest : public ::testing::Test {
protected:
    static constexpr TColor32 kRed = 0xFFFF0000u;
    static constexpr TColor32 kBlue = 0xFF0000FFu;
    static constexpr raster::Rect kPlace{5, 5, 15, 15};

    TBitmap32 DrawThrough(const Result<TBitmap32>& mask) {
        TBitmap32 picture = support::SolidBitmap(10, 10, kRed);
        TBitmap32 frame = support::SolidBitmap(20, 20, kBlue);
        raster::StretchPictureOnto(picture, frame, kPlace, mask.ok() ? &mask.value() : nullptr, true);
        return frame;
    }
    Result<TBitmap32> MaskOfColour(TColor32 colour) {
        ShowFile show(DraftWithMask(1, support::WritePngFromBitmap(support::SolidBitmap(2, 2, colour), true), true));
        return LoadFirstMask(show);
    }
};

TEST_F(MaskedPictureTest, WhiteShowsThePictureBlackShowsTheBackground) {
    const TBitmap32 white = DrawThrough(MaskOfColour(kWhite));
    const TBitmap32 black = DrawThrough(MaskOfColour(kBlack));
    for (int y = 5; y < 15; ++y)
        for (int x = 5; x < 15; ++x) {
            ASSERT_EQ(white.Pixel(x, y), kRed) << x << "," << y;
            ASSERT_EQ(black.Pixel(x, y), kBlue) << x << "," << y;
        }
    EXPECT_EQ(white.Pixel(4, 4), kBlue);
    EXPECT_EQ(white.Pixel(15, 15), kBlue);
}

TEST_F(MaskedPictureTest, AFailedMaskLeavesThePictureWhole) {
    const TBitmap32 none = DrawThrough(MakeError("no mask"));
    EXPECT_EQ(none.Pixel(5, 5), kRed);
    EXPECT_EQ(none.Pixel(14, 14), kRed);
}

} // namespace
} // namespace vorlandite::slideshow

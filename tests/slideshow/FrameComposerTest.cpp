// Composing a picture item's frame from small pictures made here: the filters in their order,
// the mask, the placement by the item's mode, a GIF's transparent colour, the logo and caption
// over the picture, and the items that must come back as errors.

#include "slideshow/FrameComposer.h"

#include "OverlayTestSupport.h"
#include "ScriptedRandom.h"
#include "raster/ColorConversion.h"
#include "raster/decoders/PictureWriters.h"
#include "slideshow/CaptionRenderer.h"
#include "slideshow/Placement.h"

#include <gtest/gtest.h>

#include <ostream>

namespace vorlandite::slideshow {
namespace {

namespace support = vorlandite::testing;
using raster::TBitmap32;
using raster::TColor32;
using raster::Rect;
using support::ScriptedRandom;

constexpr TColor32 kBackdrop = 0xFF0000C0u;  // the background's blue
constexpr TColor32 kGreen = 0xFF00FF00u;
constexpr TColor32 kRed = 0xFFFF0000u;
constexpr TColor32 kWhite = 0xFFFFFFFFu;
constexpr TColor32 kBlack = 0xFF000000u;

// A scratch show: the payload (for masks), an item table, the item file written by hand as the
// extraction would leave it.
struct ComposeFixture {
    support::ShowFile show;
    std::vector<payload::TKelImageInfo> items;
    TBitmap32 background;
    TBitmap32 logo;
    ScriptedRandom random;

    explicit ComposeFixture(int width, int height, payload::PayloadDraft draft = {})
        : show(draft), background(support::SolidBitmap(width, height, kBackdrop)) {}

    std::string WriteItem(const std::string& ext, const support::Bytes& bytes) {
        const std::string path = show.tempFolder + "SSIMG" + ext;
        support::WriteFileBytes(path, bytes);
        return path;
    }

    FrameContext Context() {
        return FrameContext{show.payload.header, items, show.payload.masks, background, logo,
                            background.Width(), background.Height(), show.path, show.tempFolder, random};
    }
};

payload::TKelImageInfo Item(const std::string& ext, int stretch, int filter = 0) {
    payload::TKelImageInfo item;
    item.Ext = ext;
    item.Stretch = stretch;
    item.ImageFilter = filter;
    return item;
}

// 2 x 2: red, green / white, black.
TBitmap32 Quad() {
    TBitmap32 b = support::SolidBitmap(2, 2, kRed);
    b.SetPixel(1, 0, kGreen);
    b.SetPixel(0, 1, kWhite);
    b.SetPixel(1, 1, kBlack);
    return b;
}

TEST(FrameComposerTest, GreyFilterTurnsGreenIntoItsGreyValue) {
    ComposeFixture f(8, 6);
    f.items = {Item(".png", 1, 4)};
    const std::string file = f.WriteItem(".png", support::WritePngFromBitmap(support::SolidBitmap(4, 4, kGreen), true));
    auto composed = ComposePictureFrame(f.Context(), 0, file);
    ASSERT_TRUE(composed.ok()) << composed.message();
    for (TColor32 pixel : composed->frame.Pixels())
        ASSERT_EQ(pixel, 0xFF999999u);
    EXPECT_EQ(composed->placement, (Rect{0, 0, 8, 6}));
    EXPECT_FALSE(composed->isGif);
}

struct FilterRow {
    std::string name;
    int bits;
    TColor32 topLeft, topRight, bottomLeft, bottomRight;
    friend void PrintTo(const FilterRow& row, std::ostream* os) { *os << row.name; }
};

class ImageFilterOrderTest : public ::testing::TestWithParam<FilterRow> {};

TEST_P(ImageFilterOrderTest, UnscaledPictureShowsTheFilteredQuad) {
    const FilterRow& row = GetParam();
    ComposeFixture f(4, 4);
    f.items = {Item(".PNG", 2, row.bits)};
    const std::string file = f.WriteItem(".PNG", support::WritePngFromBitmap(Quad(), true));
    auto composed = ComposePictureFrame(f.Context(), 0, file);
    ASSERT_TRUE(composed.ok()) << composed.message();
    const TBitmap32& frame = composed->frame;
    EXPECT_EQ(composed->placement, (Rect{1, 1, 3, 3}));
    EXPECT_EQ(frame.Pixel(1, 1), row.topLeft);
    EXPECT_EQ(frame.Pixel(2, 1), row.topRight);
    EXPECT_EQ(frame.Pixel(1, 2), row.bottomLeft);
    EXPECT_EQ(frame.Pixel(2, 2), row.bottomRight);
    EXPECT_EQ(frame.Pixel(0, 0), kBackdrop);
}

INSTANTIATE_TEST_SUITE_P(
    Bits, ImageFilterOrderTest,
    ::testing::Values(FilterRow{"None", 0, kRed, kGreen, kWhite, kBlack},
                      FilterRow{"Mirror", 1, kGreen, kRed, kBlack, kWhite},
                      FilterRow{"Flip", 2, kWhite, kBlack, kRed, kGreen},
                      FilterRow{"MirrorAndFlipTurnByHalf", 3, kBlack, kWhite, kGreen, kRed},
                      // Grey after mirror and flip: black, white, green's 153, red's 25.5 rounded to even.
                      FilterRow{"AllThree", 7, kBlack, kWhite, 0xFF999999u, 0xFF1A1A1Au},
                      FilterRow{"UnknownBitsIgnored", 8 | 16, kRed, kGreen, kWhite, kBlack}),
    [](const auto& rowInfo) { return rowInfo.param.name; });

// 4 x 2 BMP mask: left half white (picture shows), right half black (background shows).
payload::PayloadDraft DraftWithMask() {
    support::BmpRecipe recipe;
    recipe.width = 4;
    recipe.height = 2;
    recipe.bitCount = 24;
    const std::vector<uint32_t> row{0xFFFFFF, 0xFFFFFF, 0x000000, 0x000000};
    recipe.pixelData = support::PackRows({row, row}, 24);
    payload::PayloadDraft draft;
    payload::DraftItem<payload::TKelMaskInfo> mask;
    mask.record.Format = 0;
    mask.content = payload::Content::FromBytes(support::WriteBmp(recipe));
    draft.masks.push_back(std::move(mask));
    return draft;
}

TEST(FrameComposerTest, MaskHidesThePictureWhereItIsBlack) {
    ComposeFixture f(16, 8, DraftWithMask());
    f.items = {Item(".png", 1)};
    f.items[0].MaskIndex = 0;
    const std::string file = f.WriteItem(".png", support::WritePngFromBitmap(support::SolidBitmap(4, 4, kGreen), true));
    auto composed = ComposePictureFrame(f.Context(), 0, file);
    ASSERT_TRUE(composed.ok()) << composed.message();
    ASSERT_TRUE(composed->mask.has_value());
    EXPECT_EQ(composed->frame.Pixel(0, 0), kGreen);
    EXPECT_EQ(composed->frame.Pixel(3, 7), kGreen);
    EXPECT_EQ(composed->frame.Pixel(15, 0), kBackdrop);
    EXPECT_EQ(composed->frame.Pixel(12, 7), kBackdrop);
}

TEST(FrameComposerTest, MaskThatCannotBeLoadedLeavesThePictureWhole) {
    ComposeFixture f(16, 8, DraftWithMask());
    f.items = {Item(".png", 1)};
    f.items[0].MaskIndex = 3;  // not in the table
    const std::string file = f.WriteItem(".png", support::WritePngFromBitmap(support::SolidBitmap(4, 4, kGreen), true));
    auto composed = ComposePictureFrame(f.Context(), 0, file);
    ASSERT_TRUE(composed.ok()) << composed.message();
    EXPECT_FALSE(composed->mask.has_value());
    EXPECT_EQ(composed->frame.Pixel(15, 7), kGreen);
}

TEST(FrameComposerTest, ItemModeOverridesTheSettingAndRandomComesFromTheContext) {
    ComposeFixture f(6, 6);
    f.show.payload.header.Stretch = 1;  // the setting would fill the frame
    f.items = {Item(".png", 3)};
    f.random = ScriptedRandom({3, 1});
    const std::string file = f.WriteItem(".png", support::WritePngFromBitmap(Quad(), true));
    auto composed = ComposePictureFrame(f.Context(), 0, file);
    ASSERT_TRUE(composed.ok()) << composed.message();
    EXPECT_EQ(composed->placement, (Rect{3, 1, 5, 3}));
    EXPECT_EQ(composed->frame.Pixel(3, 1), kRed);
    EXPECT_EQ(composed->frame.Pixel(4, 2), kBlack);
    EXPECT_EQ(f.random.Asked(), (std::vector<int>{4, 4}));

    // -1 takes the setting.
    f.items[0].Stretch = -1;
    auto filled = ComposePictureFrame(f.Context(), 0, file);
    ASSERT_TRUE(filled.ok());
    EXPECT_EQ(filled->placement, (Rect{0, 0, 6, 6}));
}

TEST(FrameComposerTest, TransparentGifKeepsTheBackgroundWhereItIsSeeThrough) {
    support::GifRecipe recipe;
    recipe.width = 2;
    recipe.height = 1;
    recipe.globalPalette = {kGreen, kRed};
    support::GifFrameRecipe frame;
    frame.width = 2;
    frame.height = 1;
    frame.indexes = {0, 1};
    frame.transparentIndex = 1;
    recipe.frames = {frame};

    ComposeFixture f(8, 2);
    f.items = {Item(".Gif", 1)};
    const std::string file = f.WriteItem(".Gif", support::WriteGif(recipe));
    auto composed = ComposePictureFrame(f.Context(), 0, file);
    ASSERT_TRUE(composed.ok()) << composed.message();
    EXPECT_TRUE(composed->isGif);
    ASSERT_NE(composed->gif, nullptr);
    EXPECT_EQ(composed->frame.Pixel(0, 0), kGreen);
    EXPECT_EQ(composed->frame.Pixel(7, 1), kBackdrop);
    // The keyed pixel carries the background colour, see-through.
    EXPECT_EQ(composed->picture.Pixel(1, 0), raster::ToColor32(uint32_t(f.show.payload.header.BackgroundColor)) & 0x00FFFFFFu);
}

TEST(FrameComposerTest, LogoGoesOverThePictureAndTheCaptionOverTheLogo) {
    support::EnsureGuiApplication();
    ComposeFixture f(120, 80);
    f.show.payload.header.LogoPosition = 0;
    f.logo = support::SolidBitmap(40, 40, kRed);
    f.items = {Item(".png", 1)};
    f.items[0].Text = "Hi";
    f.items[0].TextSize = 10;
    f.items[0].TextColor = 0x00FFFFFF;
    f.items[0].TextBackColor = 0x00000000;  // black box
    f.items[0].TextPosition = 0;
    const std::string file = f.WriteItem(".png", support::WritePngFromBitmap(support::SolidBitmap(4, 4, kGreen), true));
    auto composed = ComposePictureFrame(f.Context(), 0, file);
    ASSERT_TRUE(composed.ok()) << composed.message();

    EXPECT_EQ(composed->frame.Pixel(100, 60), kGreen);
    const Rect text = LayoutCaption(CaptionOf(f.items[0]), 120, 80).textRect;
    const Rect box{text.left - 5, text.top - 5, text.right + 5, text.bottom + 5};
    const int x = std::max(box.left, 0);
    const int y = std::max(box.top, 0);
    ASSERT_LT(x, 40);
    ASSERT_LT(y, 40);
    EXPECT_EQ(composed->frame.Pixel(x, y), kBlack) << "the caption's box is drawn after the logo";
    if (box.right < 40 || box.bottom < 40) {
        EXPECT_EQ(composed->frame.Pixel(39, 39), kRed) << "the logo is drawn over the picture";
    }
}

TEST(FrameComposerTest, GifBackdropHasTheLogoButNoPicture) {
    ComposeFixture f(20, 10);
    f.logo = support::SolidBitmap(4, 4, kRed);
    f.items = {Item(".gif", 1)};
    auto backdrop = ComposeGifBackdrop(f.Context(), 0);
    ASSERT_TRUE(backdrop.ok());
    EXPECT_EQ(backdrop->Pixel(0, 0), kRed);
    EXPECT_EQ(backdrop->Pixel(19, 9), kBackdrop);
}

struct BrokenRow {
    std::string name;
    std::string ext;
    bool writeValidPng;
    int index;
    friend void PrintTo(const BrokenRow& row, std::ostream* os) { *os << row.name; }
};

class BrokenItemTest : public ::testing::TestWithParam<BrokenRow> {};

TEST_P(BrokenItemTest, IsAnErrorForTheCallerToSkip) {
    const BrokenRow& row = GetParam();
    ComposeFixture f(8, 8);
    f.items = {Item(row.ext, 1)};
    support::Bytes bytes = support::WritePngFromBitmap(support::SolidBitmap(4, 4, kGreen), true);
    if (!row.writeValidPng)
        bytes.resize(bytes.size() / 2);
    const std::string file = f.WriteItem(row.ext, bytes);
    EXPECT_FALSE(ComposePictureFrame(f.Context(), row.index, file).ok());
}

INSTANTIATE_TEST_SUITE_P(Items, BrokenItemTest,
                         ::testing::Values(BrokenRow{"NoDecoder", ".PCX", true, 0},
                                           BrokenRow{"TruncatedPicture", ".png", false, 0},
                                           BrokenRow{"PngNamedJpeg", ".jpg", true, 0},
                                           BrokenRow{"Video", ".avi", true, 0},
                                           BrokenRow{"Flash", ".swf", true, 0},
                                           BrokenRow{"IndexOutsideTable", ".png", true, 1},
                                           BrokenRow{"NoItem", ".png", true, -1}),
                         [](const auto& rowInfo) { return rowInfo.param.name; });

TEST(FrameComposerTest, DecodeHintCarriesTheScreenBudgetInEveryMode) {
    for (int mode : {kStretchFit, kStretchFill, kStretchCentre, kStretchRandom, kStretchCentreShrink}) {
        const raster::SizeHint hint = DecodeHintFor(mode, 640, 480);
        EXPECT_EQ(hint.maxPixels, 4 * 640 * 480) << mode;
        EXPECT_EQ(hint.Empty(), mode == kStretchCentre || mode == kStretchRandom) << mode;
    }
}

// A picture declaring more than the frame's budget: a 64-byte RLE8 bitmap of 8192 x 8192 is
// passed over, a large JPEG shown unscaled comes at a quarter of its size.
TEST(FrameComposerTest, PictureOverTheScreenBudget) {
    ComposeFixture f(640, 480);
    support::BmpRecipe bomb;
    bomb.width = bomb.height = 8192;
    bomb.bitCount = 8;
    bomb.compression = 1;
    bomb.colorsUsed = 1;
    bomb.palette = {kGreen};
    bomb.pixelData = {0, 1, 0, 0, 0, 0};
    f.items = {Item(".bmp", kStretchFit), Item(".jpg", kStretchCentre)};
    EXPECT_FALSE(ComposePictureFrame(f.Context(), 0, f.WriteItem(".bmp", support::WriteBmp(bomb))).ok());

    const support::Bytes jpeg = support::WriteJpeg(support::MakeGradient(2600, 2000));
    Result<ComposedPicture> composed = ComposePictureFrame(f.Context(), 1, f.WriteItem(".jpg", jpeg));
    ASSERT_TRUE(composed.ok()) << composed.message();
    EXPECT_EQ(composed->picture.Width(), 650);
    EXPECT_EQ(composed->picture.Height(), 500);
}

TEST(FrameComposerTest, MissingItemFileIsAnError) {
    ComposeFixture f(8, 8);
    f.items = {Item(".png", 1)};
    EXPECT_FALSE(ComposePictureFrame(f.Context(), 0, f.show.tempFolder + "SSIMG.png").ok());
}

} // namespace
} // namespace vorlandite::slideshow

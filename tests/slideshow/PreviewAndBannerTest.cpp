// The preview picture of preview mode and the exit banner of a full-screen run's end.

#include "slideshow/ExitBanner.h"
#include "slideshow/PreviewImage.h"
#include "slideshow/Wallpaper.h"

#include "OverlayTestSupport.h"
#include "raster/decoders/PictureWriters.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <filesystem>

namespace vorlandite::slideshow {
namespace {

using testing::Bytes;
using testing::ShowFile;

Bytes SmallBmp() {
    testing::BmpRecipe recipe;
    recipe.width = 2;
    recipe.height = 2;
    // Stored bottom-up: red and green at the bottom, blue and white at the top.
    recipe.pixelData = testing::PackRows({{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}}, 24);
    return testing::WriteBmp(recipe);
}

TEST(PreviewImage, PictureIsLoadedAndItsFileRemoved) {
    payload::PayloadDraft draft;
    draft.preview = payload::Content::FromBytes(SmallBmp());
    ShowFile show(draft);
    auto loaded = LoadPreviewImage(show.path, show.tempFolder);
    ASSERT_TRUE(loaded.ok()) << loaded.message();
    ASSERT_TRUE(loaded->has_value());
    EXPECT_EQ((*loaded)->Width(), 2);
    EXPECT_EQ((*loaded)->Pixel(0, 1) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ((*loaded)->Pixel(1, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_FALSE(std::filesystem::exists(show.tempFolder + "SSIMG.BMP"));
}

TEST(PreviewImage, NoPictureOrWrongMagicLeavesPreviewBlack) {
    payload::PayloadDraft draft;
    ShowFile withoutPreview(draft);
    auto none = LoadPreviewImage(withoutPreview.path, withoutPreview.tempFolder);
    ASSERT_TRUE(none.ok());
    EXPECT_FALSE(none->has_value());

    draft.preview = payload::Content::FromBytes(SmallBmp());
    ShowFile damaged(draft);
    auto bytes = testing::ReadFileBytes(damaged.path);
    bytes.back() ^= 0x20;  // the magic's last letter in the other case
    testing::WriteFileBytes(damaged.path, bytes);
    auto wrongMagic = LoadPreviewImage(damaged.path, damaged.tempFolder);
    ASSERT_TRUE(wrongMagic.ok());
    EXPECT_FALSE(wrongMagic->has_value());
}

TEST(PreviewImage, CorruptPictureIsAnErrorAndLeavesNoFile) {
    payload::PayloadDraft draft;
    draft.preview = payload::Content::FromBytes(Bytes(40, 0x42));
    ShowFile show(draft);
    EXPECT_FALSE(LoadPreviewImage(show.path, show.tempFolder).ok());
    EXPECT_FALSE(std::filesystem::exists(show.tempFolder + "SSIMG.BMP"));
}

TEST(PreviewImage, ScreenshotOfAStretchedPreview) {
    testing::EnsureGuiApplication();
    const QString shots = qEnvironmentVariable("VORLANDITE_SHOTS");
    if (shots.isEmpty())
        GTEST_SKIP() << "VORLANDITE_SHOTS not set";
    testing::TempDir dir;
    ASSERT_TRUE(SaveBitmapFile(testing::MakeGradient(80, 45), dir.File("p.bmp")).ok());
    payload::PayloadDraft draft;
    draft.preview = payload::Content::FromBytes(testing::ReadFileBytes(dir.File("p.bmp")));
    ShowFile show(draft);
    auto loaded = LoadPreviewImage(show.path, show.tempFolder);
    ASSERT_TRUE(loaded.ok() && loaded->has_value());
    QImage window(152, 112, QImage::Format_ARGB32);
    window.fill(Qt::black);
    QPainter painter(&window);
    PaintPreviewImage(painter, window.rect(), **loaded);
    painter.end();
    EXPECT_TRUE(window.save(shots + "/preview.png"));
}

// ---- exit banner ------------------------------------------------------------------------

struct PlacementRow {
    const char* name;
    int width, height, screenWidth, screenHeight;
    int left, top;
};

class ExitBannerPlacementTest : public ::testing::TestWithParam<PlacementRow> {};

TEST_P(ExitBannerPlacementTest, Centred) {
    const PlacementRow& row = GetParam();
    const raster::Rect r = ExitBannerPlacement(row.width, row.height, row.screenWidth, row.screenHeight);
    EXPECT_EQ(r.left, row.left);
    EXPECT_EQ(r.top, row.top);
    EXPECT_EQ(r.Width(), row.width);
    EXPECT_EQ(r.Height(), row.height);
}

INSTANTIATE_TEST_SUITE_P(Banners, ExitBannerPlacementTest,
                         ::testing::Values(PlacementRow{"Banner400x300On1024x768", 400, 300, 1024, 768, 312, 234},
                                           PlacementRow{"OddRemainderTruncates", 401, 301, 1024, 768, 311, 233},
                                           PlacementRow{"LargerThanScreenTowardZero", 1025, 769, 1000, 700, -12, -34}),
                         [](const auto& rowInfo) { return std::string(rowInfo.param.name); });

payload::PayloadDraft DraftWithBanner(Bytes banner, const std::string& ext, const std::string& link) {
    payload::PayloadDraft draft;
    draft.exitBanner = payload::Content::FromBytes(std::move(banner));
    draft.header.ExitBannerExt = ext;
    draft.strings.ExitBannerLink = link;
    // Sections before and after the banner, so a wrong section start reads the wrong bytes.
    draft.preview = payload::Content::FromBytes(SmallBmp());
    draft.configBanner = payload::Content::FromBytes(Bytes(17, 0x11));
    draft.logo = payload::Content::FromBytes(testing::WritePngFromBitmap(testing::MakeGradient(3, 3)));
    return draft;
}

TEST(ExitBanner, ShownOncePerRunPlacedAndLeftInTempFolder) {
    ShowFile show(DraftWithBanner(testing::WritePngFromBitmap(testing::MakeGradient(400, 300), true), ".png", ""));
    ExitBanner banner;
    std::vector<ExitBannerPicture> shown;
    auto record = [&](const ExitBannerPicture& p) { shown.push_back(p); };
    EXPECT_TRUE(banner.DisplayExitBanner(show.payload, show.path, show.tempFolder, 1024, 768, record));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].bounds, (raster::Rect{312, 234, 712, 534}));
    EXPECT_EQ(shown[0].picture.Width(), 400);
    EXPECT_FALSE(shown[0].handCursor);
    EXPECT_TRUE(std::filesystem::exists(show.tempFolder + "SSEB.png"));

    EXPECT_FALSE(banner.DisplayExitBanner(show.payload, show.path, show.tempFolder, 1024, 768, record));
    EXPECT_EQ(shown.size(), 1u);
}

TEST(ExitBanner, UndecodableBannerIsSwallowedAndNotRetried) {
    ShowFile show(DraftWithBanner(Bytes(50, 0x77), ".jpg", ""));
    ExitBanner banner;
    int calls = 0;
    auto count = [&](const ExitBannerPicture&) { ++calls; };
    EXPECT_FALSE(banner.DisplayExitBanner(show.payload, show.path, show.tempFolder, 800, 600, count));
    EXPECT_TRUE(banner.WindowMade());
    EXPECT_FALSE(banner.DisplayExitBanner(show.payload, show.path, show.tempFolder, 800, 600, count));
    EXPECT_EQ(calls, 0);
}

} // namespace
} // namespace vorlandite::slideshow

// F2 during the show: the wallpaper file, the store's values and the desktop request, for the
// item kinds F2 can meet.

#include "slideshow/Wallpaper.h"

#include "OverlayTestSupport.h"
#include "payload/PayloadLayout.h"
#include "platform/FileRegistry.h"
#include "raster/decoders/PictureDecoding.h"
#include "raster/canvas/QtImageBridge.h"
#include "raster/decoders/PictureWriters.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vorlandite::slideshow {
namespace {

using testing::Bytes;
using testing::ShowFile;

payload::PayloadDraft DraftWithItem(const std::string& ext, Bytes bytes, bool compressed, int stretchSetting,
                                    int itemStretch = -1) {
    payload::PayloadDraft draft;
    draft.header.Stretch = stretchSetting;
    payload::DraftItem<payload::TKelImageInfo> item;
    item.record.Ext = ext;
    item.record.Stretch = itemStretch;
    item.content = payload::Content::FromBytes(std::move(bytes));
    item.compressed = compressed;
    draft.images.push_back(std::move(item));
    return draft;
}

struct Rig {
    explicit Rig(const payload::PayloadDraft& draft)
        : show(draft), registry(show.dir.File("user.reg"), [](const std::string&) {}),
          windowsFolder(show.dir.File("windows")) {
        std::filesystem::create_directories(windowsFolder);
    }
    Status Press(int index, const WallpaperScreen& screen = {}) {
        WallpaperServices services{registry, desktop, windowsFolder, show.tempFolder};
        return SetCurrentImageAsWallpaper(index, show.payload, show.path, services, screen);
    }
    std::string Value(const char* name) {
        auto key = registry.OpenKey(kDesktopKey, false);
        if (!key.ok())
            return "<no key>";
        auto value = (*key)->ReadString(name);
        return value.ok() ? *value : "<missing>";
    }
    std::string WallpaperFile() const { return WallpaperFilePath(windowsFolder); }

    ShowFile show;
    platform::FileRegistry registry;
    platform::FakeDesktopWallpaper desktop;
    std::string windowsFolder;
};

struct WallpaperRow {
    const char* name;
    const char* ext;
    bool compressed;
    int stretchSetting;
    int itemStretch;
    const char* style;
};

class WallpaperPicture : public ::testing::TestWithParam<WallpaperRow> {};

TEST_P(WallpaperPicture, WritesBitmapOfThePictureAndTheStoreValues) {
    testing::EnsureGuiApplication();
    const WallpaperRow& row = GetParam();
    const raster::TBitmap32 picture = testing::MakeGradient(37, 23);
    Bytes bytes = std::string(row.ext) == ".jpg" ? testing::WriteJpeg(picture) : testing::WritePngFromBitmap(picture, true);
    Rig rig(DraftWithItem(row.ext, bytes, row.compressed, row.stretchSetting, row.itemStretch));
    ASSERT_TRUE(rig.Press(0).ok());

    auto written = raster::DecodePictureFile(rig.WallpaperFile());
    ASSERT_TRUE(written.ok()) << written.message();
    EXPECT_EQ(written->Width(), 37);
    EXPECT_EQ(written->Height(), 23);
    if (std::string(row.ext) == ".png") {
        auto stored = raster::DecodePicture(bytes, ".png").value();
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(written->Pixel(x, y) | 0xFF000000u, stored.Pixel(x, y)) << x << "," << y;
    }
    EXPECT_EQ(rig.Value("Wallpaper"), rig.WallpaperFile());
    EXPECT_EQ(rig.Value("TileWallpaper"), "0");
    EXPECT_EQ(rig.Value("WallpaperStyle"), row.style);
    EXPECT_EQ(rig.Value("WallpaperOriginX"), "0");
    EXPECT_EQ(rig.Value("WallpaperOriginY"), "0");
    ASSERT_EQ(rig.desktop.requests.size(), 1u);
    EXPECT_EQ(rig.desktop.requests[0].path, rig.WallpaperFile());
    EXPECT_EQ(rig.desktop.requests[0].stretched, std::string(row.style) == "2");
    EXPECT_FALSE(std::filesystem::exists(rig.show.tempFolder + "SSWIMG" + row.ext));
}

INSTANTIATE_TEST_SUITE_P(
    Items, WallpaperPicture,
    ::testing::Values(WallpaperRow{"JpegCentred", ".jpg", false, 0, -1, "0"},
                      WallpaperRow{"PngStretched", ".png", true, 1, -1, "2"},
                      WallpaperRow{"ItemStretchDoesNotCount", ".png", false, 0, 1, "0"},
                      WallpaperRow{"OtherSizeModeCentred", ".png", false, 3, -1, "0"}),
    [](const auto& rowInfo) { return std::string(rowInfo.param.name); });

TEST(Wallpaper, BmpItemIsCopiedUnchanged) {
    // A bottom-up 24-bit bitmap with a trailing byte no re-encoding would keep.
    testing::BmpRecipe recipe;
    recipe.width = 3;
    recipe.height = 2;
    recipe.pixelData = testing::PackRows({{0x0000FF, 0x00FF00, 0xFF0000}, {0x123456, 0x654321, 0xABCDEF}}, 24);
    Bytes bytes = testing::WriteBmp(recipe);
    bytes.push_back(0x5A);
    Rig rig(DraftWithItem(".BMP", bytes, true, 0));
    ASSERT_TRUE(rig.Press(0).ok());
    EXPECT_EQ(testing::ReadFileBytes(rig.WallpaperFile()), bytes);
    EXPECT_EQ(rig.desktop.requests.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(rig.show.tempFolder + "SSWIMG.BMP"));
}

TEST(Wallpaper, NothingWhileNoPictureIsOnScreen) {
    Rig rig(DraftWithItem(".png", testing::WritePngFromBitmap(testing::MakeGradient(4, 4)), false, 0));
    raster::TBitmap32 screen = testing::SolidBitmap(400, 300, 0xFF102030);
    bool repainted = false;
    ASSERT_TRUE(rig.Press(-1, {&screen, [&](const raster::Rect&) { repainted = true; }}).ok());
    EXPECT_FALSE(std::filesystem::exists(rig.WallpaperFile()));
    EXPECT_EQ(rig.Value("Wallpaper"), "<no key>");
    EXPECT_TRUE(rig.desktop.requests.empty());
    EXPECT_FALSE(repainted);
    EXPECT_TRUE(testing::InkBounds(screen, 0xFF102030).IsEmpty());
}

TEST(Wallpaper, NoticeIsWrittenOnScreenAndRepainted) {
    testing::EnsureGuiApplication();
    Rig rig(DraftWithItem(".png", testing::WritePngFromBitmap(testing::MakeGradient(4, 4)), false, 0));
    raster::TBitmap32 screen = testing::SolidBitmap(640, 480, 0xFF102030);
    std::vector<raster::Rect> repaints;
    ASSERT_TRUE(rig.Press(0, {&screen, [&](const raster::Rect& r) { repaints.push_back(r); }}).ok());
    ASSERT_EQ(repaints.size(), 1u);
    EXPECT_EQ(repaints[0].left, 100);
    EXPECT_EQ(repaints[0].top, 200);
    EXPECT_GT(repaints[0].Width(), 100);
    // Only the notice's box changed: white background with dark text.
    EXPECT_EQ(testing::InkBounds(screen, 0xFF102030), repaints[0]);
    EXPECT_EQ(screen.Pixel(100, 200), 0xFFFFFFFFu);
    if (const QString shots = qEnvironmentVariable("VORLANDITE_SHOTS"); !shots.isEmpty())
        raster::ToQImage(screen).save(shots + "/wallpaper-notice.png");
}

TEST(Wallpaper, UndecodableItemChangesNothingAndLeavesNoCopy) {
    Rig rig(DraftWithItem(".jpg", Bytes(64, 0x33), false, 0));
    ASSERT_FALSE(rig.Press(0).ok());
    EXPECT_FALSE(std::filesystem::exists(rig.WallpaperFile()));
    EXPECT_EQ(rig.Value("Wallpaper"), "<no key>");
    EXPECT_TRUE(rig.desktop.requests.empty());
    EXPECT_FALSE(std::filesystem::exists(rig.show.tempFolder + "SSWIMG.jpg"));
}

// A copy of the name that something left behind is never taken for the item that could not be
// extracted: a bitmap would be copied to the wallpaper as it is.
TEST(Wallpaper, ItemThatCannotBeExtractedChangesNothingNotEvenThroughAnOlderCopy) {
    testing::BmpRecipe recipe;
    recipe.width = 2;
    recipe.height = 2;
    recipe.pixelData = testing::PackRows({{0x0000FF, 0x00FF00}, {0xFF0000, 0x123456}}, 24);
    const Bytes bytes = testing::WriteBmp(recipe);
    Rig rig(DraftWithItem(".bmp", bytes, false, 0));
    const payload::TKelImageInfo& item = rig.show.payload.images[0];
    std::filesystem::resize_file(rig.show.path, uint64_t(payload::ItemPosition(rig.show.payload.header, item)));
    const std::string stale = rig.show.tempFolder + "SSWIMG.bmp";
    testing::WriteFileBytes(stale, bytes);
    EXPECT_FALSE(rig.Press(0).ok());
    EXPECT_FALSE(std::filesystem::exists(rig.WallpaperFile()));
    EXPECT_TRUE(rig.desktop.requests.empty());
    EXPECT_FALSE(std::filesystem::exists(stale));
}

} // namespace
} // namespace vorlandite::slideshow

// The background behind every item: random colours and style drawn through the program's
// generator, the gradient, the desktop snapshot, the background picture in its three modes,
// and the rule that decides when it is painted again before an item.

#include "slideshow/Background.h"

#include "OverlayTestSupport.h"
#include "ScriptedRandom.h"
#include "raster/ColorConversion.h"
#include "raster/decoders/PictureWriters.h"

#include <gtest/gtest.h>

#include <ostream>

#include <filesystem>

namespace vorlandite::slideshow {
namespace {

namespace support = vorlandite::testing;
using raster::TBitmap32;
using raster::TColor32;
using support::ScriptedRandom;

constexpr TColor32 kPictureColour = 0xFF20C040u;

class FakeCapture final : public raster::DesktopCapture {
public:
    explicit FakeCapture(Result<TBitmap32> screen) : screen_(std::move(screen)) {}
    Result<TBitmap32> GrabScreen() override { return screen_; }

private:
    Result<TBitmap32> screen_;
};

// A flat background (equal gradient colours) so the picture is easy to find on it.
payload::TKelFixedSizeInfo FlatHeader(int32_t colour) {
    payload::TKelFixedSizeInfo header;
    header.BackgroundColor = colour;
    header.BackgroundColor2 = colour;
    header.GradientStyle = 1;
    return header;
}

TEST(BackgroundColoursTest, RandomColoursAndStyleComeFromTheGenerator) {
    payload::TKelFixedSizeInfo header = FlatHeader(0x00112233);
    header.RandomColors = true;
    header.RandomGradient = true;
    ScriptedRandom random({10, 20, 30, 40, 50, 60, 3});
    EXPECT_EQ(PrepareBackgroundColours(header, random), 0x001E140Au);
    EXPECT_EQ(header.BackgroundColor, 0x001E140A);  // red 10, green 20, blue 30
    EXPECT_EQ(header.BackgroundColor2, 0x003C3228);
    EXPECT_EQ(header.GradientStyle, 4);
    EXPECT_EQ(random.Asked(), (std::vector<int>{256, 256, 256, 256, 256, 256, 8}));
}

TEST(BackgroundColoursTest, WithoutRandomnessTheAuthorsColoursStay) {
    payload::TKelFixedSizeInfo header = FlatHeader(0x00112233);
    ScriptedRandom random;
    EXPECT_EQ(PrepareBackgroundColours(header, random), 0x00112233u);
    EXPECT_EQ(header.GradientStyle, 1);
    EXPECT_TRUE(random.Asked().empty());
}

TEST(PaintBackgroundTest, GradientFromBlackToWhite) {
    payload::TKelFixedSizeInfo header = FlatHeader(0x00000000);
    header.BackgroundColor2 = 0x00FFFFFF;
    auto background = PaintBackground(header, 8, 256, {});
    ASSERT_TRUE(background.ok()) << background.message();
    EXPECT_EQ(background->bitmap.Pixel(3, 0), 0xFF000000u);
    EXPECT_EQ(background->bitmap.Pixel(3, 100), 0xFF646464u);
    EXPECT_EQ(background->bitmap.Pixel(3, 255), 0xFFFFFFFFu);
    EXPECT_FALSE(background->picture.has_value());
}

TEST(PaintBackgroundTest, DesktopSnapshotWithTheBackgroundColourWhereItDoesNotReach) {
    payload::TKelFixedSizeInfo header = FlatHeader(0x00336699);
    header.DesktopBackground = true;
    FakeCapture capture(support::SolidBitmap(4, 4, 0xFFFF0000u));
    auto background = PaintBackground(header, 8, 6, {&capture, "", ""});
    ASSERT_TRUE(background.ok()) << background.message();
    EXPECT_EQ(background->bitmap.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(background->bitmap.Pixel(7, 5), raster::ToColor32(0x00336699));
}

TEST(PaintBackgroundTest, FailedSnapshotLeavesAnOpaqueBackgroundColour) {
    payload::TKelFixedSizeInfo header = FlatHeader(0x00336699);
    header.DesktopBackground = true;
    FakeCapture capture(MakeError("no screen"));
    auto background = PaintBackground(header, 8, 6, {&capture, "", ""});
    ASSERT_TRUE(background.ok());
    for (TColor32 pixel : background->bitmap.Pixels())
        ASSERT_EQ(pixel, 0xFF996633u);
}

// ---- the background picture ----------------------------------------------------------------

payload::PayloadDraft DraftWithBackground(int mode, const std::string& ext, support::Bytes bytes) {
    payload::PayloadDraft draft;
    draft.header = FlatHeader(0x00000000);
    draft.header.BackgroundPictureMode = mode;
    draft.header.BackgroundExt = ext;
    draft.background = payload::Content::FromBytes(std::move(bytes));
    return draft;
}

support::Bytes PicturePng(int w, int h) { return support::WritePngFromBitmap(support::SolidBitmap(w, h, kPictureColour), true); }

struct PictureModeRow {
    std::string name;
    int mode;
    int pictureWidth, pictureHeight;
    raster::Rect covered;  // on a 10 x 8 background
    friend void PrintTo(const PictureModeRow& row, std::ostream* os) { *os << row.name; }
};

class BackgroundPictureTest : public ::testing::TestWithParam<PictureModeRow> {};

TEST_P(BackgroundPictureTest, CoversWhatItsModeSays) {
    const PictureModeRow& row = GetParam();
    support::ShowFile show(DraftWithBackground(row.mode, ".png", PicturePng(row.pictureWidth, row.pictureHeight)));
    auto background = PaintBackground(show.payload.header, 10, 8, {nullptr, show.path, show.tempFolder});
    ASSERT_TRUE(background.ok()) << background.message();
    ASSERT_TRUE(background->picture.has_value());
    EXPECT_EQ(support::InkBounds(background->bitmap, 0xFF000000u), row.covered);
    EXPECT_TRUE(std::filesystem::exists(show.tempFolder + "SSBG.png")) << "the extracted file stays";
}

INSTANTIATE_TEST_SUITE_P(Modes, BackgroundPictureTest,
                         ::testing::Values(PictureModeRow{"Tiled", 0, 4, 3, {0, 0, 10, 8}},
                                           PictureModeRow{"Fitted", 1, 4, 2, {0, 1, 10, 6}},
                                           PictureModeRow{"Centred", 2, 4, 3, {3, 2, 7, 5}},
                                           PictureModeRow{"CentredFitsWhenLarger", 7, 20, 10, {0, 1, 10, 6}}),
                         [](const auto& rowInfo) { return rowInfo.param.name; });

TEST(BackgroundPictureLoadTest, UndecodablePictureStopsTheBuild) {
    support::ShowFile show(DraftWithBackground(0, ".pcx", PicturePng(4, 3)));
    auto background = PaintBackground(show.payload.header, 10, 8, {nullptr, show.path, show.tempFolder});
    EXPECT_FALSE(background.ok());
}

// ---- painting again before an item ---------------------------------------------------------

struct RepaintRow {
    std::string name;
    bool repaint;
    bool desktop;
    bool expectPainted;
    friend void PrintTo(const RepaintRow& row, std::ostream* os) { *os << row.name; }
};

class RebuildBackgroundTest : public ::testing::TestWithParam<RepaintRow> {};

TEST_P(RebuildBackgroundTest, PaintsOnlyWhenAskedAndNotOverTheDesktop) {
    const RepaintRow& row = GetParam();
    payload::TKelFixedSizeInfo header = FlatHeader(0x00000000);
    header.RepaintBackground = row.repaint;
    header.DesktopBackground = row.desktop;
    header.RandomColors = true;
    Background background{support::SolidBitmap(6, 4, 0xFF123456u), std::nullopt};
    ScriptedRandom random({255, 0, 0, 255, 0, 0});

    EXPECT_EQ(RebuildBackground(header, random, background), row.expectPainted);
    if (row.expectPainted) {
        EXPECT_EQ(header.BackgroundColor, 0x000000FF);
        EXPECT_EQ(background.bitmap.Pixel(0, 0), 0xFFFF0000u);
    } else {
        EXPECT_EQ(header.BackgroundColor, 0);
        EXPECT_EQ(background.bitmap.Pixel(0, 0), 0xFF123456u);
        EXPECT_TRUE(random.Asked().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Rule, RebuildBackgroundTest,
                         ::testing::Values(RepaintRow{"Repaint", true, false, true},
                                           RepaintRow{"NoRepaint", false, false, false},
                                           RepaintRow{"DesktopIsNeverRepainted", true, true, false}),
                         [](const auto& rowInfo) { return rowInfo.param.name; });

TEST(RebuildBackgroundPictureTest, PictureIsDrawnAgainOverTheNewGradient) {
    support::ShowFile show(DraftWithBackground(2, ".png", PicturePng(4, 3)));
    payload::TKelFixedSizeInfo header = show.payload.header;
    auto background = PaintBackground(header, 10, 8, {nullptr, show.path, show.tempFolder});
    ASSERT_TRUE(background.ok()) << background.message();
    header.RepaintBackground = true;
    header.RandomGradient = true;
    header.BackgroundColor = 0x00FFFFFF;
    header.BackgroundColor2 = 0x00FFFFFF;
    ScriptedRandom random({5});
    ASSERT_TRUE(RebuildBackground(header, random, *background));
    EXPECT_EQ(header.GradientStyle, 6);
    EXPECT_EQ(background->bitmap.Pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(background->bitmap.Pixel(5, 3), kPictureColour);
}

} // namespace
} // namespace vorlandite::slideshow

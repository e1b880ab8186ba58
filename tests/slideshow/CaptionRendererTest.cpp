// Captions: the box around the measured text and its colour, placement by position code, no
// box when transparent, the one-pixel shadow, the two line layouts, fonts and conversion of the
// record's Windows-1252 texts, and the cases where nothing is drawn.

#include "slideshow/CaptionRenderer.h"

#include "OverlayTestSupport.h"
#include "raster/ColorConversion.h"


#include <gtest/gtest.h>

#include <climits>

namespace vorlandite::slideshow {
namespace {

namespace support = vorlandite::testing;
using raster::TBitmap32;
using raster::TColor32;
using raster::Rect;

constexpr TColor32 kBackground = 0xFF305070u;
constexpr uint32_t kYellowValue = 0x0000FFFFu;   // 0x00BBGGRR
constexpr TColor32 kYellow = 0xFFFFFF00u;
constexpr uint32_t kNavyValue = 0x00800000u;
constexpr TColor32 kNavy = 0xFF000080u;

class CaptionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { support::EnsureGuiApplication(); }

    static Caption MakeCaption(const char* text) {
        Caption c;
        c.text = QString::fromUtf8(text);
        c.textColor = kYellowValue;
        c.boxColor = kNavyValue;
        c.size = 14;
        c.position = {0, 10, 10};
        return c;
    }
    static TBitmap32 Rendered(const Caption& caption, int w = 320, int h = 200) {
        TBitmap32 target = support::SolidBitmap(w, h, kBackground);
        RenderCaption(target, caption);
        return target;
    }
};

TEST_F(CaptionTest, BoxSurroundsTheTextByFivePixelsInTheBoxColour) {
    const Caption caption = MakeCaption("Harbour at dawn");
    const CaptionLayout layout = LayoutCaption(caption, 320, 200);
    const Rect& r = layout.textRect;
    ASSERT_EQ(r.left, 10);
    ASSERT_EQ(r.top, 10);
    ASSERT_GT(r.Width(), 50);
    ASSERT_GT(r.Height(), 10);

    const TBitmap32 target = Rendered(caption);
    const Rect box{5, 5, r.right + 5, r.bottom + 5};
    EXPECT_EQ(support::InkBounds(target, kBackground), box);
    EXPECT_EQ(target.Pixel(5, 5), kNavy);
    EXPECT_EQ(target.Pixel(box.right - 1, box.bottom - 1), kNavy);
    EXPECT_EQ(target.Pixel(box.right - 1, 5), kNavy);
    // The text itself lies inside the measured rectangle and is drawn in its colour.
    const Rect text = support::InkBounds(target, kNavy, box);
    EXPECT_GE(text.left, r.left);
    EXPECT_GE(text.top, r.top);
    EXPECT_LE(text.right, r.right);
    EXPECT_LE(text.bottom, r.bottom);
    bool yellowFound = false;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            yellowFound = yellowFound || target.Pixel(x, y) == kYellow;
    EXPECT_TRUE(yellowFound);
}

struct PlacementRow {
    const char* name;
    int code;
    // Expected text rectangle edges as functions of the measured size.
    bool right, bottom, centredX, centredY;
};

class CaptionPlacementTest : public CaptionTest, public ::testing::WithParamInterface<PlacementRow> {};

TEST_P(CaptionPlacementTest, FollowsThePositionCode) {
    const PlacementRow& row = GetParam();
    Caption caption = MakeCaption("Lighthouse");
    caption.position = {row.code, 12, 8};
    const Rect r = LayoutCaption(caption, 320, 200).textRect;
    const int w = r.Width(), h = r.Height();
    const int x = row.centredX ? (320 - w) / 2 + 12 : row.right ? 320 - w - 12 : 12;
    const int y = row.centredY ? (200 - h) / 2 + 8 : row.bottom ? 200 - h - 8 : 8;
    EXPECT_EQ(r.left, x);
    EXPECT_EQ(r.top, y);
    const TBitmap32 target = Rendered(caption);
    EXPECT_EQ(support::InkBounds(target, kBackground), (Rect{x - 5, y - 5, x + w + 5, y + h + 5}));
}

INSTANTIATE_TEST_SUITE_P(Codes, CaptionPlacementTest,
                         ::testing::Values(PlacementRow{"TopLeft", 0, false, false, false, false},
                                           PlacementRow{"TopRight", 1, true, false, false, false},
                                           PlacementRow{"TopCentre", 2, false, false, true, false},
                                           PlacementRow{"BottomLeft", 3, false, true, false, false},
                                           PlacementRow{"BottomRight", 4, true, true, false, false},
                                           PlacementRow{"BottomCentre", 5, false, true, true, false},
                                           PlacementRow{"Centre", 9, false, false, true, true}),
                         [](const ::testing::TestParamInfo<PlacementRow>& rowInfo) {
                             return std::string(rowInfo.param.name);
                         });

TEST_F(CaptionTest, TransparentCaptionHasNoBox) {
    Caption caption = MakeCaption("Harbour");
    caption.noBox = true;
    const Rect r = LayoutCaption(caption, 320, 200).textRect;
    const TBitmap32 target = Rendered(caption);
    const Rect ink = support::InkBounds(target, kBackground);
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.left, r.left);
    EXPECT_GE(ink.top, r.top);
    EXPECT_LE(ink.right, r.right);
    EXPECT_LE(ink.bottom, r.bottom);
    EXPECT_EQ(target.Pixel(5, 5), kBackground);
}

// The shadow is the same text one pixel right and down, in black, under the text.
class CaptionShadowTest : public CaptionTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CaptionShadowTest, ShadowIsTheTextMovedByOnePixel) {
    Caption caption = MakeCaption("Shadow\nline");
    caption.noBox = true;
    caption.multiLine = GetParam();
    const Rect plain = support::InkBounds(Rendered(caption), kBackground);
    caption.shadow = true;
    const TBitmap32 shadowed = Rendered(caption);
    EXPECT_EQ(support::InkBounds(shadowed, kBackground),
              (Rect{plain.left, plain.top, plain.right + 1, plain.bottom + 1}));
    // Yellow text on blue-grey never comes near black; only the shadow does.
    const auto blackish = [](const TBitmap32& b) {
        int count = 0;
        for (const TColor32 p : b.Pixels())
            count += ((p >> 16) & 0xFF) < 0x20 && ((p >> 8) & 0xFF) < 0x20 && (p & 0xFF) < 0x20;
        return count;
    };
    EXPECT_GT(blackish(shadowed), 10);
    caption.shadow = false;
    EXPECT_EQ(blackish(Rendered(caption)), 0);
}

INSTANTIATE_TEST_SUITE_P(Layouts, CaptionShadowTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& rowInfo) {
                             return std::string(rowInfo.param ? "MultiLine" : "Block");
                         });

// Two identical lines: the distance between their ink tops is the line step.
int LineStep(const TBitmap32& target, const Rect& area) {
    const int middle = (area.top + area.bottom) / 2;
    const Rect first = support::InkBounds(target, kBackground, {area.left, area.top, area.right, middle});
    const Rect second = support::InkBounds(target, kBackground, {area.left, middle, area.right, area.bottom});
    return second.top - first.top;
}

struct BreakRow {
    const char* name;
    const char* text;
};

class CaptionLineBreakTest : public CaptionTest, public ::testing::WithParamInterface<BreakRow> {};

TEST_P(CaptionLineBreakTest, MultiLineStepsByTheHeightOfA) {
    Caption caption = Caption(GetParam().text);
    caption.noBox = true;
    caption.multiLine = true;
    caption.size = 20;
    const CaptionLayout layout = LayoutCaption(caption, 320, 200);
    const TBitmap32 target = Rendered(caption);
    EXPECT_EQ(LineStep(target, layout.textRect), layout.lineHeight);
    // Both lines are measured: the box is two lines high.
    Caption single = caption;
    single.text = QStringLiteral("H");
    EXPECT_GE(layout.textRect.Height(), 2 * LayoutCaption(single, 320, 200).textRect.Height());
}

INSTANTIATE_TEST_SUITE_P(Breaks, CaptionLineBreakTest,
                         ::testing::Values(BreakRow{"CrLf", "H\r\nH"}, BreakRow{"Cr", "H\rH"},
                                           BreakRow{"Lf", "H\nH"}),
                         [](const ::testing::TestParamInfo<BreakRow>& rowInfo) { return std::string(rowInfo.param.name); });

TEST_F(CaptionTest, BlockCaptionKeepsThePlatformsLineSpacing) {
    Caption caption = MakeCaption("H\r\nH");
    caption.noBox = true;
    caption.size = 20;
    const CaptionLayout layout = LayoutCaption(caption, 320, 200);
    const TBitmap32 target = Rendered(caption);
    // The lines are where the measured block puts them: two equal halves.
    EXPECT_EQ(LineStep(target, layout.textRect), layout.textRect.Height() / 2);
}

TEST_F(CaptionTest, EmptyFontNameIsVerdanaAndStyle3IsUnderlinedBold) {
    const QFont font = CaptionFont(QString(), 12, 3);
    EXPECT_EQ(font.families().value(0), QStringLiteral("Verdana"));
    EXPECT_EQ(font.pixelSize(), 16);  // 12 points at 96 dpi
    EXPECT_TRUE(font.underline() && font.bold());
    EXPECT_FALSE(font.italic() || font.strikeOut());
}

TEST_F(CaptionTest, UnknownFontStillDrawsText) {
    Caption caption = MakeCaption("Fallback");
    caption.fontName = QStringLiteral("No Such Font 123");
    caption.noBox = true;
    EXPECT_FALSE(support::InkBounds(Rendered(caption), kBackground).IsEmpty());
}

TEST_F(CaptionTest, RecordTextIsWindows1252AndNoColourIsWhite) {
    payload::TKelImageInfo item;
    item.Text = "Caf\xE9 \x80 5";
    item.TextColor = int32_t(payload::kNoColor);
    const Caption caption = CaptionOf(item);
    EXPECT_EQ(caption.text, QString::fromUtf8("Café € 5"));
    EXPECT_EQ(raster::ToColor32(caption.textColor), 0xFFFFFFFFu);
}

TEST_F(CaptionTest, NothingForNoItemOrNoText) {
    std::vector<payload::TKelImageInfo> items(2);
    items[0].Text = "First";
    items[0].TextSize = 12;
    for (int index : {-1, 1, 2, 1000}) {
        TBitmap32 target = support::SolidBitmap(100, 60, kBackground);
        DrawItemText(items, index, target);
        EXPECT_TRUE(support::InkBounds(target, kBackground).IsEmpty()) << index;
    }
    TBitmap32 target = support::SolidBitmap(100, 60, kBackground);
    DrawItemText(items, 0, target);
    EXPECT_FALSE(support::InkBounds(target, kBackground).IsEmpty());
}

TEST_F(CaptionTest, HostileSizesAndMarginsDoNotBreakDrawing) {
    for (int size : {INT_MIN, -20, 0, 5000, INT_MAX}) {
        Caption caption = MakeCaption("Big");
        caption.size = size;
        caption.position = {4, INT_MIN, INT_MAX};
        TBitmap32 target = support::SolidBitmap(64, 48, kBackground);
        RenderCaption(target, caption);
        caption.position = {0, 2, 2};
        caption.multiLine = true;
        RenderCaption(target, caption);
        EXPECT_FALSE(support::InkBounds(target, kBackground).IsEmpty()) << size;
    }
}

} // namespace
} // namespace vorlandite::slideshow

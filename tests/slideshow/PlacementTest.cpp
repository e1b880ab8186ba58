// Where pictures and movie panels land: every size-and-position mode, the item's own mode
// overriding the setting, modes outside the known range, random positions (pinned through a
// scripted generator and bounded under a real one), and the monitor alternation.

#include "slideshow/DisplayPanelPlacement.h"
#include "slideshow/FrameComposer.h"
#include "slideshow/Placement.h"

#include "ScriptedRandom.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>

namespace vorlandite::slideshow {
namespace {

using raster::Rect;
using testing::ScriptedRandom;

struct FixedPlacementRow {
    std::string name;
    int mode;
    int width, height, pictureWidth, pictureHeight;
    Rect expected;
    friend void PrintTo(const FixedPlacementRow& row, std::ostream* os) { *os << row.name; }
};

class FixedPlacementTest : public ::testing::TestWithParam<FixedPlacementRow> {};

TEST_P(FixedPlacementTest, GivesTheRectangle) {
    const FixedPlacementRow& row = GetParam();
    ScriptedRandom random;
    EXPECT_EQ(PicturePlacement(row.mode, row.width, row.height, row.pictureWidth, row.pictureHeight, random),
              row.expected);
    EXPECT_TRUE(random.Asked().empty()) << "a fixed mode drew random numbers";
}

INSTANTIATE_TEST_SUITE_P(
    Modes, FixedPlacementTest,
    ::testing::Values(
        // Equal ratios take the second branch: the whole window.
        FixedPlacementRow{"FitEqualRatios", 0, 1024, 768, 800, 600, {0, 0, 1024, 768}},
        FixedPlacementRow{"FitTall", 0, 1024, 768, 500, 1000, {320, 0, 704, 768}},
        // q = 255 is odd: halved on both sides the picture comes out 254 wide.
        FixedPlacementRow{"FitOddWidth", 0, 1024, 768, 333, 1000, {385, 0, 639, 768}},
        FixedPlacementRow{"FitWide", 0, 1024, 768, 1000, 100, {0, 333, 1024, 435}},
        FixedPlacementRow{"FitSmallPictureScalesUp", 0, 100, 100, 10, 5, {0, 25, 100, 75}},
        FixedPlacementRow{"FillIgnoresAspect", 1, 1024, 768, 333, 1000, {0, 0, 1024, 768}},
        FixedPlacementRow{"CentreSmall", 2, 1024, 768, 300, 200, {362, 284, 662, 484}},
        FixedPlacementRow{"CentreLargerIsCut", 2, 1024, 768, 1200, 900, {-88, -66, 1112, 834}},
        FixedPlacementRow{"CentreCutLeftAndRight", 2, 1024, 768, 1100, 500, {-38, 134, 1062, 634}},
        FixedPlacementRow{"ShrinkWhenTooWide", 4, 1024, 768, 1100, 500, {0, 151, 1024, 616}},
        FixedPlacementRow{"ShrinkWhenTooTall", 4, 1024, 768, 500, 1000, {320, 0, 704, 768}},
        FixedPlacementRow{"ShrinkModeKeepsSmallUnscaled", 4, 1024, 768, 300, 200, {362, 284, 662, 484}},
        FixedPlacementRow{"ShrinkModeExactFit", 4, 1024, 768, 1024, 768, {0, 0, 1024, 768}}),
    [](const auto& rowInfo) { return rowInfo.param.name; });

TEST(PicturePlacementTest, ItemModeOverridesTheSettingUnlessMinusOne) {
    EXPECT_EQ(EffectiveStretch(-1, 4), 4);
    EXPECT_EQ(EffectiveStretch(0, 4), 0);
    EXPECT_EQ(EffectiveStretch(2, 1), 2);
    EXPECT_EQ(EffectiveStretch(7, 1), 7);  // an odd item value is the item's, not the setting's
}

TEST(PicturePlacementTest, RandomUnscaledDrawsXThenY) {
    ScriptedRandom random({100, 50});
    EXPECT_EQ(PicturePlacement(3, 1024, 768, 300, 200, random), (Rect{100, 50, 400, 250}));
    EXPECT_EQ(random.Asked(), (std::vector<int>{724, 568}));
}

TEST(PicturePlacementTest, RandomUnscaledShiftsALargerPictureLeftAndUp) {
    ScriptedRandom random({30, 7});
    EXPECT_EQ(PicturePlacement(3, 1024, 768, 1100, 800, random), (Rect{-30, -7, 1070, 793}));
    EXPECT_EQ(random.Asked(), (std::vector<int>{76, 32}));
}

TEST(PicturePlacementTest, RandomUnscaledWithoutRoomStaysAtTheCorner) {
    for (int answer : {0, 5, 1000}) {
        ScriptedRandom exact({answer, answer});
        EXPECT_EQ(PicturePlacement(3, 640, 480, 640, 480, exact), (Rect{0, 0, 640, 480}));
        ScriptedRandom narrower({answer, answer});
        EXPECT_EQ(PicturePlacement(3, 640, 480, 639, 480, narrower).left, 0);
    }
}

TEST(PicturePlacementTest, RandomShrinkKeepsASmallPictureUnscaled) {
    ScriptedRandom random({10, 20});
    EXPECT_EQ(PicturePlacement(5, 1024, 768, 300, 200, random), (Rect{10, 20, 310, 220}));
}

// Mode 5 with a picture too big, and every mode outside 0 to 5: fitted, then moved along the
// free axis within twice the centred margin.
class FittedRandomTest : public ::testing::TestWithParam<int> {};

TEST_P(FittedRandomTest, FitsThenMovesAlongTheFreeAxis) {
    ScriptedRandom random({40});
    // FitRect(1024, 768, 1100, 500) = (0, 151, 1024, 616): only the vertical margin is free.
    EXPECT_EQ(PicturePlacement(GetParam(), 1024, 768, 1100, 500, random), (Rect{0, 40, 1024, 505}));
    EXPECT_EQ(random.Asked(), (std::vector<int>{302}));
}

INSTANTIATE_TEST_SUITE_P(Modes, FittedRandomTest, ::testing::Values(5, 6, 99, -1, -7),
                         [](const auto& rowInfo) {
                             return rowInfo.param < 0 ? "Minus" + std::to_string(-rowInfo.param)
                                                      : "Mode" + std::to_string(rowInfo.param);
                         });

TEST(PicturePlacementTest, OutOfRangeModeScalesASmallPictureUp) {
    ScriptedRandom random({0, 0});
    // 100 x 50 fitted into 1024 x 768 is 1024 x 512, top margin 128.
    EXPECT_EQ(PicturePlacement(6, 1024, 768, 100, 50, random), (Rect{0, 0, 1024, 512}));
    EXPECT_EQ(random.Asked(), (std::vector<int>{256}));
}

TEST(PicturePlacementTest, RandomPositionsStayInsideTheWindow) {
    SeededRandom random(20261209);
    for (int i = 0; i < 500; ++i) {
        const int mode = i % 2 ? 3 : 6;
        const int pw = 1 + random.Random(1024);
        const int ph = 1 + random.Random(768);
        const Rect r = PicturePlacement(mode, 1024, 768, pw, ph, random);
        ASSERT_GE(r.left, 0);
        ASSERT_GE(r.top, 0);
        ASSERT_LE(r.right, 1024);
        ASSERT_LE(r.bottom, 768);
        if (mode == 3) {
            ASSERT_EQ(r.Width(), pw);
        }
    }
}

TEST(PicturePlacementTest, PictureWithoutAreaFillsTheWindow) {
    ScriptedRandom random;
    for (int mode : {0, 2, 3, 4, 5, 6})
        EXPECT_EQ(PicturePlacement(mode, 320, 200, 0, 50, random), (Rect{0, 0, 320, 200})) << mode;
}

// ---- the display panel of videos and Flash movies ------------------------------------------

TEST(DisplayPanelTest, FitModeCountsTheEdgePixelIn) {
    ScriptedRandom random;
    EXPECT_EQ(DisplayPanelRect(0, {0, 0, 640, 480}, 1024, 768, random), (Rect{0, 0, 1024, 769}));
}

TEST(DisplayPanelTest, CentredModesKeepTheNaturalSizePlusOne) {
    ScriptedRandom random;
    for (int mode : {2, 4})
        EXPECT_EQ(DisplayPanelRect(mode, {0, 0, 640, 480}, 1024, 768, random), (Rect{192, 144, 833, 625})) << mode;
    EXPECT_TRUE(random.Asked().empty());
}

TEST(DisplayPanelTest, CentredModesFitALargerMovie) {
    ScriptedRandom random;
    // As mode 0: FitRect(1024, 768, 1921, 1081) = (0, 96, 1024, 672).
    EXPECT_EQ(DisplayPanelRect(2, {0, 0, 1920, 1080}, 1024, 768, random), (Rect{0, 96, 1025, 673}));
}

TEST(DisplayPanelTest, FillCoversTheScreen) {
    ScriptedRandom random;
    EXPECT_EQ(DisplayPanelRect(1, {0, 0, 320, 240}, 1024, 768, random), (Rect{0, 0, 1024, 768}));
}

TEST(DisplayPanelTest, RandomModesDrawTopThenLeftWhenTheMovieFits) {
    for (int mode : {3, 5, 8}) {
        ScriptedRandom random({11, 22});
        EXPECT_EQ(DisplayPanelRect(mode, {0, 0, 640, 480}, 1024, 768, random), (Rect{22, 11, 663, 492})) << mode;
        EXPECT_EQ(random.Asked(), (std::vector<int>{768 - 481, 1024 - 641})) << mode;
    }
}

TEST(DisplayPanelTest, RandomModesFitALargerMovieAndDrawLeftThenTop) {
    ScriptedRandom random({33});
    // FitRect(1024, 768, 1920, 1080) = 1024 x 576: no room across, 192 rows down.
    EXPECT_EQ(DisplayPanelRect(3, {0, 0, 1920, 1080}, 1024, 768, random), (Rect{0, 33, 1024, 609}));
    EXPECT_EQ(random.Asked(), (std::vector<int>{0, 192}));
}

TEST(DisplayPanelTest, MovieAsLargeAsTheScreenHasNoRoomToMove) {
    ScriptedRandom random({5, 5});
    // Fits, but the panel is one pixel larger than the screen: both offsets are 0.
    EXPECT_EQ(DisplayPanelRect(3, {0, 0, 1024, 768}, 1024, 768, random), (Rect{0, 0, 1025, 769}));
}

// ---- monitors and item kinds ----------------------------------------------------------------

TEST(MonitorAlternationTest, PictureItemsTakeTurnsStartingWithTheMainMonitor) {
    MonitorAlternation monitors;
    // Items: picture, video, picture, picture. Videos do not take a turn.
    EXPECT_TRUE(monitors.NextPictureOnPrimary(true));
    EXPECT_TRUE(monitors.UsePrimaryMonitor());  // the video plays on the main monitor
    EXPECT_FALSE(monitors.NextPictureOnPrimary(true));
    EXPECT_TRUE(monitors.NextPictureOnPrimary(true));
}

TEST(MonitorAlternationTest, OneMonitorAlwaysGetsThePicture) {
    MonitorAlternation monitors;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(monitors.NextPictureOnPrimary(false));
}

TEST(ItemKindTest, ByExtensionWithoutRegardToCase) {
    EXPECT_EQ(payload::KindOfExtension(".swf"), payload::ItemKind::Flash);
    EXPECT_EQ(payload::KindOfExtension(".FLA"), payload::ItemKind::Flash);
    for (const char* ext : {".ASF", ".wmv", ".Avi", ".mpeg", ".MPG"})
        EXPECT_EQ(payload::KindOfExtension(ext), payload::ItemKind::Video) << ext;
    EXPECT_EQ(payload::KindOfExtension(".Gif"), payload::ItemKind::Gif);
    EXPECT_EQ(payload::KindOfExtension(".gif"), payload::ItemKind::Gif);
    for (const char* ext : {".jpg", ".PCX", "", ".GIFF", ".mp4"})
        EXPECT_EQ(payload::KindOfExtension(ext), payload::ItemKind::Picture) << ext;
}

} // namespace
} // namespace vorlandite::slideshow

// The translation text is written by hand by authors: sections, keys and values are taken
// exactly as written, and the first entry of a key wins.

#include "ui/CaptionTable.h"

#include <gtest/gtest.h>

namespace vorlandite::ui {
namespace {

class CaptionTableTest : public ::testing::Test {
protected:
    void TearDown() override { FreeCaptionTable(); }
};

TEST_F(CaptionTableTest, WithoutATableOrAnEntryTheEnglishCaptionStays) {
    EXPECT_EQ(TranslateCaption("Item Order"), "Item Order");
    LoadCaptionTable("", kCaptionSection);
    EXPECT_EQ(TranslateCaption("Item Order"), "Item Order");
    LoadCaptionTable("Screen Saver\r\nItem Order=Order of items", kCaptionSection);
    EXPECT_EQ(TranslateCaption("Mute"), "Mute");
}

TEST_F(CaptionTableTest, OnlyTheScreenSaverSectionCounts) {
    LoadCaptionTable("Before=x\nScreen Saver\nItem Order=Order of items\nLoop=Repeat\n\nMute=Silence\n"
                     "Other\nSeconds=Nope",
                     kCaptionSection);
    EXPECT_EQ(TranslateCaption("Item Order"), "Order of items");
    EXPECT_EQ(TranslateCaption("Loop"), "Repeat");
    EXPECT_EQ(TranslateCaption("Before"), "Before");   // before the first section line
    EXPECT_EQ(TranslateCaption("Mute"), "Mute");       // an empty line ends the section
    EXPECT_EQ(TranslateCaption("Seconds"), "Seconds"); // another section

    LoadCaptionTable("[Screen Saver]\nItem Order=Order of items", kCaptionSection);
    EXPECT_EQ(TranslateCaption("Item Order"), "Item Order");

    LoadCaptionTable("A\nX=1\nB\nY=2", "");  // no section asked for: every entry
    EXPECT_EQ(TranslateCaption("X"), "1");
    EXPECT_EQ(TranslateCaption("Y"), "2");
}

TEST_F(CaptionTableTest, KeysAndValuesAreTakenExactly) {
    LoadCaptionTable("Screen Saver\r"
                     "Item Order=A=B\r"
                     "item order=lower\r\n"
                     " Loop=blank\n"
                     "&Mute sounds=&Stumm\n"
                     "Mute sounds=plain\n"
                     "Seconds=first\n"
                     "Seconds=second\n"
                     "Two#13lines=Zwei#13Zeilen\n",
                     kCaptionSection);
    EXPECT_EQ(TranslateCaption("Item Order"), "A=B");
    EXPECT_EQ(TranslateCaption("item order"), "lower");
    EXPECT_EQ(TranslateCaption("Loop"), "Loop");
    EXPECT_EQ(TranslateCaption("&Mute sounds"), "&Stumm");
    EXPECT_EQ(TranslateCaption("Seconds"), "first");
    EXPECT_EQ(TranslateCaption("Two\r\nlines"), "Zwei\r\nZeilen");
}

TEST_F(CaptionTableTest, ANulEndsTheTextAndFreeingForgetsTheTable) {
    LoadCaptionTable(std::string_view("Screen Saver\nA=1\0\nB=2", 21), kCaptionSection);
    EXPECT_EQ(TranslateCaption("A"), "1");
    EXPECT_EQ(TranslateCaption("B"), "B");
    FreeCaptionTable();
    EXPECT_EQ(TranslateCaption("A"), "A");
}

} // namespace
} // namespace vorlandite::ui

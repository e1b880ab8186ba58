// The Flash movie's header (frame size) and root timeline (pace, first stop), on movies written
// by the test.

#include "formats/swf/SwfMovie.h"

#include "formats/swf/SwfWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace vorlandite::swf {
namespace {

namespace support = vorlandite::testing;

MovieRect RectOf(int nbits, uint32_t xmax, uint32_t ymax) {
    MovieRect rect{};
    const auto bytes = SwfRectBytes(nbits, 0, xmax, 0, ymax);
    std::copy(bytes.begin(), bytes.end(), rect.begin());
    return rect;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
}

struct SizeRow {
    const char* name;
    int nbits;
    uint32_t xmax, ymax;
    int width, height;
};

class MovieSizeTest : public ::testing::TestWithParam<SizeRow> {};

TEST_P(MovieSizeTest, TwipsBecomePixelsWithTheRemainderDropped) {
    const SizeRow& row = GetParam();
    const MovieRect rect = RectOf(row.nbits, row.xmax, row.ymax);
    EXPECT_EQ(MovieWidth(rect), row.width);
    EXPECT_EQ(MovieHeight(rect), row.height);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MovieSizeTest,
    ::testing::Values(SizeRow{"Nbits15_800x600", 15, 16000, 12000, 800, 600},
                      SizeRow{"Xmax16019StillGives800", 15, 16019, 12000, 800, 600},
                      SizeRow{"Xmax16020Gives801", 15, 16020, 12019, 801, 600},
                      SizeRow{"NarrowFields", 11, 2000, 1000, 100, 50},
                      SizeRow{"WidestFields", 31, 0x7FFFFFFFu, 20, 107374182, 1},
                      SizeRow{"ZeroBitsGiveNothing", 0, 0, 0, 0, 0}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ReadMovieRectTest, ReadsThePlainAndTheCompressedHeader) {
    support::TempDir dir;
    for (bool compressed : {false, true}) {
        SwfRecipe recipe;
        recipe.xmax = 6400;
        recipe.ymax = 4800;
        recipe.compressed = compressed;
        recipe.frames.resize(2);
        const std::string path = dir.File(compressed ? "c.swf" : "f.swf");
        WriteFile(path, WriteSwf(recipe));
        auto rect = ReadMovieRect(path);
        ASSERT_TRUE(rect.ok()) << rect.message();
        EXPECT_EQ(MovieWidth(*rect), 320) << compressed;
        EXPECT_EQ(MovieHeight(*rect), 240) << compressed;
    }
}

TEST(ReadMovieRectTest, MissingOrShortFilesFail) {
    support::TempDir dir;
    EXPECT_FALSE(ReadMovieRect(dir.File("none.swf")).ok());
    std::vector<uint8_t> shortFile = StoppingSwf(2, 10);
    shortFile.resize(24);
    WriteFile(dir.File("short.swf"), shortFile);
    EXPECT_FALSE(ReadMovieRect(dir.File("short.swf")).ok());
    shortFile.resize(25, 0);
    WriteFile(dir.File("just.swf"), shortFile);
    EXPECT_TRUE(ReadMovieRect(dir.File("just.swf")).ok());
}

struct TimelineRow {
    const char* name;
    std::vector<SwfFrameRecipe> frames;
    bool compressed;
    int frameCount;
    std::optional<int> stopFrame;
};

class SwfTimelineTest : public ::testing::TestWithParam<TimelineRow> {};

TEST_P(SwfTimelineTest, FindsTheFirstFrameWhoseOwnActionsStop) {
    const TimelineRow& row = GetParam();
    SwfRecipe recipe;
    recipe.rate = 12 << 8 | 128;  // 12.5 frames per second
    recipe.frames = row.frames;
    recipe.compressed = row.compressed;
    auto timeline = ParseSwfTimeline(WriteSwf(recipe));
    ASSERT_TRUE(timeline.ok()) << timeline.message();
    EXPECT_EQ(timeline->width, 800);
    EXPECT_EQ(timeline->height, 600);
    EXPECT_DOUBLE_EQ(timeline->frameRate, 12.5);
    EXPECT_EQ(timeline->frames, row.frameCount);
    EXPECT_EQ(timeline->declaredFrames, int(row.frames.size()));
    EXPECT_EQ(timeline->firstStopFrame, row.stopFrame);
    if (row.stopFrame)
        EXPECT_EQ(timeline->StopTimeMs(), int64_t(*row.stopFrame * 80));
    else
        EXPECT_FALSE(timeline->StopTimeMs());
}

using Frame = SwfFrameRecipe;
INSTANTIATE_TEST_SUITE_P(
    Rows, SwfTimelineTest,
    ::testing::Values(
        TimelineRow{"StopOnLastFrame", {Frame{}, Frame{}, Frame{}, Frame{true}}, false, 4, 3},
        TimelineRow{"CompressedStopOnLastFrame", {Frame{}, Frame{}, Frame{}, Frame{true}}, true, 4, 3},
        TimelineRow{"FirstOfTwoStops", {Frame{}, Frame{true}, Frame{true}}, false, 3, 1},
        TimelineRow{"StopOnTheFirstFrame", {Frame{true}}, false, 1, 0},
        TimelineRow{"NoStopLoopsForEver", {Frame{}, Frame{}}, false, 2, std::nullopt},
        TimelineRow{"StopOnlyInAFunctionBody", {Frame{}, Frame{false, true}}, false, 2, std::nullopt},
        TimelineRow{"StopOnlyInASprite", {Frame{false, false, true}, Frame{}}, false, 2, std::nullopt},
        TimelineRow{"SpriteThenRootStop", {Frame{false, false, true}, Frame{true, true}}, true, 2, 1}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(SwfTimelineDamageTest, ACutTailEndsTheTimelineWhereTheDamageStarts) {
    SwfRecipe recipe;
    recipe.frames.resize(3);
    recipe.frames.back().stop = true;
    recipe.endTag = false;
    std::vector<uint8_t> file = WriteSwf(recipe);
    // Cut inside the last frame's DoAction: its stop is never shown.
    file.resize(file.size() - 4);
    auto timeline = ParseSwfTimeline(file);
    ASSERT_TRUE(timeline.ok());
    EXPECT_EQ(timeline->frames, 2);
    EXPECT_FALSE(timeline->firstStopFrame);
}

TEST(SwfTimelineDamageTest, NotAMovieOrNoHeaderFails) {
    EXPECT_FALSE(ParseSwfTimeline(std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}).ok());
    EXPECT_FALSE(ParseSwfTimeline(std::vector<uint8_t>{'F', 'W', 'S', 8}).ok());
    // A compressed body that is not zlib inflates to nothing.
    std::vector<uint8_t> bogus{'C', 'W', 'S', 8, 100, 0, 0, 0};
    bogus.resize(100, 0xAB);
    EXPECT_FALSE(ParseSwfTimeline(bogus).ok());
}

TEST(SwfTimelineTimeTest, ARateOfZeroIsTakenAsOneFramePerSecond) {
    SwfRecipe recipe;
    recipe.rate = 0;
    recipe.frames.resize(3);
    recipe.frames.back().stop = true;
    auto timeline = ParseSwfTimeline(WriteSwf(recipe));
    ASSERT_TRUE(timeline.ok());
    EXPECT_EQ(timeline->StopTimeMs(), 2000);
}

} // namespace
} // namespace vorlandite::swf

// `vorlandite record` in-process on small screensavers built here: the event stream, the frames,
// the same files for the same seed, the user's stored settings (in a private config folder)
// and the failures.

#include "tools/PictureItem.h"
#include "CliTestSupport.h"
#include "commands/Record.h"
#include "commands/RenderMedia.h"
#include "raster/decoders/PictureDecoding.h"
#include "raster/decoders/PictureWriters.h"
#include "formats/swf/SwfMovie.h"
#include "formats/swf/SwfWriter.h"
#include "support/RandomPayload.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace vorlandite::tools {
namespace {

using testing::RunCommand;
using testing::TempDir;
using raster::TColor32;

constexpr TColor32 kRed = 0xFFFF0000u;
constexpr TColor32 kGreen = 0xFF00FF00u;
constexpr TColor32 kBlue = 0xFF0000FFu;
constexpr char kTitle[] = "Record Test";

// Melodies and videos are probed by GStreamer: its plugin registry is this run's own, so that a
// stale cache left elsewhere cannot decide whether they play.
const bool kOwnPluginRegistry = [] {
    static TempDir folder;
    ::setenv("GST_REGISTRY", (folder / "gst-registry.bin").c_str(), 1);
    return true;
}();

payload::DraftItem<payload::TKelImageInfo> Picture(TColor32 colour) { return vorlandite::testing::SolidPictureItem(colour); }

class RecordCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        payload::PayloadDraft draft;
        draft.header.Seconds = 2;
        draft.header.EffectSpeed = 3;
        draft.header.GradientStyle = 1;
        draft.strings.Title = kTitle;
        for (int effect = 1; effect <= 120; ++effect)
            draft.strings.EffectList += char(effect);
        draft.images = {Picture(kRed), Picture(kGreen), Picture(kBlue)};
        const auto bytes = vorlandite::testing::BuildScreensaverBytes(draft);
        testing::WriteFile(screensaver_, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }

    void StoreSettings(std::string_view values) {
        std::filesystem::create_directories(dir_ / "config" / "vorlandite");
        testing::WriteFile(dir_ / "config" / "vorlandite" / "user.reg",
                           "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quenmore\\" + std::string(kTitle) + "]\n" +
                               std::string(values) + "\n");
    }

    testing::CommandResult Record(const std::string& out, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{screensaver_.string(), "--size", "64x48", "--seconds", "10", "--out", out};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunCommand(RunRecord, args);
    }

    static std::vector<nlohmann::json> Events(const std::filesystem::path& folder) {
        std::vector<nlohmann::json> events;
        std::istringstream lines(testing::ReadFile(folder / "events.jsonl"));
        for (std::string line; std::getline(lines, line);)
            events.push_back(nlohmann::json::parse(line));
        return events;
    }
    // Records a picture, `middle` and another picture (2 s each) and returns the events from the
    // middle item's on; empty when it was never shown.
    std::vector<nlohmann::json> RecordAroundMiddleItem(payload::DraftItem<payload::TKelImageInfo> middle) {
        payload::PayloadDraft draft;
        draft.header.Seconds = 2;
        draft.header.GradientStyle = 1;
        draft.strings.Title = kTitle;
        draft.images = {Picture(kRed), std::move(middle), Picture(kBlue)};
        const auto bytes = vorlandite::testing::BuildScreensaverBytes(draft);
        testing::WriteFile(screensaver_, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        EXPECT_EQ(Record((dir_ / "rec").string()).status, kExitOk);
        auto events = Events(dir_ / "rec");
        auto at = std::find_if(events.begin(), events.end(),
                               [](const nlohmann::json& e) { return e["event"] == "item" && e["index"] == 1; });
        return {at, events.end()};
    }
    static std::vector<nlohmann::json> ItemEvents(const std::vector<nlohmann::json>& events) {
        std::vector<nlohmann::json> items;
        for (const auto& e : events)
            if (e["event"] == "item")
                items.push_back(e);
        return items;
    }

    TempDir dir_;
    std::filesystem::path screensaver_ = dir_ / "show.scr";
    // No stored settings of the user's reach the show.
    vorlandite::testing::ScopedEnv config_{"XDG_CONFIG_HOME", (dir_ / "config").c_str()};
};

TEST_F(RecordCommandTest, WritesTheEventStreamAndTheScreenOfEachItem) {
    const auto result = Record((dir_ / "rec").string(), {"--frames"});
    ASSERT_EQ(result.status, kExitOk) << result.err;
    const auto events = Events(dir_ / "rec");
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events.front(), nlohmann::json::parse(R"({"t": 0, "event": "item", "index": 0, "kind": "picture",
        "mode": 1, "rect": [0, 0, 64, 48], "effect": 0, "steps": 0, "monitor": 0})"));
    EXPECT_EQ(events.back(), nlohmann::json::parse(R"({"t": 10000, "event": "end"})"));
    // Every later item comes through a transition, and the next one 2 s after it has ended.
    int64_t due = 2000;
    for (std::size_t i = 1; i + 1 < events.size(); i += 2) {
        ASSERT_EQ(events[i]["event"], "item") << i;
        EXPECT_EQ(events[i]["t"], due);
        EXPECT_EQ(events[i]["index"], int(i / 2 + 1) % 3);
        EXPECT_GE(events[i]["effect"], 1);
        ASSERT_EQ(events[i + 1]["event"], "transition-end");
        EXPECT_GT(events[i + 1]["t"], events[i]["t"]);
        due = events[i + 1]["t"].get<int64_t>() + 2000;
    }

    const auto items = ItemEvents(events);
    const TColor32 colours[] = {kRed, kGreen, kBlue};
    std::vector<std::string> expectedFiles{"events.jsonl"};
    for (std::size_t n = 0; n < items.size(); ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "item-%04zu.png", n);
        expectedFiles.push_back(name);
        auto screen = raster::DecodePictureFile(dir_ / "rec" / name);
        ASSERT_TRUE(screen.ok()) << name;
        ASSERT_EQ(screen->Width(), 64);
        EXPECT_EQ(screen->Pixel(32, 24), colours[items[n]["index"].get<int>()]) << name;
    }
    EXPECT_EQ(testing::ListFolder(dir_ / "rec"), expectedFiles);
}

TEST_F(RecordCommandTest, MelodiesOfTheUsersPlaylistStartInOrder) {
    const auto first = dir_ / "first.wav";
    const auto second = dir_ / "second.wav";
    ASSERT_EQ(RunCommand(RunRenderTune, {"--out", first.string(), "--seconds", "0.5"}).status, kExitOk);
    ASSERT_EQ(RunCommand(RunRenderTune, {"--out", second.string(), "--seconds", "0.75"}).status, kExitOk);
    StoreSettings("\"UseCustomPlaylist\"=dword:00000001\n\n[HKEY_CURRENT_USER\\Software\\Quenmore\\" +
                  std::string(kTitle) + "\\PlayList]\n\"item0\"=\"" + first.string() + "\"\n\"item1\"=\"" +
                  second.string() + "\"");
    ASSERT_EQ(Record((dir_ / "rec").string()).status, kExitOk);
    std::vector<nlohmann::json> melodies;
    for (const auto& e : Events(dir_ / "rec"))
        if (e["event"] == "melody")
            melodies.push_back(e);
    // Played once each (no repeat), the second when the first has ended; the user's files stay.
    EXPECT_EQ(melodies, (std::vector<nlohmann::json>{nlohmann::json::parse(R"({"t": 0, "event": "melody", "index": 0})"),
                                                     nlohmann::json::parse(R"({"t": 500, "event": "melody", "index": 1})")}));
    EXPECT_TRUE(std::filesystem::exists(first));
    EXPECT_TRUE(std::filesystem::exists(second));
}

TEST_F(RecordCommandTest, VideoEndsThenTheNextItemComesAtOnce) {
    const auto clip = dir_ / "clip.avi";
    const auto made = RunCommand(RunRenderClip, {"--out", clip.string(), "--seconds", "1", "--size", "32x16"});
    if (made.status != kExitOk)
        GTEST_SKIP() << "no video encoder here: " << made.err;
    payload::DraftItem<payload::TKelImageInfo> video;
    video.record.Ext = ".avi";
    video.record.Stretch = 2;
    video.content = payload::Content::FromFile(clip.string());
    const auto events = RecordAroundMiddleItem(std::move(video));
    ASSERT_GE(events.size(), 3u);
    // 32 x 16, unscaled and centred on 64 x 48: its panel is 33 x 17.
    EXPECT_EQ(events[0], nlohmann::json::parse(R"({"t": 2000, "event": "item", "index": 1, "kind": "video",
        "mode": 2, "rect": [16, 16, 49, 33], "effect": 0, "steps": 0, "monitor": 0})"));
    EXPECT_EQ(events[1], nlohmann::json::parse(R"({"t": 3000, "event": "video-end", "index": 1})"));
    EXPECT_EQ(events[2]["event"], "item");
    EXPECT_EQ(events[2]["index"], 2);
    EXPECT_EQ(events[2]["t"], 3001);
}

TEST_F(RecordCommandTest, FlashMovieStopsThenTheNextItemComesWithinAPoll) {
    payload::DraftItem<payload::TKelImageInfo> movie;
    movie.record.Ext = ".swf";
    movie.record.Stretch = 2;
    movie.record.Duration = -1;
    // 32 x 16 pixels, five frames at 10 per second, stopping on the last (at 400 ms).
    movie.content = payload::Content::FromBytes(vorlandite::swf::StoppingSwf(5, 10, 640, 320));
    const auto events = RecordAroundMiddleItem(std::move(movie));
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0], nlohmann::json::parse(R"({"t": 2000, "event": "item", "index": 1, "kind": "flash",
        "mode": 2, "rect": [16, 16, 49, 33], "effect": 0, "steps": 0, "monitor": 0})"));
    EXPECT_EQ(events[1], nlohmann::json::parse(R"({"t": 2400, "event": "flash-end", "index": 1})"));
    EXPECT_EQ(events[2]["event"], "item");
    EXPECT_EQ(events[2]["index"], 2);
    EXPECT_EQ(events[2]["t"], 2401);
}

TEST_F(RecordCommandTest, TheDemoMovieCrossesItsStageOnceAndStopsOnItsLastFrame) {
    const auto movie = dir_ / "movie.swf";
    ASSERT_EQ(RunCommand(RunRenderMovie, {"--out", movie.string(), "--seconds", "3", "--size", "480x360"}).status,
              kExitOk);
    const auto timeline = swf::ReadSwfTimeline(movie.string());
    ASSERT_TRUE(timeline.ok()) << timeline.message();
    EXPECT_EQ(timeline->width, 480);
    EXPECT_EQ(timeline->height, 360);
    EXPECT_EQ(timeline->frames, 60);
    EXPECT_EQ(timeline->firstStopFrame, 59);
    EXPECT_EQ(timeline->StopTimeMs(), 2950);

    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"--out", movie.string(), "--seconds", "0.1"},
          std::vector<std::string>{"--out", movie.string(), "--seconds", "2", "--size", "10x10"},
          std::vector<std::string>{"--seconds", "2"}})
        EXPECT_NE(RunCommand(RunRenderMovie, wrong).status, kExitOk) << wrong[wrong.size() - 1];
}

TEST_F(RecordCommandTest, SameSeedGivesTheSameFiles) {
    for (const char* folder : {"a", "b"})
        ASSERT_EQ(Record((dir_ / folder).string(), {"--seed", "42", "--frames"}).status, kExitOk);
    const auto files = testing::ListFolder(dir_ / "a");
    ASSERT_EQ(files, testing::ListFolder(dir_ / "b"));
    for (const auto& name : files)
        EXPECT_EQ(testing::ReadFile(dir_ / "a" / name), testing::ReadFile(dir_ / "b" / name)) << name;
}

TEST_F(RecordCommandTest, TwoMonitorsAlternateAndTheContactSheetIsWritten) {
    const auto sheet = dir_ / "sheet.png";
    const auto result = Record((dir_ / "rec").string(), {"--monitors", "2", "--contact-sheet", sheet.string()});
    ASSERT_EQ(result.status, kExitOk) << result.err;
    const auto items = ItemEvents(Events(dir_ / "rec"));
    ASSERT_GE(items.size(), 3u);
    for (std::size_t n = 0; n < items.size(); ++n)
        EXPECT_EQ(items[n]["monitor"], int(n % 2)) << n;
    auto picture = raster::DecodePictureFile(sheet);
    ASSERT_TRUE(picture.ok());
    EXPECT_GT(picture->Width(), 320);
    EXPECT_NE(result.out.find(sheet.string()), std::string::npos);
}

TEST_F(RecordCommandTest, DesktopPictureIsTheDesktopBackgroundCoveringTheScreen) {
    payload::PayloadDraft draft;
    draft.header.Seconds = 2;
    draft.header.DesktopBackground = true;
    draft.strings.Title = kTitle;
    auto item = Picture(kRed);
    item.record.Stretch = 2;  // 4 x 4 in the middle: the background shows around it
    draft.images = {std::move(item)};
    const auto bytes = vorlandite::testing::BuildScreensaverBytes(draft);
    testing::WriteFile(screensaver_, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    // 128 x 48 onto 64 x 48: the middle half covers the screen, the white quarters are cut off.
    raster::TBitmap32 desktop = raster::TBitmap32::Create(128, 48).value();
    desktop.Clear(0xFFFFFFFFu);
    desktop.FillRect({32, 0, 64, 48}, kBlue);
    desktop.FillRect({64, 0, 96, 48}, kGreen);
    const auto bytesOfPng = vorlandite::testing::WritePngFromBitmap(desktop, true);
    const auto png = dir_ / "desktop.dat";  // a PNG whatever its name says
    testing::WriteFile(png, std::string_view(reinterpret_cast<const char*>(bytesOfPng.data()), bytesOfPng.size()));

    const auto result = Record((dir_ / "rec").string(), {"--frames", "--desktop", png.string()});
    ASSERT_EQ(result.status, kExitOk) << result.err;
    auto screen = raster::DecodePictureFile(dir_ / "rec" / "item-0000.png");
    ASSERT_TRUE(screen.ok());
    EXPECT_EQ(screen->Pixel(0, 0), kBlue);
    EXPECT_EQ(screen->Pixel(31, 47), kBlue);
    EXPECT_EQ(screen->Pixel(32, 0), kGreen);
    EXPECT_EQ(screen->Pixel(63, 47), kGreen);
    EXPECT_EQ(screen->Pixel(31, 23), kRed);  // the item itself

    // Without a picture the desktop is black.
    ASSERT_EQ(Record((dir_ / "black").string(), {"--frames"}).status, kExitOk);
    screen = raster::DecodePictureFile(dir_ / "black" / "item-0000.png");
    ASSERT_TRUE(screen.ok());
    EXPECT_EQ(screen->Pixel(0, 0), 0xFF000000u);

    // Not a PNG, or no file at all: refused before anything is recorded.
    testing::WriteFile(dir_ / "text.png", "no picture here");
    for (const auto& bad : {dir_ / "text.png", dir_ / "missing.png", dir_ / "rec"}) {
        const auto refused = Record((dir_ / "refused").string(), {"--desktop", bad.string()});
        EXPECT_EQ(refused.status, kExitBadInput) << bad;
        EXPECT_NE(refused.err.find("--desktop"), std::string::npos) << refused.err;
        EXPECT_FALSE(std::filesystem::exists(dir_ / "refused")) << bad;
    }
}

TEST_F(RecordCommandTest, StoredSettingsOverrideTheAuthors) {
    StoreSettings("\"Seconds\"=dword:00000003");
    ASSERT_EQ(Record((dir_ / "rec").string()).status, kExitOk);
    const auto items = ItemEvents(Events(dir_ / "rec"));
    ASSERT_GE(items.size(), 2u);
    EXPECT_EQ(items[1]["t"], 3000);
}

TEST_F(RecordCommandTest, StoredSettingsThatCannotBeUsedAreReportedAndTheAuthorsApply) {
    StoreSettings("\"Seconds\"=\"three\"\n\"EffectSpeed\"=dword:00000063");
    const auto result = Record((dir_ / "rec").string());
    ASSERT_EQ(result.status, kExitOk) << result.err;
    for (const char* name : {"\"Seconds\"", "\"EffectSpeed\"", "user.reg"})
        EXPECT_NE(result.err.find(name), std::string::npos) << result.err;
    const auto items = ItemEvents(Events(dir_ / "rec"));
    ASSERT_GE(items.size(), 2u);
    EXPECT_EQ(items[1]["t"], 2000);  // the author's Seconds
}

TEST_F(RecordCommandTest, FileThatIsNoScreensaverFails) {
    testing::WriteFile(screensaver_, "just some text, no payload at all");
    const auto result = Record((dir_ / "rec").string());
    EXPECT_EQ(result.status, kExitBadInput);
    EXPECT_NE(result.err.find("The screen saver can not run"), std::string::npos) << result.err;
}

struct ArgumentCase {
    const char* name;
    std::vector<std::string> args;  // after the screensaver
    int status;
};

void PrintTo(const ArgumentCase& row, std::ostream* out) { *out << row.name; }

class RecordArgumentsTest : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(RecordArgumentsTest, IsRefused) {
    std::vector<std::string> args{"show.scr"};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    const auto result = RunCommand(RunRecord, args);
    EXPECT_EQ(result.status, GetParam().status) << result.err;
    EXPECT_TRUE(result.out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Record, RecordArgumentsTest,
    ::testing::Values(ArgumentCase{"NoOut", {"--size", "64x48", "--seconds", "1"}, kExitUsage},
                      ArgumentCase{"NoSize", {"--seconds", "1", "--out", "x"}, kExitUsage},
                      ArgumentCase{"TinySize", {"--size", "8x8", "--seconds", "1", "--out", "x"}, kExitBadInput},
                      ArgumentCase{"NegativeTime", {"--size", "64x48", "--seconds", "-1", "--out", "x"}, kExitBadInput},
                      ArgumentCase{"ThreeMonitors",
                                   {"--size", "64x48", "--seconds", "1", "--out", "x", "--monitors", "3"},
                                   kExitBadInput},
                      ArgumentCase{"SeedNotANumber",
                                   {"--size", "64x48", "--seconds", "1", "--out", "x", "--seed", "abc"},
                                   kExitBadInput}),
    [](const ::testing::TestParamInfo<ArgumentCase>& row) { return row.param.name; });

}  // namespace
}  // namespace vorlandite::tools

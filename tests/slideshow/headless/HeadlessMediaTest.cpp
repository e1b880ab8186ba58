// Melodies and videos in the headless show: real files probed by GStreamer, played on the
// virtual clock, so a melody or a video takes exactly its length of show time and no real time.

#include "slideshow/headless/HeadlessShow.h"
#include "slideshow/headless/VirtualMediaPlayer.h"

#include "../OverlayTestSupport.h"
#include "../ShowItems.h"
#include "HeadlessRun.h"
#include "audio/MediaFixtures.h"
#include "raster/decoders/PictureWriters.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace vorlandite::slideshow {
namespace {

namespace support = vorlandite::testing;
using support::SolidPictureItem;
namespace media = vorlandite::audio::testing;
using namespace std::chrono_literals;
using raster::TColor32;
using Type = HeadlessEvent::Type;
using Value = audio::IMediaPlayer::NotifyValue;

constexpr TColor32 kRed = 0xFFFF0000u;
constexpr TColor32 kBlue = 0xFF0000FFu;

payload::DraftItem<payload::TKelImageInfo> VideoFrom(std::vector<uint8_t> bytes) {
    payload::DraftItem<payload::TKelImageInfo> item;
    item.record.Ext = ".avi";
    item.record.Stretch = 2;  // unscaled, centred
    item.content = payload::Content::FromBytes(std::move(bytes));
    return item;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

payload::DraftItem<payload::TKelMelodyInfo> Melody(const std::string& wav) {
    payload::DraftItem<payload::TKelMelodyInfo> item;
    item.record.Ext = ".wav";
    item.content = payload::Content::FromBytes(FileBytes(wav));
    item.compressed = true;
    return item;
}

payload::PayloadDraft Draft(std::vector<payload::DraftItem<payload::TKelImageInfo>> items) {
    payload::PayloadDraft draft;
    draft.header.Seconds = 5;
    draft.header.EffectSpeed = 3;
    draft.header.GradientStyle = 1;
    draft.strings.EffectList = std::string(1, char(1));
    draft.images = std::move(items);
    return draft;
}

// A 160 x 120 show.
struct ShowRun : support::HeadlessRun {
    explicit ShowRun(const payload::PayloadDraft& draft) : HeadlessRun(draft, HeadlessShowOptions{160, 120, 1, 1}) {}
    // (time, melody index) of every melody that started.
    std::vector<std::pair<int64_t, int>> Melodies() const {
        std::vector<std::pair<int64_t, int>> found;
        for (const auto* e : Of(Type::Melody))
            found.emplace_back(e->timeMs, e->melody);
        return found;
    }
};

// Two melodies of 400 and 700 ms, written sample by sample, so their lengths are exact.
struct TwoMelodies {
    support::TempDir dir;
    std::string first = dir.File("first.wav");
    std::string second = dir.File("second.wav");
    TwoMelodies() {
        media::WriteWav(first, 400ms);
        media::WriteWav(second, 700ms);
    }
};

struct MelodyRow {
    const char* name;
    bool loop;
    bool mute;
    std::vector<std::pair<int64_t, int>> expected;  // within the first 2.5 s
};

class HeadlessMelodyTest : public ::testing::TestWithParam<MelodyRow> {};

TEST_P(HeadlessMelodyTest, MelodiesStartInOrderAtTheirVirtualEnds) {
    const MelodyRow& row = GetParam();
    TwoMelodies sounds;
    auto draft = Draft({SolidPictureItem(kRed), SolidPictureItem(kBlue)});
    draft.header.Loop = row.loop;
    draft.header.Mute = row.mute;
    draft.melodies = {Melody(sounds.first), Melody(sounds.second)};
    ShowRun run(draft);
    run.show->RunUntil(2500);
    EXPECT_EQ(run.Melodies(), row.expected);
    run.show->Finish();
    // The temporary melody file goes with the show.
    EXPECT_FALSE(std::filesystem::exists(run.file.tempFolder + "SSSND.wav"));
}

INSTANTIATE_TEST_SUITE_P(Rows, HeadlessMelodyTest,
                         ::testing::Values(MelodyRow{"StoredOrderOnce", false, false, {{0, 0}, {400, 1}}},
                                           MelodyRow{"Repeating", true, false, {{0, 0}, {400, 1}, {1100, 0}, {1500, 1}, {2200, 0}}},
                                           MelodyRow{"Muted", true, true, {}}),
                         [](const ::testing::TestParamInfo<MelodyRow>& row) { return std::string(row.param.name); });

class HeadlessVideoTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto made = media::MakeAvi(dir.File("clip.avi"), media::kVideoWidth, media::kVideoHeight, 600ms);
        if (!made)
            GTEST_SKIP() << "no AVI encoder here: " << made.message();
        clip = FileBytes(made->path);
    }
    support::TempDir dir;
    std::vector<uint8_t> clip;
};

TEST_F(HeadlessVideoTest, VideoHoldsTheShowForItsLengthThenTheNextItemComesAtOnce) {
    ShowRun run(Draft({SolidPictureItem(kRed), VideoFrom(clip), SolidPictureItem(kBlue)}));
    run.show->RunUntil(5000);
    const auto items = run.Of(Type::Item);
    ASSERT_EQ(items.size(), 2u);
    const HeadlessEvent video = *items[1];  // a copy: the show goes on adding events
    EXPECT_EQ(video.timeMs, 5000);
    EXPECT_EQ(video.item.kind, payload::ItemKind::Video);
    EXPECT_EQ(video.item.mode, ShowMode::AtOnce);
    // A 96 x 64 video on a 160 x 120 screen, unscaled and centred: a 97 x 65 panel.
    EXPECT_EQ(video.item.rect, (raster::Rect{32, 28, 129, 93}));
    // The panel over the background shows the video's first frame, blue (through JPEG).
    const TColor32 middle = run.show->Screen(0).Pixel(80, 60);
    EXPECT_GT(middle & 0xFF, 0xC0u);
    EXPECT_LT((middle >> 16) & 0xFF, 0x40u);
    EXPECT_NE(run.show->Screen(0).Pixel(4, 4), middle);
    EXPECT_TRUE(std::filesystem::exists(run.file.tempFolder + "SSIMG.avi"));

    run.show->RunUntil(8000);
    const auto ends = run.Of(Type::VideoEnd);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0]->item.index, 1);
    EXPECT_NEAR(double(ends[0]->timeMs - video.timeMs), 600.0, 60.0);
    const auto after = run.Of(Type::Item);
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[2]->item.index, 2);
    EXPECT_EQ(after[2]->timeMs, ends[0]->timeMs + 1);
    EXPECT_FALSE(std::filesystem::exists(run.file.tempFolder + "SSIMG.avi"));
}

TEST(HeadlessVideoFailureTest, FileNothingCanPlayIsSkipped) {
    ShowRun run(Draft({SolidPictureItem(kRed), VideoFrom({'R', 'I', 'F', 'F', 0, 0, 0, 0}), SolidPictureItem(kBlue)}));
    run.show->RunUntil(10000);
    std::vector<int> shown;
    for (const auto* e : run.Of(Type::Item))
        shown.push_back(e->item.index);
    EXPECT_EQ(shown, (std::vector<int>{0, 2}));
    EXPECT_FALSE(run.show->Controller().VideoPlaying());
}

// The player's own contract on virtual time: only a play that reaches the end completes
// Successful, and what a call settles arrives later, never inside the call.
TEST(VirtualMediaPlayerTest, CompletesAtTheEndOnlyAndCloseAborts) {
    support::TempDir dir;
    const std::string wav = dir.File("tone.wav");
    media::WriteWav(wav, 250ms);
    VirtualTimerClock clock;
    std::vector<std::function<void()>> posted;
    VirtualMediaPlayer player(clock, [&](std::function<void()> task) { posted.push_back(std::move(task)); });
    std::vector<std::pair<int64_t, Value>> values;
    player.SetNotifyHandler([&](Value v) { values.emplace_back(clock.NowMs(), v); });

    player.SetFileName(wav);
    ASSERT_TRUE(player.Open().ok());
    EXPECT_EQ(player.DurationMs(), 250);
    ASSERT_TRUE(player.Play().ok());
    clock.AdvanceBy(100);
    player.Close();
    EXPECT_TRUE(values.empty());  // not from inside Close
    ASSERT_EQ(posted.size(), 1u);
    posted[0]();
    clock.AdvanceBy(1000);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].second, Value::Aborted);

    ASSERT_TRUE(player.Open().ok());
    ASSERT_TRUE(player.Play().ok());
    clock.AdvanceBy(249);
    EXPECT_EQ(values.size(), 1u);
    clock.AdvanceBy(1);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[1], std::make_pair(int64_t(1350), Value::Successful));

    player.SetFileName(dir.File("missing.wav"));
    EXPECT_FALSE(player.Open().ok());
}

// The recorder's timing rests on the probe: every format the show plays must report its length.
class VirtualMediaPlayerFormatTest : public ::testing::TestWithParam<media::MediaKind> {};

TEST_P(VirtualMediaPlayerFormatTest, LearnsTheLengthOfTheFile) {
    support::TempDir dir;
    auto made = media::MakeMediaFile(GetParam(), dir.Path().string(), 800ms);
    if (!made)
        GTEST_SKIP() << "no encoder here: " << made.message();
    VirtualTimerClock clock;
    VirtualMediaPlayer player(clock, {});
    player.SetFileName(made->path);
    const Status opened = player.Open();
    if (!opened && GetParam() == media::MediaKind::Midi)
        GTEST_SKIP() << "no MIDI synthesiser here: " << opened.message();
    ASSERT_TRUE(opened.ok()) << opened.message();
    // Encoders pad to whole frames and blocks; a tenth of a second either way.
    EXPECT_NEAR(double(player.DurationMs()), 800.0, 100.0);
    EXPECT_EQ(player.NaturalDisplayRect().isEmpty(), !made->hasVideo);
}

INSTANTIATE_TEST_SUITE_P(Formats, VirtualMediaPlayerFormatTest,
                         ::testing::Values(media::MediaKind::Wav, media::MediaKind::Mp3, media::MediaKind::Wma,
                                           media::MediaKind::Midi, media::MediaKind::Avi, media::MediaKind::Wmv,
                                           media::MediaKind::Mpeg),
                         [](const ::testing::TestParamInfo<media::MediaKind>& row) {
                             return std::string(media::MediaKindName(row.param));
                         });

}  // namespace
}  // namespace vorlandite::slideshow

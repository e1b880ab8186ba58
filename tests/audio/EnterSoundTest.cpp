// The enter sound on a real pipeline beside the music, and the rule that decides whether an item
// starts one.

#include "audio/EnterSound.h"
#include "audio/MediaFixtures.h"
#include "audio/MelodyPlayback.h"
#include "audio/MediaPlayer.h"
#include "audio/MusicTestSupport.h"
#include "support/TempDir.h"
#include "base/RandomSource.h"

#include <QObject>

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

namespace vorlandite::audio {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::FileNamesIn;
using testing::RunEventsFor;
using testing::WaitUntil;
using Clock = std::chrono::steady_clock;
using Value = MediaPlayer::NotifyValue;
using Values = std::vector<Value>;
using payload::ItemKind;

struct RuleRow {
    const char* name;
    ItemKind kind;
    int32_t index;
    bool mute, preview;
    bool plays;
};
void PrintTo(const RuleRow& row, std::ostream* out) { *out << row.name; }

class EnterSoundRuleTest : public ::testing::TestWithParam<RuleRow> {};

TEST_P(EnterSoundRuleTest, OnlyPicturesWithASoundInTheShowItself) {
    const RuleRow& row = GetParam();
    EXPECT_EQ(ShouldPlayEnterSound(row.kind, row.index, row.mute, row.preview), row.plays);
}

INSTANTIATE_TEST_SUITE_P(Items, EnterSoundRuleTest,
                         ::testing::Values(RuleRow{"Picture", ItemKind::Picture, 0, false, false, true},
                                           RuleRow{"AnimatedPicture", ItemKind::Gif, 2, false, false, true},
                                           RuleRow{"PictureWithoutSound", ItemKind::Picture, -1, false, false, false},
                                           RuleRow{"Video", ItemKind::Video, 0, false, false, false},
                                           RuleRow{"Flash", ItemKind::Flash, 0, false, false, false},
                                           RuleRow{"Muted", ItemKind::Picture, 0, true, false, false},
                                           RuleRow{"Preview", ItemKind::Picture, 0, false, true, false}),
                         [](const auto& row) { return std::string(row.param.name); });

class EnterSoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(temp_);
        QObject::connect(&player_, &MediaPlayer::OnNotify, [this](Value value) { values_.push_back(value); });
    }

    payload::TKelSoundInfo AddSound(const std::string& name, std::chrono::milliseconds length, const char* ext) {
        const std::string source = dir_.File(name);
        testing::WriteWav(source, length);
        payload::TKelSoundInfo record;
        record.Offset = payload_.Append(source);
        record.Size = int32_t(fs::file_size(source));
        record.Ext = ext;
        return record;
    }

    EnterSound Make(std::vector<payload::TKelSoundInfo> sounds) {
        payload_.Save(showPath_);
        return EnterSound({payload_.header, std::move(sounds), showPath_, temp_.string()}, player_);
    }

    vorlandite::testing::TempDir dir_;
    fs::path temp_ = dir_.Path() / "tmp";
    std::string showPath_ = dir_.File("show.scr");
    testing::SoundPayload payload_;
    MediaPlayer player_{MediaPlayer::AudioOutput::Silent, MediaPlayer::VideoOutput::None};
    Values values_;
};

TEST_F(EnterSoundTest, TheSameSoundAgainStartsFromItsBeginning) {
    const auto length = 700ms;
    EnterSound enter = Make({AddSound("chime.wav", length, ".wav")});
    ASSERT_TRUE(enter.LoadEnterSound(0));
    RunEventsFor(250ms);
    const auto again = Clock::now();
    ASSERT_TRUE(enter.LoadEnterSound(0));
    ASSERT_TRUE(WaitUntil([&] { return values_.size() >= 2; }, 10s));
    // Cut off, then played whole from the second start.
    EXPECT_EQ(values_, (Values{Value::Aborted, Value::Successful}));
    EXPECT_GE(Clock::now() - again, length * 3 / 4);
    EXPECT_EQ(FileNamesIn(temp_), std::vector<std::string>{"SSSnd.wav"});
    enter.Finish();
    EXPECT_FALSE(player_.IsOpen());
    EXPECT_TRUE(FileNamesIn(temp_).empty());
}

TEST_F(EnterSoundTest, ANewSoundCutsOffTheOldOneAndRemovesItsFile) {
    EnterSound enter = Make({AddSound("long.wav", 2000ms, ".wav"), AddSound("short.wav", 200ms, ".WAV")});
    ASSERT_TRUE(enter.LoadEnterSound(0));
    RunEventsFor(100ms);
    ASSERT_TRUE(enter.LoadEnterSound(1));
    EXPECT_EQ(FileNamesIn(temp_), std::vector<std::string>{"SSSnd.WAV"});
    ASSERT_TRUE(WaitUntil([&] { return values_.size() >= 2; }, 10s));
    EXPECT_EQ(values_, (Values{Value::Aborted, Value::Successful}));

    // A sound the table does not have: the playing one stops, nothing else starts.
    EXPECT_FALSE(enter.LoadEnterSound(5));
    EXPECT_FALSE(player_.IsOpen());
    EXPECT_TRUE(FileNamesIn(temp_).empty());
}

// Melody "SSSND.wav" and enter sound "SSSnd.wav" live side by side; ending one leaves the other.
TEST_F(EnterSoundTest, MelodyAndEnterSoundOfTheSameFormatKeepTheirOwnFiles) {
    const std::string melodySource = dir_.File("melody.wav");
    testing::WriteWav(melodySource, 900ms);
    payload::TKelMelodyInfo melody;
    melody.Offset = payload_.Append(melodySource);
    melody.Size = int32_t(fs::file_size(melodySource));
    melody.Ext = ".wav";
    EnterSound enter = Make({AddSound("chime.wav", 300ms, ".wav")});
    payload_.header.MelodyCount = 1;

    MediaPlayer melodyPlayer(MediaPlayer::AudioOutput::Silent, MediaPlayer::VideoOutput::None);
    Values melodyValues;
    QObject::connect(&melodyPlayer, &MediaPlayer::OnNotify, [&](Value value) { melodyValues.push_back(value); });
    SeededRandom random(7);
    MelodyPlayback music({payload_.header, {melody}, showPath_, temp_.string(), false, {}}, random, melodyPlayer);
    music.Start();
    ASSERT_TRUE(enter.LoadEnterSound(0));

    const std::string melodyFile = music.TemporaryMelodyFile(0);
    const std::string soundFile = enter.TemporaryEnterSoundFile(0);
    EXPECT_NE(melodyFile, soundFile);
    EXPECT_EQ(FileNamesIn(temp_), (std::vector<std::string>{"SSSND.wav", "SSSnd.wav"}));
    EXPECT_EQ(fs::file_size(melodyFile), fs::file_size(melodySource));
    EXPECT_EQ(fs::file_size(soundFile), fs::file_size(dir_.File("chime.wav")));

    enter.Finish();
    EXPECT_EQ(FileNamesIn(temp_), std::vector<std::string>{"SSSND.wav"});
    EXPECT_TRUE(melodyPlayer.IsOpen());
    // The melody still plays to its own end, after which its file goes too.
    ASSERT_TRUE(WaitUntil([&] { return !melodyValues.empty(); }, 10s));
    EXPECT_EQ(melodyValues, Values{Value::Successful});
    RunEventsFor(100ms);
    EXPECT_TRUE(FileNamesIn(temp_).empty());
    music.Finish();
}

} // namespace
} // namespace vorlandite::audio

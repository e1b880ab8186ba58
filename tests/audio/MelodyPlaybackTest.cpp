// Background music on real pipelines (silent sink, short WAV melodies of distinct lengths, so
// the extracted file tells which melody is playing).

#include "audio/MediaFixtures.h"
#include "audio/MelodyPlayback.h"
#include "audio/MediaPlayer.h"
#include "audio/MusicTestSupport.h"
#include "support/TempDir.h"
#include "base/RandomSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>

namespace vorlandite::audio {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::FileNamesIn;
using testing::RunEventsFor;
using testing::WaitUntil;
using Value = MediaPlayer::NotifyValue;

constexpr uint32_t kSeed = 20261209;
constexpr auto kTimeout = 15s;

std::chrono::milliseconds MelodyLength(int melody) { return 150ms + 30ms * melody; }

// One start of a melody as the test saw it: the index the playlist used and the melody the
// opened file actually holds.
struct Start {
    int index;
    int melody;
};

class MusicTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(temp_);
        fs::create_directories(user_);
    }

    // Built-in melodies 0..count-1, each a WAV of its own length.
    void MakeMelodies(int count) {
        for (int i = 0; i < count; ++i) {
            const std::string source = dir_.File("melody" + std::to_string(i) + ".wav");
            testing::WriteWav(source, MelodyLength(i));
            payload::TKelMelodyInfo record;
            record.Offset = payload_.Append(source);
            record.Size = int32_t(fs::file_size(source));
            record.Ext = ".wav";
            melodies_.push_back(record);
            melodyBySize_[fs::file_size(source)] = i;
        }
        payload_.Save(showPath_);
        payload_.header.MelodyCount = count;
    }

    std::string MakeUserFile(const std::string& name, std::chrono::milliseconds length) {
        const std::string path = (user_ / name).string();
        testing::WriteWav(path, length);
        melodyBySize_[fs::file_size(path)] = 100 + int(melodyBySize_.size());
        return path;
    }

    MelodyPlayback& Make(bool useCustomPlaylist = false, std::vector<std::string> customPlaylist = {}) {
        MelodySources sources;
        sources.header = payload_.header;
        sources.melodies = melodies_;
        sources.screensaverPath = showPath_;
        sources.tempFolder = temp_.string();
        sources.useCustomPlaylist = useCustomPlaylist;
        sources.customPlaylist = std::move(customPlaylist);
        playback_ = std::make_unique<MelodyPlayback>(std::move(sources), random_, player_);
        playback_->SetStartedListener([this](int index, const std::string& file) {
            std::error_code ec;
            const auto size = fs::file_size(file, ec);
            starts_.push_back({index, melodyBySize_.contains(size) ? melodyBySize_[size] : -1});
        });
        return *playback_;
    }

    bool WaitForStarts(size_t count) {
        return WaitUntil([&] { return starts_.size() >= count; }, kTimeout);
    }
    // The music has stopped for good when the player was closed after the last start and
    // nothing new began for longer than any melody lasts.
    bool WaitForSilence() {
        if (!WaitUntil([&] { return !player_.IsOpen(); }, kTimeout)) return false;
        const size_t before = starts_.size();
        RunEventsFor(600ms);
        return starts_.size() == before && !player_.IsOpen();
    }
    std::vector<int> PlayedMelodies() const {
        std::vector<int> played;
        for (const Start& s : starts_) played.push_back(s.melody);
        return played;
    }

    vorlandite::testing::TempDir dir_;
    fs::path temp_ = dir_.Path() / "tmp";
    fs::path user_ = dir_.Path() / "user";
    std::string showPath_ = dir_.File("show.scr");
    testing::SoundPayload payload_;
    std::vector<payload::TKelMelodyInfo> melodies_;
    std::map<uintmax_t, int> melodyBySize_;
    SeededRandom random_{kSeed};
    MediaPlayer player_{MediaPlayer::AudioOutput::Silent, MediaPlayer::VideoOutput::None};
    std::unique_ptr<MelodyPlayback> playback_;
    std::vector<Start> starts_;
};

bool IsPermutation(std::vector<int> played, int count) {
    std::sort(played.begin(), played.end());
    for (int i = 0; i < count; ++i)
        if (played.size() != size_t(count) || played[size_t(i)] != i) return false;
    return true;
}

// ---- the orders of the playlist ---------------------------------------------------------------

enum class Expect {
    Nothing,           // nothing plays, no file is touched
    StoredOrderOnce,   // 0, 1, ..., n-1, then silence
    EachOnceShuffled,  // a permutation of the melodies, then silence
    Passes,            // endless shuffled passes, each a permutation
    StoredOrderLoop,   // 0, 1, ..., n-1, 0, ...
    OneMelodyOnce,     // the randomly chosen melody, once
    OneMelodyLoop,     // the same melody over and over
};

struct OrderRow {
    const char* name;
    int melodies;
    bool loop, shuffle, playOneRandom;
    Expect expect;
    int startsToWatch;  // for the endless rows
};

void PrintTo(const OrderRow& row, std::ostream* out) { *out << row.name; }

class MelodyOrderTest : public MusicTest, public ::testing::WithParamInterface<OrderRow> {};

TEST_P(MelodyOrderTest, PlaysTheMelodiesInTheOrderTheSettingsAskFor) {
    const OrderRow row = GetParam();
    MakeMelodies(row.melodies);
    payload_.header.Loop = row.loop;
    payload_.header.ShuffleMelody = row.shuffle;
    payload_.header.PlayOneRandom = row.playOneRandom;
    MelodyPlayback& playback = Make();
    playback.Start();
    const int n = row.melodies;

    switch (row.expect) {
    case Expect::Nothing:
        RunEventsFor(400ms);
        EXPECT_TRUE(starts_.empty());
        EXPECT_FALSE(player_.IsOpen());
        EXPECT_TRUE(FileNamesIn(temp_).empty());
        break;
    case Expect::StoredOrderOnce:
    case Expect::EachOnceShuffled:
    case Expect::OneMelodyOnce: {
        const int expected = row.expect == Expect::OneMelodyOnce ? 1 : n;
        ASSERT_TRUE(WaitForStarts(size_t(expected)));
        ASSERT_TRUE(WaitForSilence());
        const std::vector<int> played = PlayedMelodies();
        ASSERT_EQ(played.size(), size_t(expected));
        if (row.expect == Expect::StoredOrderOnce) {
            EXPECT_EQ(played, (std::vector<int>{0, 1, 2}));
        } else if (row.expect == Expect::EachOnceShuffled) {
            EXPECT_TRUE(IsPermutation(played, n));
        } else {
            SeededRandom sameGenerator(kSeed);
            EXPECT_EQ(played[0], sameGenerator.Random(n)) << "the one melody is the generator's first draw";
            EXPECT_EQ(starts_[0].index, 0);
        }
        EXPECT_TRUE(FileNamesIn(temp_).empty()) << "the last melody's file went when it ended";
        break;
    }
    case Expect::Passes:
    case Expect::StoredOrderLoop:
    case Expect::OneMelodyLoop: {
        ASSERT_TRUE(WaitForStarts(size_t(row.startsToWatch)));
        const std::vector<int> played = PlayedMelodies();
        if (row.expect == Expect::Passes) {
            for (int pass = 0; pass + n <= int(played.size()); pass += n)
                EXPECT_TRUE(IsPermutation({played.begin() + pass, played.begin() + pass + n}, n))
                    << "pass starting at start " << pass;
        } else if (row.expect == Expect::StoredOrderLoop) {
            for (size_t i = 0; i < played.size(); ++i) EXPECT_EQ(played[i], int(i) % n);
        } else {
            int chosen = 0;
            if (row.playOneRandom) chosen = SeededRandom(kSeed).Random(n);
            EXPECT_EQ(played, std::vector<int>(played.size(), chosen));
        }
        playback.Finish();
        EXPECT_FALSE(player_.IsOpen());
        EXPECT_TRUE(FileNamesIn(temp_).empty()) << "finishing removes the melody playing";
        const size_t atFinish = starts_.size();
        RunEventsFor(500ms);
        EXPECT_EQ(starts_.size(), atFinish) << "nothing starts after the finish";
        break;
    }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, MelodyOrderTest,
    ::testing::Values(OrderRow{"NoMelodiesInStoredOrder", 0, true, false, false, Expect::Nothing, 0},
                      OrderRow{"NoMelodiesShuffled", 0, true, true, false, Expect::Nothing, 0},
                      OrderRow{"ThreeInStoredOrderOnce", 3, false, false, false, Expect::StoredOrderOnce, 0},
                      OrderRow{"ThreeShuffledOnce", 3, false, true, false, Expect::EachOnceShuffled, 0},
                      OrderRow{"ThreeShuffledRepeating", 3, true, true, false, Expect::Passes, 6},
                      OrderRow{"ThreeInStoredOrderRepeating", 3, true, false, false, Expect::StoredOrderLoop, 4},
                      OrderRow{"OneInStoredOrderRepeating", 1, true, false, false, Expect::OneMelodyLoop, 3},
                      OrderRow{"OneShuffledRepeating", 1, true, true, false, Expect::OneMelodyLoop, 3},
                      OrderRow{"OneRandomOfFiveRepeating", 5, true, false, true, Expect::OneMelodyLoop, 3},
                      OrderRow{"OneRandomOfFiveOnce", 5, false, true, true, Expect::OneMelodyOnce, 0}),
    [](const auto& row) { return std::string(row.param.name); });

// ---- silence and failures ---------------------------------------------------------------------

TEST_F(MusicTest, MuteExtractsAndPlaysNothing) {
    MakeMelodies(3);
    payload_.header.Mute = true;
    payload_.header.ShuffleMelody = true;
    Make().Start();
    RunEventsFor(400ms);
    EXPECT_TRUE(starts_.empty());
    EXPECT_FALSE(player_.IsOpen());
    EXPECT_TRUE(player_.FileName().empty());
    EXPECT_TRUE(FileNamesIn(temp_).empty());
}

struct BrokenRow {
    const char* name;
    bool undecodable;  // else: the record points outside the file
};
void PrintTo(const BrokenRow& row, std::ostream* out) { *out << row.name; }

class BrokenMelodyTest : public MusicTest, public ::testing::WithParamInterface<BrokenRow> {};

// The second melody is good, but a melody that cannot start ends the music there.
TEST_P(BrokenMelodyTest, EndsTheMusicWithoutSkippingAhead) {
    MakeMelodies(2);
    if (GetParam().undecodable) {
        const std::string noise = dir_.File("noise.wav");
        std::ofstream(noise) << std::string(3000, 'x');
        melodies_[0].Offset = payload_.Append(noise);
        melodies_[0].Size = 3000;
        payload_.Save(showPath_);
    } else {
        melodies_[0].Offset = int32_t(payload_.bytes.size()) + 100;
    }
    Make().Start();
    RunEventsFor(600ms);
    EXPECT_TRUE(starts_.empty());
    EXPECT_FALSE(player_.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Cases, BrokenMelodyTest,
                         ::testing::Values(BrokenRow{"Undecodable", true}, BrokenRow{"OutsideTheFile", false}),
                         [](const auto& row) { return std::string(row.param.name); });

// ---- the user's playlist ----------------------------------------------------------------------

struct UserListRow {
    const char* name;
    bool secondDeleted;  // else: the second entry is empty
};
void PrintTo(const UserListRow& row, std::ostream* out) { *out << row.name; }

class UserPlaylistTest : public MusicTest, public ::testing::WithParamInterface<UserListRow> {};

TEST_P(UserPlaylistTest, PlaysUpToTheFirstUnplayableEntryAndLeavesTheFilesAlone) {
    MakeMelodies(2);  // present but not used
    payload_.header.Loop = true;
    const std::string first = MakeUserFile("first.wav", 200ms);
    const std::string third = MakeUserFile("third.wav", 200ms);
    std::string second;
    if (GetParam().secondDeleted) {
        second = MakeUserFile("second.wav", 200ms);
        fs::remove(second);
    }
    const auto firstBytes = vorlandite::testing::ReadFileBytes(first);
    MelodyPlayback& playback = Make(true, {first, second, third});
    EXPECT_EQ(playback.MelodyCount(), 3);
    playback.Start();

    ASSERT_TRUE(WaitForStarts(1));
    ASSERT_TRUE(WaitForSilence());
    ASSERT_EQ(starts_.size(), 1u);
    EXPECT_EQ(player_.FileName(), first) << "the user's file is played where it is";
    playback.Finish();
    playback.RemoveLeftoverFile();
    EXPECT_EQ(vorlandite::testing::ReadFileBytes(first), firstBytes);
    EXPECT_TRUE(fs::exists(third));
    EXPECT_TRUE(FileNamesIn(temp_).empty()) << "nothing of the payload was extracted";
}

INSTANTIATE_TEST_SUITE_P(Cases, UserPlaylistTest,
                         ::testing::Values(UserListRow{"SecondFileDeleted", true},
                                           UserListRow{"SecondEntryEmpty", false}),
                         [](const auto& row) { return std::string(row.param.name); });

// ---- finishing --------------------------------------------------------------------------------

TEST_F(MusicTest, FinishingMidMelodyRemovesItsFileAndIgnoresALateCompletion) {
    MakeMelodies(3);
    payload_.header.Loop = true;
    MelodyPlayback& playback = Make();
    playback.Start();
    ASSERT_TRUE(WaitForStarts(1));
    const std::string playing = playback.TemporaryMelodyFile(0);
    EXPECT_EQ(FileNamesIn(temp_), std::vector<std::string>{"SSSND.wav"});

    playback.Finish();
    EXPECT_FALSE(fs::exists(playing));
    // The melody may have ended just before the finish, its Successful completion still queued.
    playback.SndPlayNotify(Value::Successful);
    RunEventsFor(300ms);
    EXPECT_EQ(starts_.size(), 1u);
    EXPECT_TRUE(FileNamesIn(temp_).empty());

    // The window's close finds a file of the current melody that something left behind.
    std::ofstream(playing) << "left over";
    playback.RemoveLeftoverFile();
    EXPECT_FALSE(fs::exists(playing));
}

} // namespace
} // namespace vorlandite::audio

// The media player on real pipelines: what callers rely on is one completion per notified play,
// Successful only for a play that reached the end, on time even without a sound device.

#include "audio/MediaFixtures.h"
#include "audio/MediaPlayer.h"
#include "support/TempDir.h"

#include <QCoreApplication>

#include <gst/gst.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <ostream>
#include <string_view>
#include <thread>
#include <vector>

namespace vorlandite::audio {
namespace testing {
// Readable parameters in the test list.
void PrintTo(MediaKind kind, std::ostream* out) { *out << MediaKindName(kind); }
} // namespace testing

namespace {

using namespace std::chrono_literals;
using testing::MediaFile;
using testing::MediaKind;
using Clock = std::chrono::steady_clock;
using Value = MediaPlayer::NotifyValue;
using Values = std::vector<Value>;

// Runs the event loop until done() or the timeout; every wait in these tests has one.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

void RunEventsFor(std::chrono::milliseconds span) {
    WaitUntil([] { return false; }, span);
}

std::chrono::milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

// A player on the silent sink with its completions recorded.
struct RecordedPlayer {
    explicit RecordedPlayer(MediaPlayer::VideoOutput video = MediaPlayer::VideoOutput::Frames,
                            MediaPlayer::AudioOutput audio = MediaPlayer::AudioOutput::Silent)
        : player(audio, video) {
        QObject::connect(&player, &MediaPlayer::OnNotify, [this](Value value) { values.push_back(value); });
    }
    Status Open(const std::string& path) {
        player.SetFileName(path);
        return player.Open();
    }
    bool WaitForCompletions(size_t count, std::chrono::milliseconds timeout) {
        return WaitUntil([&] { return values.size() >= count; }, timeout);
    }

    MediaPlayer player;
    Values values;
};

// Generous bound for slow machines; the lower bounds below are the tight ones.
constexpr auto kCompletionSlack = 10s;

class MediaPlayerTest : public ::testing::Test {
protected:
    Result<MediaFile> Make(MediaKind kind, std::chrono::milliseconds duration = 400ms) {
        return testing::MakeMediaFile(kind, dir_.Path().string(), duration);
    }
    vorlandite::testing::TempDir dir_;
};

#define MAKE_OR_SKIP(var, ...)                                                         \
    auto var##Made = Make(__VA_ARGS__);                                                \
    if (!var##Made) GTEST_SKIP() << "no encoder for this format: " << var##Made.message(); \
    const MediaFile& var = var##Made.value()

class PlayToEndTest : public MediaPlayerTest, public ::testing::WithParamInterface<MediaKind> {};

TEST_P(PlayToEndTest, CompletesOnceSuccessfullyAtTheEndOfTheFile) {
    MAKE_OR_SKIP(file, GetParam());
    RecordedPlayer p;
    ASSERT_TRUE(p.Open(file.path)) << "open";
    const auto start = Clock::now();
    ASSERT_TRUE(p.player.Play());
    ASSERT_TRUE(p.WaitForCompletions(1, file.duration + kCompletionSlack));
    // The silent sink keeps real time: a completion before the sound could have been heard
    // would advance a playlist too early.
    EXPECT_GE(Since(start), file.duration * 3 / 4);
    RunEventsFor(150ms);
    EXPECT_EQ(p.values, Values{Value::Successful});
    EXPECT_EQ(p.player.LastNotifyValue(), Value::Successful);

    const PlaybackStatistics stats = p.player.Statistics();
    if (file.hasAudio) {
        EXPECT_GT(stats.audioPeak, 500) << "sound reached the sink (for MIDI: a soundfont is installed)";
    }
    if (file.hasVideo) {
        EXPECT_EQ(p.player.NaturalDisplayRect(), QRect(0, 0, testing::kVideoWidth, testing::kVideoHeight));
        EXPECT_GT(stats.videoFrames, 0);
    } else {
        EXPECT_TRUE(p.player.NaturalDisplayRect().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, PlayToEndTest,
                         ::testing::Values(MediaKind::Wav, MediaKind::Mp3, MediaKind::Wma, MediaKind::Midi,
                                           MediaKind::Avi, MediaKind::Wmv, MediaKind::Mpeg),
                         [](const auto& row) { return std::string(testing::MediaKindName(row.param)); });

struct InterruptRow {
    const char* name;
    MediaKind kind;
    bool notifyAtClose;  // callers switch Notify off before Close; the pending play still settles
    bool rewind;         // interrupted by Rewind instead of Close
};

void PrintTo(const InterruptRow& row, std::ostream* out) { *out << row.name; }

class InterruptTest : public MediaPlayerTest, public ::testing::WithParamInterface<InterruptRow> {};

TEST_P(InterruptTest, PendingPlaySettlesAsAbortedNeverSuccessful) {
    const InterruptRow row = GetParam();
    MAKE_OR_SKIP(file, row.kind, 700ms);
    RecordedPlayer p;
    ASSERT_TRUE(p.Open(file.path));
    const auto start = Clock::now();
    ASSERT_TRUE(p.player.Play());
    RunEventsFor(150ms);
    p.player.SetNotify(row.notifyAtClose);
    if (row.rewind)
        ASSERT_TRUE(p.player.Rewind());
    else
        p.player.Close();
    ASSERT_TRUE(p.WaitForCompletions(1, 2s));
    // Well past the end the file would have had: nothing more arrives.
    WaitUntil([&] { return Since(start) > file.duration + 400ms; }, 5s);
    EXPECT_EQ(p.values, Values{Value::Aborted});
    EXPECT_EQ(p.player.IsOpen(), row.rewind);
}

INSTANTIATE_TEST_SUITE_P(Cases, InterruptTest,
                         ::testing::Values(InterruptRow{"CloseWav", MediaKind::Wav, true, false},
                                           InterruptRow{"CloseWavNotifyOff", MediaKind::Wav, false, false},
                                           InterruptRow{"CloseAvi", MediaKind::Avi, true, false},
                                           InterruptRow{"RewindAvi", MediaKind::Avi, false, true}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(MediaPlayerTest, NotifyOffPlaysWithoutCompletionAndHoldsForOneCommand) {
    MAKE_OR_SKIP(file, MediaKind::Wav, 300ms);
    RecordedPlayer p;
    ASSERT_TRUE(p.Open(file.path));
    p.player.SetNotify(false);
    ASSERT_TRUE(p.player.Play());
    EXPECT_TRUE(p.player.Notify()) << "the setting was used up by Play";
    RunEventsFor(file.duration + 500ms);
    EXPECT_TRUE(p.values.empty());
    EXPECT_GT(p.player.Statistics().audioBuffers, 0) << "it did play";

    // The callers' pattern: Notify off to close quietly, then open and play the next file,
    // which must still be notified.
    p.player.SetNotify(false);
    p.player.Close();
    ASSERT_TRUE(p.player.Open());
    ASSERT_TRUE(p.player.Play());
    ASSERT_TRUE(p.WaitForCompletions(1, file.duration + kCompletionSlack));
    EXPECT_EQ(p.values, Values{Value::Successful});
}

TEST_F(MediaPlayerTest, NotifiedPlaySupersedesThePendingOne) {
    MAKE_OR_SKIP(file, MediaKind::Wav, 300ms);
    RecordedPlayer p;
    ASSERT_TRUE(p.Open(file.path));
    ASSERT_TRUE(p.player.Play());
    ASSERT_TRUE(p.player.Play());
    ASSERT_TRUE(p.WaitForCompletions(2, file.duration + kCompletionSlack));
    EXPECT_EQ(p.values, (Values{Value::Superseded, Value::Successful}));
}

class RewindTest : public MediaPlayerTest, public ::testing::WithParamInterface<MediaKind> {};

// A single video loops by Rewind and Play from its completion handler.
TEST_P(RewindTest, PlaysTheWholeFileAgain) {
    MAKE_OR_SKIP(file, GetParam());
    RecordedPlayer p;
    ASSERT_TRUE(p.Open(file.path));
    ASSERT_TRUE(p.player.Play());
    ASSERT_TRUE(p.WaitForCompletions(1, file.duration + kCompletionSlack));

    // At the end, Play has nothing left: its completion comes at once.
    ASSERT_TRUE(p.player.Play());
    ASSERT_TRUE(p.WaitForCompletions(2, 2s));

    ASSERT_TRUE(p.player.Rewind());
    const auto start = Clock::now();
    ASSERT_TRUE(p.player.Play());
    ASSERT_TRUE(p.WaitForCompletions(3, file.duration + kCompletionSlack));
    EXPECT_GE(Since(start), file.duration * 3 / 4) << "played from the start, not from the end";
    EXPECT_EQ(p.values, (Values(3, Value::Successful)));
}

INSTANTIATE_TEST_SUITE_P(Formats, RewindTest, ::testing::Values(MediaKind::Wav, MediaKind::Avi),
                         [](const auto& row) { return std::string(testing::MediaKindName(row.param)); });

struct UnplayableRow {
    const char* name;
    std::string content;  // written to the file; empty: no file at all
    bool nameSet;
};

void PrintTo(const UnplayableRow& row, std::ostream* out) { *out << row.name; }

class UnplayableTest : public MediaPlayerTest, public ::testing::WithParamInterface<UnplayableRow> {};

TEST_P(UnplayableTest, OpenFailsQuicklyAndNothingPlays) {
    const UnplayableRow& row = GetParam();
    const std::string path = dir_.File("item.wav");
    if (!row.content.empty()) std::ofstream(path) << row.content;
    RecordedPlayer p;
    if (row.nameSet) p.player.SetFileName(path);
    const auto start = Clock::now();
    const Status opened = p.player.Open();
    ASSERT_FALSE(opened);
    // Decided by probing the file, not by waiting for the preroll to time out (5 s).
    EXPECT_EQ(opened.message().find("in time"), std::string::npos) << opened.message();
    EXPECT_FALSE(p.player.IsOpen());
    EXPECT_FALSE(p.player.Play());
    EXPECT_FALSE(p.player.Rewind());
    EXPECT_FALSE(p.player.SetVolume(0));
    RunEventsFor(200ms);
    EXPECT_TRUE(p.values.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnplayableTest,
    ::testing::Values(UnplayableRow{"TextFile", std::string(4000, 'x') + "\nnot a sound at all\n", true},
                      UnplayableRow{"RiffHeaderOnly", std::string("RIFF\x24\0\0\0WAVEfmt ", 16), true},
                      UnplayableRow{"MissingFile", "", true},
                      UnplayableRow{"NoFileName", "", false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(MediaPlayerTest, VolumeZeroSilencesTheVideoAndEveryOpenStartsAtFull) {
    MAKE_OR_SKIP(file, MediaKind::Avi, 300ms);
    RecordedPlayer p;
    ASSERT_TRUE(p.Open(file.path));
    ASSERT_TRUE(p.player.SetVolume(0));
    EXPECT_EQ(p.player.Volume(), 0);
    ASSERT_TRUE(p.player.Play());
    ASSERT_TRUE(p.WaitForCompletions(1, file.duration + kCompletionSlack));
    EXPECT_EQ(p.values, Values{Value::Successful});
    const PlaybackStatistics muted = p.player.Statistics();
    EXPECT_GT(muted.audioBuffers, 0);
    EXPECT_EQ(muted.audioPeak, 0);

    // The next video of a show is not muted unless it asks to be.
    p.player.Close();
    ASSERT_TRUE(p.player.Open());
    EXPECT_EQ(p.player.Volume(), 1000);
    ASSERT_TRUE(p.player.Play());
    ASSERT_TRUE(p.WaitForCompletions(2, file.duration + kCompletionSlack));
    EXPECT_GT(p.player.Statistics().audioPeak, 500);
}

TEST_F(MediaPlayerTest, TwoPlayersPlayAtOnceIndependently) {
    MAKE_OR_SKIP(melody, MediaKind::Midi, 500ms);
    const std::string soundPath = dir_.File("enter.wav");
    testing::WriteWav(soundPath, 500ms);
    RecordedPlayer music;
    RecordedPlayer enterSound;
    ASSERT_TRUE(music.Open(melody.path));
    ASSERT_TRUE(enterSound.Open(soundPath));
    ASSERT_TRUE(music.player.Play());
    ASSERT_TRUE(enterSound.player.Play());
    RunEventsFor(100ms);
    enterSound.player.Close();
    ASSERT_TRUE(music.WaitForCompletions(1, melody.duration + kCompletionSlack));
    ASSERT_TRUE(enterSound.WaitForCompletions(1, 1s));
    EXPECT_EQ(music.values, Values{Value::Successful});
    EXPECT_EQ(enterSound.values, Values{Value::Aborted});
    EXPECT_EQ(enterSound.player.FileName(), soundPath) << "the name stays as the record of the temporary file";
}

// The case of machines without sound (CI, servers): the automatic output falls back to the
// silent sink and still takes real time.
TEST_F(MediaPlayerTest, AutomaticOutputCompletesOnTimeWithOrWithoutDevice) {
    MAKE_OR_SKIP(file, MediaKind::Wav, 400ms);
    RecordedPlayer p(MediaPlayer::VideoOutput::None, MediaPlayer::AudioOutput::Automatic);
    ASSERT_TRUE(p.Open(file.path));
    const auto start = Clock::now();
    ASSERT_TRUE(p.player.Play());
    ASSERT_TRUE(p.WaitForCompletions(1, file.duration + kCompletionSlack));
    EXPECT_GE(Since(start), file.duration * 3 / 4);
    EXPECT_EQ(p.values, Values{Value::Successful});
}

// The pipelines alive in this process, as GStreamer's leak tracer (set up by the test main)
// counts them; -1 when the tracer is not active.
int LivePipelines() {
    GstTracer* leaks = nullptr;
    GList* tracers = gst_tracing_get_active_tracers();
    for (GList* item = tracers; item; item = item->next)
        if (!leaks && std::string_view(G_OBJECT_TYPE_NAME(item->data)) == "GstLeaksTracer")
            leaks = GST_TRACER(gst_object_ref(item->data));
    g_list_free_full(tracers, gst_object_unref);
    if (!leaks) return -1;
    GstStructure* info = nullptr;
    g_signal_emit_by_name(leaks, "get-live-objects", &info);
    int count = 0;
    if (const GValue* list = info ? gst_structure_get_value(info, "live-objects-list") : nullptr) {
        for (guint i = 0; i < gst_value_list_get_size(list); ++i) {
            const GstStructure* entry = gst_value_get_structure(gst_value_list_get_value(list, i));
            const GValue* object = gst_structure_get_value(entry, "object");
            if (object && G_VALUE_HOLDS_OBJECT(object) && GST_IS_PIPELINE(g_value_get_object(object))) ++count;
        }
    }
    if (info) gst_structure_free(info);
    gst_object_unref(leaks);
    return count;
}

// A screensaver plays for hours: every closed file must give back its pipeline, decoders and
// buffers (an unreleased bus message once kept each one alive, some megabytes per video).
TEST_F(MediaPlayerTest, ClosedFilesLeaveNoPipelineAlive) {
    MAKE_OR_SKIP(file, MediaKind::Avi, 200ms);
    const std::string junk = dir_.File("junk.avi");
    std::ofstream(junk) << std::string(2000, 'j');
    const int before = LivePipelines();
    if (before < 0) GTEST_SKIP() << "GStreamer's leak tracer is not active";
    RecordedPlayer p;
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(p.Open(file.path));
        ASSERT_TRUE(p.player.Play());
        if (round == 0) {
            ASSERT_TRUE(p.WaitForCompletions(1, file.duration + kCompletionSlack));
        }
        p.player.Close();
        EXPECT_FALSE(p.Open(junk));
    }
    // A pipeline is released once its last reference goes, which may wait for a streaming thread;
    // a busy machine takes longer, so wait for it (a leak never gets there).
    for (int waited = 0; waited < 200 && LivePipelines() != before; ++waited)
        RunEventsFor(50ms);
    EXPECT_EQ(LivePipelines(), before);
}

TEST_F(MediaPlayerTest, DestroyedWhilePlayingLeavesNothingBehind) {
    MAKE_OR_SKIP(file, MediaKind::Avi, 400ms);
    Values values;
    {
        RecordedPlayer p;
        ASSERT_TRUE(p.Open(file.path));
        QObject::connect(&p.player, &MediaPlayer::OnNotify, [&values](Value v) { values.push_back(v); });
        ASSERT_TRUE(p.player.Play());
        RunEventsFor(100ms);
    }
    RunEventsFor(200ms);
    EXPECT_TRUE(values.empty());
}

} // namespace
} // namespace vorlandite::audio

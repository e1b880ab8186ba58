// `vorlandite record --video` in-process on small screensavers: the file decoded again with
// GStreamer (its length, its first pictures, its sound stream), the sound mixer on samples of
// its own, and the requests it refuses.

#include "tools/PictureItem.h"
#include "CliTestSupport.h"
#include "commands/Record.h"
#include "commands/RenderMedia.h"
#include "commands/VideoExport.h"
#include "raster/decoders/PictureWriters.h"
#include "support/RandomPayload.h"
#include "support/ScopedEnv.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace vorlandite::tools {
namespace {

using raster::TColor32;
using testing::RunCommand;
using testing::TempDir;

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr int kFps = 10;

// This run's own plugin registry, so that a stale cache elsewhere cannot hide an encoder.
const bool kOwnPluginRegistry = [] {
    static TempDir folder;
    ::setenv("GST_REGISTRY", (folder / "gst-registry.bin").c_str(), 1);
    return true;
}();

payload::DraftItem<payload::TKelImageInfo> Picture(TColor32 colour) { return vorlandite::testing::SolidPictureItem(colour); }

payload::DraftItem<payload::TKelMelodyInfo> Melody(const std::filesystem::path& wav) {
    std::ifstream in(wav, std::ios::binary);
    payload::DraftItem<payload::TKelMelodyInfo> item;
    item.record.Ext = ".wav";
    item.content = payload::Content::FromBytes(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
    item.compressed = true;
    return item;
}

// What a decoder finds in a video file.
struct DecodedVideo {
    double seconds = 0;
    int audioStreams = 0;
    int videoStreams = 0;
    std::vector<std::vector<uint8_t>> frames;  // RGB, every frame
    std::vector<double> frameSeconds;          // when each is shown
    int loudest = 0;                           // the largest sample of the sound
};

DecodedVideo Decode(const std::filesystem::path& file) {
    DecodedVideo decoded;
    gst_init(nullptr, nullptr);
    GstDiscoverer* discoverer = gst_discoverer_new(10 * GST_SECOND, nullptr);
    const std::string uri = "file://" + file.string();
    if (GstDiscovererInfo* info = gst_discoverer_discover_uri(discoverer, uri.c_str(), nullptr)) {
        decoded.seconds = double(gst_discoverer_info_get_duration(info)) / GST_SECOND;
        GList* audio = gst_discoverer_info_get_audio_streams(info);
        GList* video = gst_discoverer_info_get_video_streams(info);
        decoded.audioStreams = int(g_list_length(audio));
        decoded.videoStreams = int(g_list_length(video));
        gst_discoverer_stream_info_list_free(audio);
        gst_discoverer_stream_info_list_free(video);
        g_object_unref(info);
    }
    g_object_unref(discoverer);

    // playbin picks the streams; the pictures come out as RGB, the sound as 16-bit samples.
    GstElement* pipeline = gst_element_factory_make("playbin", nullptr);
    GstElement* pictures =
        gst_parse_bin_from_description("videoconvert ! video/x-raw,format=RGB ! appsink name=v sync=false", TRUE, nullptr);
    GstElement* sound = gst_parse_bin_from_description(
        "audioconvert ! audio/x-raw,format=S16LE,layout=interleaved ! appsink name=a sync=false", TRUE, nullptr);
    g_object_set(pipeline, "uri", uri.c_str(), "video-sink", pictures, "audio-sink", sound, nullptr);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pictures), "v");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    while (true) {
        GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 10 * GST_SECOND);
        if (!sample)
            break;
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            decoded.frames.emplace_back(map.data, map.data + map.size);
            decoded.frameSeconds.push_back(double(GST_BUFFER_PTS(buffer)) / GST_SECOND);
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
    }
    gst_object_unref(sink);
    GstElement* soundSink = gst_bin_get_by_name(GST_BIN(sound), "a");
    while (decoded.audioStreams > 0) {
        GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(soundSink), 10 * GST_SECOND);
        if (!sample)
            break;
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            const auto* samples = reinterpret_cast<const int16_t*>(map.data);
            for (std::size_t i = 0; i < map.size / 2; ++i)
                decoded.loudest = std::max(decoded.loudest, std::abs(int(samples[i])));
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
    }
    gst_object_unref(soundSink);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return decoded;
}

// The colour at the middle of an RGB frame of the test's size.
std::array<int, 3> Middle(const std::vector<uint8_t>& frame) {
    const std::size_t middle = (std::size_t(kHeight / 2) * kWidth + kWidth / 2) * 3;
    return {frame[middle], frame[middle + 1], frame[middle + 2]};
}

class RecordVideoTest : public ::testing::Test {
protected:
    // effects: the show's effect codes, one a character (empty: any effect); speed 1 is the
    // slowest.
    void WriteShow(bool music, std::vector<TColor32> colours = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu},
                   std::string effects = {}, int effectSpeed = 3) {
        payload::PayloadDraft draft;
        draft.header.Seconds = 1;
        draft.header.EffectSpeed = effectSpeed;
        draft.header.GradientStyle = 1;
        draft.strings.Title = "Video Test";
        draft.strings.EffectList = std::move(effects);
        for (TColor32 colour : colours)
            draft.images.push_back(Picture(colour));
        if (music) {
            const auto tune = dir_ / "tune.wav";
            EXPECT_EQ(RunCommand(RunRenderTune, {"--out", tune.string(), "--seconds", "2"}).status, kExitOk);
            draft.melodies = {Melody(tune)};
        }
        WriteDraft(draft);
    }
    void WriteDraft(const payload::PayloadDraft& draft) {
        const auto bytes = vorlandite::testing::BuildScreensaverBytes(draft);
        testing::WriteFile(screensaver_, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }

    // A 3 s show at 160x120 and 10 fps, unless `extra` says otherwise.
    testing::CommandResult Record(const std::string& video, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{screensaver_.string(), "--video", video};
        for (const auto& [name, value] : {std::pair{"--size", "160x120"}, {"--fps", "10"}, {"--seconds", "3"}})
            if (std::find(extra.begin(), extra.end(), name) == extra.end())
                args.insert(args.end(), {name, value});
        args.insert(args.end(), extra.begin(), extra.end());
        return RunCommand(RunRecord, args);
    }

    TempDir dir_;
    std::filesystem::path screensaver_ = dir_ / "show.scr";
    // No stored settings of the user's reach the show.
    vorlandite::testing::ScopedEnv config_{"XDG_CONFIG_HOME", (dir_ / "config").c_str()};
};

struct ContainerCase {
    const char* name;
    bool music;
};

class RecordVideoContainerTest : public RecordVideoTest, public ::testing::WithParamInterface<ContainerCase> {};

TEST_P(RecordVideoContainerTest, DecodesToTheShowsLengthFirstItemAndSound) {
    const ContainerCase& c = GetParam();
    WriteShow(c.music);
    const auto video = dir_ / c.name;
    const auto result = Record(video.string(), {"--out", (dir_ / "rec").string()});
    ASSERT_EQ(result.status, kExitOk) << result.err;
    // Not a terminal: progress comes as lines, the last at 100 %.
    EXPECT_NE(result.err.find("video 100 %"), std::string::npos) << result.err;
    EXPECT_TRUE(std::filesystem::exists(dir_ / "rec" / "events.jsonl"));

    const DecodedVideo decoded = Decode(video);
    EXPECT_EQ(decoded.videoStreams, 1);
    EXPECT_EQ(decoded.audioStreams, c.music ? 1 : 0);
    if (c.music) {
        EXPECT_GT(decoded.loudest, 1000);  // the tune is heard, not a silent track
    }
    EXPECT_NEAR(decoded.seconds, 3.0, 1.0 / kFps);
    // The first item is red, stretched over the screen: lossy coding keeps it clearly red.
    ASSERT_GE(decoded.frames.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& frame = decoded.frames[i];
        ASSERT_EQ(frame.size(), std::size_t(kWidth) * kHeight * 3);
        const auto [r, g, b] = Middle(frame);
        EXPECT_GT(r, 200);
        EXPECT_LT(g, 60);
        EXPECT_LT(b, 60);
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, RecordVideoContainerTest,
                         ::testing::Values(ContainerCase{"show.webm", true}, ContainerCase{"show.mkv", false}),
                         [](const auto& param) { return std::string(param.param.music ? "WebmWithMusic" : "MkvSilent"); });

// The [start, end) of each transition in a recording's events, in seconds.
std::vector<std::pair<double, double>> TransitionSpans(const std::filesystem::path& events) {
    std::vector<std::pair<double, double>> spans;
    std::ifstream in(events);
    double itemAt = -1;
    for (std::string line; std::getline(in, line);) {
        const double t = std::stod(line.substr(line.find(':') + 1)) / 1000;
        if (line.find("\"event\": \"item\"") != std::string::npos)
            itemAt = t;
        else if (line.find("\"transition-end\"") != std::string::npos && itemAt >= 0)
            spans.emplace_back(itemAt, t);
    }
    return spans;
}

TEST_F(RecordVideoTest, CrossfadesAppearOverTheirLengthNotAsACut) {
    // Red and blue crossfading (effect 115) into each other, slowly.
    WriteShow(false, {0xFFFF0000u, 0xFF0000FFu}, std::string(1, char(115)), 1);
    const auto video = dir_ / "fade.webm";
    const auto result = Record(video.string(), {"--out", (dir_ / "rec").string(), "--seconds", "6"});
    ASSERT_EQ(result.status, kExitOk) << result.err;
    const auto spans = TransitionSpans(dir_ / "rec" / "events.jsonl");
    const DecodedVideo decoded = Decode(video);
    ASSERT_FALSE(decoded.frames.empty());
    const auto frameAt = [&](double seconds) -> const std::vector<uint8_t>& {
        std::size_t i = 0;
        while (i + 1 < decoded.frameSeconds.size() && decoded.frameSeconds[i + 1] <= seconds + 1e-6)
            ++i;
        return decoded.frames[i];
    };
    int checked = 0;
    for (const auto& [start, end] : spans) {
        if (end - start < 3.0 / kFps || end + 1.0 / kFps > 6.0)
            continue;  // too short for a frame in the middle, or past the video
        const auto before = Middle(frameAt(start - 1.0 / kFps));
        const auto after = Middle(frameAt(end));
        const auto middle = Middle(frameAt(std::floor((start + end) / 2 * kFps) / kFps));
        if (std::abs(before[0] - after[0]) < 150)
            continue;  // the same colour again
        ++checked;
        // Red and blue each part of the way, well clear of both ends.
        for (int c : {0, 2}) {
            EXPECT_GT(middle[c], std::min(before[c], after[c]) + 30) << "transition at " << start << " s, channel " << c;
            EXPECT_LT(middle[c], std::max(before[c], after[c]) - 30) << "transition at " << start << " s, channel " << c;
        }
    }
    EXPECT_GT(checked, 0) << spans.size() << " transitions";
}

TEST_F(RecordVideoTest, AVideoItemPlaysInTheVideoRatherThanHoldingItsFirstPicture) {
    const auto clip = dir_ / "clip.avi";
    const auto made = RunCommand(RunRenderClip, {"--out", clip.string(), "--seconds", "2", "--size", "160x120"});
    if (made.status != kExitOk)
        GTEST_SKIP() << "no video encoder here: " << made.err;
    payload::PayloadDraft draft;
    draft.header.Seconds = 1;
    draft.strings.Title = "Video Item Test";
    payload::DraftItem<payload::TKelImageInfo> item;
    item.record.Ext = ".avi";
    item.record.Stretch = 2;
    item.content = payload::Content::FromFile(clip.string());
    draft.images = {std::move(item)};
    WriteDraft(draft);
    const auto video = dir_ / "clip.webm";
    const auto result = Record(video.string(), {"--out", (dir_ / "rec").string()});
    ASSERT_EQ(result.status, kExitOk) << result.err;

    const DecodedVideo decoded = Decode(video);
    ASSERT_GE(decoded.frames.size(), 20u);
    // The clip plays from the show's start for 2 s: its test pattern moves between 0.3 s and
    // 1.5 s, and a held first picture would not.
    const auto& early = decoded.frames[3];
    const auto& late = decoded.frames[15];
    ASSERT_EQ(early.size(), late.size());
    int changed = 0;
    for (std::size_t i = 0; i < early.size(); i += 3)
        changed += std::abs(int(early[i]) - int(late[i])) + std::abs(int(early[i + 1]) - int(late[i + 1])) +
                       std::abs(int(early[i + 2]) - int(late[i + 2])) >
                   120;
    EXPECT_GT(changed, 50);
}

TEST_F(RecordVideoTest, RefusesWhatItCannotWriteWithAReasonAndNoFile) {
    WriteShow(false);
    struct Case {
        std::string video;
        std::vector<std::string> extra;
        std::string says;
    };
    const std::vector<Case> cases{
        {(dir_ / "show.avi").string(), {}, "must end in .webm, .mkv or .mp4"},
        {(dir_ / "show").string(), {}, "must end in .webm"},
        {(dir_ / "show.webm").string(), {"--fps", "0"}, "--fps must be a whole number from 1 to 60"},
        {(dir_ / "show.webm").string(), {"--fps", "61"}, "--fps must be"},
        {(dir_ / "show.webm").string(), {"--size", "161x120"}, "even each way"},
        {(dir_ / "show.webm").string(), {"--seconds", "0"}, "too short for one frame"},
        {(dir_ / "no-folder" / "show.webm").string(), {}, "show.webm"},
    };
    for (const auto& c : cases) {
        const auto result = Record(c.video, c.extra);
        EXPECT_EQ(result.status, 1) << c.video;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << c.video << ": " << result.err;
        EXPECT_FALSE(std::filesystem::exists(c.video)) << c.video;
    }
    // --fps belongs to a video.
    const auto noVideo = RunCommand(RunRecord, {screensaver_.string(), "--size", "64x48", "--seconds", "1", "--out",
                                                (dir_ / "rec").string(), "--fps", "10"});
    EXPECT_EQ(noVideo.status, kExitUsage) << noVideo.err;
}

TEST(SoundMixerTest, MixesVoicesAtTheirTimesSaturatedAndCutWhereTheyStop) {
    // Each "file" is a constant level, 1 s long; "bad" cannot be decoded.
    int decodes = 0;
    SoundMixer mixer([&decodes](const std::string& file) -> Result<std::vector<int16_t>> {
        ++decodes;
        if (file == "bad")
            return MakeError("not a sound");
        const int16_t level = file == "loud" ? 30000 : 1000;
        return std::vector<int16_t>(std::size_t(SoundMixer::kMixRate) * 2, level);
    });
    const auto at = [](int64_t ms) { return SoundMixer::FrameAt(ms); };
    mixer.Start(0, 0, "soft", 0);        // melody: 0 .. 1000 ms
    mixer.Start(1, 100, "loud", 0);      // enter sound from 100 ms ...
    mixer.Stop(1, 200);                  // ... cut at 200 ms
    mixer.Start(1, 300, "loud", 0);      // again, with another loud one on top, from 300 ms
    mixer.Start(2, 300, "loud", 900);    // 100 ms left in it
    mixer.Start(3, 0, "bad", 0);
    EXPECT_EQ(decodes, 3);  // each file once

    const auto sample = [&](int64_t ms) { return mixer.Mix(at(ms), 1); };
    EXPECT_EQ(sample(50), (std::vector<int16_t>{1000, 1000}));
    EXPECT_EQ(sample(150), (std::vector<int16_t>{31000, 31000}));
    EXPECT_EQ(sample(250), (std::vector<int16_t>{1000, 1000}));
    EXPECT_EQ(sample(350), (std::vector<int16_t>{INT16_MAX, INT16_MAX}));  // 61000 saturates
    EXPECT_EQ(sample(450), (std::vector<int16_t>{31000, 31000}));
    EXPECT_EQ(sample(1100), (std::vector<int16_t>{30000, 30000}));  // the melody is over
    EXPECT_EQ(sample(1400), (std::vector<int16_t>{0, 0}));          // all over
    // A range across a start, of the right length, and an empty one.
    const auto across = mixer.Mix(at(100) - 2, 4);
    EXPECT_EQ(across, (std::vector<int16_t>{1000, 1000, 1000, 1000, 31000, 31000, 31000, 31000}));
    EXPECT_TRUE(mixer.Mix(0, 0).empty());

    const auto warnings = mixer.TakeWarnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings.front().find("bad is silent in the video"), std::string::npos);
}

TEST(SoundMixerTest, ScalesEachVoiceByItsVolumeLinearlyAsThePlayersDo) {
    // A full-scale square wave, so that the scaled level and its loudness are both plain to see.
    SoundMixer mixer([](const std::string&) -> Result<std::vector<int16_t>> {
        std::vector<int16_t> samples(std::size_t(SoundMixer::kMixRate) * 2);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = (i / 2) % 100 < 50 ? 20000 : -20000;
        return samples;
    });
    struct Case {
        int volume;
        int16_t level;
    };
    const Case cases[] = {{1000, 20000}, {500, 10000}, {250, 5000}, {0, 0}, {2000, 20000}, {-5, 0}};
    for (std::size_t i = 0; i < std::size(cases); ++i)
        mixer.Start(int(i), int64_t(i) * 1000, "tune", 0, cases[i].volume);  // each alone for its second
    double previousRms = -1;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto mixed = mixer.Mix(SoundMixer::FrameAt(int64_t(i) * 1000), SoundMixer::kMixRate / 2);
        EXPECT_EQ(mixed.front(), cases[i].level) << "volume " << cases[i].volume;
        double squares = 0;
        for (int16_t sample : mixed)
            squares += double(sample) * sample;
        const double rms = std::sqrt(squares / double(mixed.size()));
        if (i > 0 && i < 4) {
            EXPECT_LT(rms, previousRms) << "volume " << cases[i].volume;  // lower volume, quieter
        }
        previousRms = rms;
    }
}

} // namespace
} // namespace vorlandite::tools

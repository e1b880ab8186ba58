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

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <gtest/gtest.h>

#include <algorithm>
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
    std::vector<std::vector<uint8_t>> firstFrames;  // RGB, up to three
    int loudest = 0;                                // the largest sample of the sound
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
    while (decoded.firstFrames.size() < 3) {
        GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 10 * GST_SECOND);
        if (!sample)
            break;
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            decoded.firstFrames.emplace_back(map.data, map.data + map.size);
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

class RecordVideoTest : public ::testing::Test {
protected:
    void SetUp() override {
        // No stored settings of the user's reach the show.
        if (const char* saved = std::getenv("XDG_CONFIG_HOME"))
            savedConfig_ = saved;
        ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    }
    void TearDown() override {
        if (savedConfig_)
            ::setenv("XDG_CONFIG_HOME", savedConfig_->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }

    void WriteShow(bool music) {
        payload::PayloadDraft draft;
        draft.Header.Seconds = 1;
        draft.Header.EffectSpeed = 3;
        draft.Header.GradientStyle = 1;
        draft.Strings.Title = "Video Test";
        draft.Images = {Picture(0xFFFF0000u), Picture(0xFF00FF00u), Picture(0xFF0000FFu)};
        if (music) {
            const auto tune = dir_ / "tune.wav";
            EXPECT_EQ(RunCommand(RunRenderTune, {"--out", tune.string(), "--seconds", "2"}).status, kExitOk);
            draft.Melodies = {Melody(tune)};
        }
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
    std::optional<std::string> savedConfig_;
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
    ASSERT_EQ(decoded.firstFrames.size(), 3u);
    for (const auto& frame : decoded.firstFrames) {
        ASSERT_EQ(frame.size(), std::size_t(kWidth) * kHeight * 3);
        const std::size_t middle = (std::size_t(kHeight / 2) * kWidth + kWidth / 2) * 3;
        EXPECT_GT(frame[middle], 200);
        EXPECT_LT(frame[middle + 1], 60);
        EXPECT_LT(frame[middle + 2], 60);
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, RecordVideoContainerTest,
                         ::testing::Values(ContainerCase{"show.webm", true}, ContainerCase{"show.mkv", false}),
                         [](const auto& param) { return std::string(param.param.music ? "WebmWithMusic" : "MkvSilent"); });

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
    TSoundMixer mixer([&decodes](const std::string& file) -> Result<std::vector<int16_t>> {
        ++decodes;
        if (file == "bad")
            return MakeError("not a sound");
        const int16_t level = file == "loud" ? 30000 : 1000;
        return std::vector<int16_t>(std::size_t(TSoundMixer::kMixRate) * 2, level);
    });
    const auto at = [](int64_t ms) { return TSoundMixer::FrameAt(ms); };
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

} // namespace
} // namespace vorlandite::tools

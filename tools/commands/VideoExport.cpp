#include "commands/VideoExport.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>

namespace vorlandite::tools {
namespace {

constexpr int kChannels = 2;

struct ElementPackage {
    const char* element;
    const char* package;
};
constexpr ElementPackage kPackages[] = {
    {"appsrc", "gstreamer1.0-plugins-base"},       {"videoconvert", "gstreamer1.0-plugins-base"},
    {"audioconvert", "gstreamer1.0-plugins-base"}, {"queue", "libgstreamer1.0-0"},
    {"filesink", "libgstreamer1.0-0"},             {"vp8enc", "gstreamer1.0-plugins-good"},
    {"webmmux", "gstreamer1.0-plugins-good"},      {"matroskamux", "gstreamer1.0-plugins-good"},
    {"vorbisenc", "gstreamer1.0-plugins-base"},    {"x264enc", "gstreamer1.0-plugins-ugly"},
    {"avenc_aac", "gstreamer1.0-libav"},           {"mp4mux", "gstreamer1.0-plugins-good"},
};

const char* PackageOf(const std::string& element) {
    for (const auto& entry : kPackages)
        if (element == entry.element)
            return entry.package;
    return "gstreamer1.0-plugins-good";
}

Status InitGStreamer() {
    GError* error = nullptr;
    if (gst_init_check(nullptr, nullptr, &error))
        return {};
    std::string text = error && error->message ? error->message : "unknown error";
    if (error)
        g_error_free(error);
    return MakeError("GStreamer cannot be initialised: " + text);
}

// The error on the bus, waiting at most `timeout` for it or the end of the stream.
Status WaitForEnd(GstElement* pipeline, GstClockTime timeout, const std::string& what) {
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message =
        gst_bus_timed_pop_filtered(bus, timeout, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    Status result;
    if (!message) {
        result = MakeError(what + " did not finish in time");
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* failure = nullptr;
        gst_message_parse_error(message, &failure, nullptr);
        result = MakeError(what + " failed: " + (failure && failure->message ? failure->message : "unknown error"));
        if (failure)
            g_error_free(failure);
    }
    if (message)
        gst_message_unref(message);
    gst_object_unref(bus);
    return result;
}

// A sound file as 16-bit stereo samples at the mixing rate.
Result<std::vector<int16_t>> DecodeSound(const std::string& file) {
    if (Status ready = InitGStreamer(); !ready)
        return ready.error();
    GError* error = nullptr;
    const std::string description =
        "filesrc name=in ! decodebin ! audioconvert ! audioresample ! audio/x-raw,format=S16LE,layout=interleaved,"
        "channels=2,rate=" +
        std::to_string(SoundMixer::kMixRate) + " ! appsink name=out sync=false";
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (!pipeline || error) {
        if (error)
            g_error_free(error);
        if (pipeline)
            gst_object_unref(pipeline);
        return MakeError("no sound decoder");
    }
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "in");
    g_object_set(source, "location", file.c_str(), nullptr);
    gst_object_unref(source);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");

    std::vector<int16_t> samples;
    Status result;
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        result = MakeError("cannot be decoded");
    } else {
        while (GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink))) {
            GstBuffer* buffer = gst_sample_get_buffer(sample);
            GstMapInfo map;
            if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
                const auto* data = reinterpret_cast<const int16_t*>(map.data);
                samples.insert(samples.end(), data, data + map.size / sizeof(int16_t));
                gst_buffer_unmap(buffer, &map);
            }
            gst_sample_unref(sample);
        }
        // No more samples: the end of the stream, or an error on the bus.
        result = WaitForEnd(pipeline, 5 * GST_SECOND, "decoding");
    }
    gst_object_unref(sink);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    if (!result)
        return result.error();
    return samples;
}

std::string LowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

} // namespace

Result<VideoFormat> VideoFormatFor(const std::string& path) {
    const std::string extension = LowerExtension(path);
    if (extension == ".webm")
        return VideoFormat{"vp8enc", "vorbisenc", "webmmux"};
    if (extension == ".mkv")
        return VideoFormat{"vp8enc", "vorbisenc", "matroskamux"};
    if (extension == ".mp4")
        return VideoFormat{"x264enc", "avenc_aac", "mp4mux"};
    return MakeError("cannot tell the video format from \"" + extension +
                     "\": the file name must end in .webm, .mkv or .mp4");
}

Status CheckVideoElements(const VideoFormat& format, bool audio) {
    if (Status ready = InitGStreamer(); !ready)
        return ready;
    std::vector<std::string> needed{"appsrc", "videoconvert", "queue", "filesink", format.videoEncoder, format.muxer};
    if (audio) {
        needed.push_back("audioconvert");
        needed.push_back(format.audioEncoder);
    }
    for (const auto& name : needed) {
        GstElementFactory* factory = gst_element_factory_find(name.c_str());
        if (!factory)
            return MakeError("the GStreamer element " + name + " is not installed (it comes with the Debian package " +
                             PackageOf(name) + ")");
        gst_object_unref(factory);
    }
    return {};
}

SoundMixer::SoundMixer(Decoder decode) : decode_(decode ? std::move(decode) : Decoder(DecodeSound)) {}

void SoundMixer::Start(int source, int64_t timeMs, const std::string& file, int64_t offsetMs, int volume) {
    Stop(source, timeMs);
    std::error_code ignored;
    const auto stamp = std::filesystem::last_write_time(file, ignored).time_since_epoch().count();
    const std::string key = file + '\n' + std::to_string(std::filesystem::file_size(file, ignored)) + '\n' +
                            std::to_string(stamp);
    auto found = decoded_.find(key);
    if (found == decoded_.end()) {
        auto samples = decode_(file);
        if (!samples)
            warnings_.push_back(std::filesystem::path(file).filename().string() + " is silent in the video: " +
                                samples.message());
        found = decoded_
                    .emplace(key, std::make_shared<const std::vector<int16_t>>(
                                      samples ? std::move(samples).value() : std::vector<int16_t>{}))
                    .first;
    }
    voices_.push_back({found->second, FrameAt(timeMs), FrameAt(offsetMs), std::numeric_limits<int64_t>::max(), source,
                       std::clamp(volume, 0, kFullVolume)});
}

void SoundMixer::Stop(int source, int64_t timeMs) {
    const int64_t at = FrameAt(timeMs);
    for (auto& voice : voices_)
        if (voice.source == source)
            voice.end = std::min(voice.end, at);
}

std::vector<int16_t> SoundMixer::Mix(int64_t first, int64_t count) const {
    std::vector<int32_t> sum(std::size_t(std::max<int64_t>(0, count)) * kChannels, 0);
    for (const auto& voice : voices_) {
        const int64_t length = int64_t(voice.samples->size() / kChannels) - voice.offset;
        const int64_t from = std::max(first, voice.start);
        const int64_t to = std::min({first + count, voice.end, voice.start + length});
        for (int64_t frame = from; frame < to; ++frame) {
            const std::size_t in = std::size_t(frame - voice.start + voice.offset) * kChannels;
            const std::size_t out = std::size_t(frame - first) * kChannels;
            for (int c = 0; c < kChannels; ++c)
                sum[out + c] += voice.volume == kFullVolume
                                    ? (*voice.samples)[in + c]
                                    : int32_t((*voice.samples)[in + c]) * voice.volume / kFullVolume;
        }
    }
    std::vector<int16_t> mixed(sum.size());
    for (std::size_t i = 0; i < sum.size(); ++i)
        mixed[i] = int16_t(std::clamp<int32_t>(sum[i], INT16_MIN, INT16_MAX));
    return mixed;
}

struct VideoEncoder::Pipeline {
    GstElement* pipeline = nullptr;
    GstElement* video = nullptr;
    GstElement* audio = nullptr;
    std::string path;
    int width = 0;
    int height = 0;
    int fps = 0;
    int64_t soundFrames = 0;  // stereo frames pushed
    bool finished = false;

    ~Pipeline() {
        if (video)
            gst_object_unref(video);
        if (audio)
            gst_object_unref(audio);
        if (pipeline) {
            gst_element_set_state(pipeline, GST_STATE_NULL);
            gst_object_unref(pipeline);
        }
    }
};

VideoEncoder::VideoEncoder(std::unique_ptr<Pipeline> pipeline) : pipeline_(std::move(pipeline)) {}

VideoEncoder::~VideoEncoder() {
    if (pipeline_ && !pipeline_->finished) {
        // Left unfinished: no half-written file stays behind.
        const std::string path = pipeline_->path;
        pipeline_.reset();
        std::remove(path.c_str());
    }
}

Result<std::unique_ptr<VideoEncoder>> VideoEncoder::Open(const std::string& path, int width, int height, int fps,
                                                         bool audio) {
    auto format = VideoFormatFor(path);
    if (!format)
        return format.error();
    if (Status installed = CheckVideoElements(*format, audio); !installed)
        return installed.error();

    // Speed over size: the realtime settings keep 720p well ahead of the show's own pace on two
    // cores. The queues after the encoders let either stream run ahead of the other at the muxer.
    std::string videoEncoder = format->videoEncoder == "vp8enc"
                                   ? "vp8enc deadline=1 cpu-used=16 threads=2 token-partitions=2 target-bitrate=4000000 "
                                     "keyframe-max-dist=" +
                                         std::to_string(fps * 2)
                                   : "x264enc speed-preset=ultrafast threads=2 ! video/x-h264,profile=high";
    const std::string size = "width=" + std::to_string(width) + ",height=" + std::to_string(height);
    std::string description =
        "appsrc name=video format=time caps=video/x-raw,format=BGRx," + size + ",framerate=" + std::to_string(fps) +
        "/1 ! videoconvert n-threads=2 ! video/x-raw,format=I420 ! queue max-size-buffers=4 ! " + videoEncoder +
        " ! queue max-size-buffers=0 max-size-bytes=0 max-size-time=0 ! " + format->muxer + " name=mux ! filesink name=out";
    if (audio)
        description += " appsrc name=audio format=time caps=audio/x-raw,format=S16LE,layout=interleaved,channels=2,rate=" +
                       std::to_string(SoundMixer::kMixRate) + " ! audioconvert ! " + format->audioEncoder +
                       " ! queue max-size-buffers=0 max-size-bytes=0 max-size-time=0 ! mux.";
    GError* error = nullptr;
    GstElement* element = gst_parse_launch(description.c_str(), &error);
    auto pipeline = std::make_unique<Pipeline>();
    pipeline->pipeline = element;
    if (!element || error) {
        std::string text = error && error->message ? error->message : "unknown error";
        if (error)
            g_error_free(error);
        return MakeError("cannot build the video encoder: " + text);
    }
    pipeline->path = path;
    pipeline->width = width;
    pipeline->height = height;
    pipeline->fps = fps;
    pipeline->video = gst_bin_get_by_name(GST_BIN(element), "video");
    if (audio)
        pipeline->audio = gst_bin_get_by_name(GST_BIN(element), "audio");
    GstElement* sink = gst_bin_get_by_name(GST_BIN(element), "out");
    g_object_set(sink, "location", path.c_str(), nullptr);
    gst_object_unref(sink);
    if (gst_element_set_state(element, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        std::remove(path.c_str());
        return MakeError("the video encoder does not start (can " + path + " be written?)");
    }
    return std::unique_ptr<VideoEncoder>(new VideoEncoder(std::move(pipeline)));
}

Status VideoEncoder::Failure() {
    GstBus* bus = gst_element_get_bus(pipeline_->pipeline);
    GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    gst_object_unref(bus);
    if (!message)
        return {};
    GError* failure = nullptr;
    gst_message_parse_error(message, &failure, nullptr);
    Status result = MakeError(std::string("the video encoder failed: ") +
                              (failure && failure->message ? failure->message : "unknown error"));
    if (failure)
        g_error_free(failure);
    gst_message_unref(message);
    return result;
}

Status VideoEncoder::PushFrame(int64_t index, const raster::TBitmap32& screen) {
    if (screen.Width() != pipeline_->width || screen.Height() != pipeline_->height)
        return MakeError("a frame of another size");
    // At most a few frames wait for the encoder. The wait is ours, not appsrc's blocking push,
    // so that an encoder that failed (a full disk) ends the export instead of holding it.
    const guint64 waiting = guint64(pipeline_->width) * pipeline_->height * 4 * 4;
    while (gst_app_src_get_current_level_bytes(GST_APP_SRC(pipeline_->video)) > waiting) {
        if (Status failed = Failure(); !failed)
            return failed;
        g_usleep(1000);
    }
    const gsize bytes = gsize(screen.Width()) * screen.Height() * 4;
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
    gst_buffer_fill(buffer, 0, screen.Pixels().data(), bytes);
    GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(guint64(index), GST_SECOND, guint64(pipeline_->fps));
    GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(guint64(index + 1), GST_SECOND, guint64(pipeline_->fps)) -
                                  GST_BUFFER_PTS(buffer);
    if (gst_app_src_push_buffer(GST_APP_SRC(pipeline_->video), buffer) != GST_FLOW_OK) {
        if (Status failed = Failure(); !failed)
            return failed;
        return MakeError("the video encoder stopped taking frames");
    }
    return Failure();
}

Status VideoEncoder::PushSound(const std::vector<int16_t>& samples) {
    if (!pipeline_->audio || samples.empty())
        return {};
    const int64_t frames = int64_t(samples.size() / kChannels);
    const gsize bytes = gsize(frames) * kChannels * sizeof(int16_t);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
    gst_buffer_fill(buffer, 0, samples.data(), bytes);
    const auto at = [](int64_t frame) { return gst_util_uint64_scale(guint64(frame), GST_SECOND, SoundMixer::kMixRate); };
    GST_BUFFER_PTS(buffer) = at(pipeline_->soundFrames);
    GST_BUFFER_DURATION(buffer) = at(pipeline_->soundFrames + frames) - at(pipeline_->soundFrames);
    pipeline_->soundFrames += frames;
    if (gst_app_src_push_buffer(GST_APP_SRC(pipeline_->audio), buffer) != GST_FLOW_OK)
        return MakeError("the sound encoder stopped taking samples");
    return {};
}

Status VideoEncoder::Finish() {
    gst_app_src_end_of_stream(GST_APP_SRC(pipeline_->video));
    if (pipeline_->audio)
        gst_app_src_end_of_stream(GST_APP_SRC(pipeline_->audio));
    Status result = WaitForEnd(pipeline_->pipeline, 600 * GST_SECOND, "the video encoder");
    gst_element_set_state(pipeline_->pipeline, GST_STATE_NULL);
    pipeline_->finished = bool(result);
    return result;
}

} // namespace vorlandite::tools

#include "slideshow/headless/VideoFrameReader.h"

#include "audio/MediaPipeline.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

namespace vorlandite::slideshow {

namespace {

constexpr GstClockTime kPullTimeout = 10 * GST_SECOND;
constexpr int kVideoOnly = 1;  // playbin's flags: the pictures alone, no sound or subtitles

// The sample's picture, copied out of GStreamer's buffer.
QImage ImageOf(GstSample* sample) {
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    int width = 0;
    int height = 0;
    if (!caps || !buffer)
        return {};
    const GstStructure* format = gst_caps_get_structure(caps, 0);
    if (!gst_structure_get_int(format, "width", &width) || !gst_structure_get_int(format, "height", &height) ||
        width <= 0 || height <= 0)
        return {};
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
        return {};
    QImage image;
    const qsizetype stride = qsizetype(map.size) / height;
    if (stride >= qsizetype(width) * 4)
        image = QImage(map.data, width, height, stride, QImage::Format_RGB32).copy();
    gst_buffer_unmap(buffer, &map);
    return image;
}

}  // namespace

struct VideoFrameReader::Decoder {
    GstElement* pipeline = nullptr;
    GstElement* sink = nullptr;
    GstSample* next = nullptr;  // pulled, not yet on show
    bool ended = false;

    ~Decoder() {
        if (next)
            gst_sample_unref(next);
        if (sink)
            gst_object_unref(sink);
        if (pipeline) {
            gst_element_set_state(pipeline, GST_STATE_NULL);
            gst_object_unref(pipeline);
        }
    }
};

VideoFrameReader::VideoFrameReader(std::unique_ptr<Decoder> decoder) : decoder_(std::move(decoder)) {}

VideoFrameReader::~VideoFrameReader() = default;

Result<std::unique_ptr<VideoFrameReader>> VideoFrameReader::Open(const std::string& path) {
    if (!audio::EnsureGStreamer())
        return MakeError("GStreamer cannot be initialised");
    gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
    if (!uri)
        return MakeError("no URI for " + path);
    auto decoder = std::make_unique<Decoder>();
    decoder->pipeline = gst_element_factory_make("playbin", nullptr);
    // BGRx is the show's own pixel layout; the appsink holds two frames, so the decoder waits
    // for the show instead of running through the file.
    GstElement* pictures = gst_parse_bin_from_description(
        "videoconvert ! video/x-raw,format=BGRx ! appsink name=frames sync=false max-buffers=2", TRUE, nullptr);
    if (!decoder->pipeline || !pictures) {
        g_free(uri);
        if (pictures)
            gst_object_unref(pictures);
        return MakeError("no video decoder");
    }
    g_object_set(decoder->pipeline, "uri", uri, "flags", kVideoOnly, "video-sink", pictures, nullptr);
    g_free(uri);
    decoder->sink = gst_bin_get_by_name(GST_BIN(pictures), "frames");
    if (gst_element_set_state(decoder->pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        return MakeError("the video cannot be decoded");
    auto reader = std::unique_ptr<VideoFrameReader>(new VideoFrameReader(std::move(decoder)));
    // The first frame tells whether the file decodes at all.
    if (reader->FrameAt(0).isNull())
        return MakeError("the video has no picture that decodes");
    return reader;
}

const QImage& VideoFrameReader::FrameAt(int64_t positionMs) {
    const GstClockTime position = GstClockTime(std::max<int64_t>(0, positionMs)) * GST_MSECOND;
    while (!decoder_->ended) {
        if (!decoder_->next) {
            decoder_->next = gst_app_sink_try_pull_sample(GST_APP_SINK(decoder_->sink), kPullTimeout);
            if (!decoder_->next) {
                // The end, an error or a stall: the picture on show stays.
                decoder_->ended = true;
                break;
            }
        }
        GstBuffer* buffer = gst_sample_get_buffer(decoder_->next);
        const GstClockTime start = buffer ? GST_BUFFER_PTS(buffer) : GST_CLOCK_TIME_NONE;
        // The first frame is on show from the start whatever its time stamp says.
        if (!current_.isNull() && GST_CLOCK_TIME_IS_VALID(start) && start > position)
            break;
        if (QImage image = ImageOf(decoder_->next); !image.isNull())
            current_ = std::move(image);
        gst_sample_unref(decoder_->next);
        decoder_->next = nullptr;
    }
    return current_;
}

} // namespace vorlandite::slideshow

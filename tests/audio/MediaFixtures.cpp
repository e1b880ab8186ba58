#include "audio/MediaFixtures.h"

#include <gst/gst.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <numbers>
#include <vector>

namespace vorlandite::audio::testing {

namespace {

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

void PutBe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(uint8_t(value >> (8 * i)));
}

void PutText(std::vector<uint8_t>& out, const char* text) {
    while (*text) out.push_back(uint8_t(*text++));
}

void PutVariableLength(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = uint8_t(value & 0x7f);
        value >>= 7;
    } while (value != 0);
    while (count-- > 0) out.push_back(uint8_t(groups[count] | (count > 0 ? 0x80 : 0)));
}

void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Runs a gst-launch style description to its end.
Status Encode(const std::string& description) {
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (!pipeline || error) {
        std::string text = error && error->message ? error->message : "cannot build the encoder";
        if (error) g_error_free(error);
        if (pipeline) gst_object_unref(pipeline);
        return MakeError(text);
    }
    Status result;
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        result = MakeError("the encoder does not start");
    } else {
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* message = gst_bus_timed_pop_filtered(bus, 30 * GST_SECOND,
                                                         GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (!message)
            result = MakeError("the encoder did not finish in time");
        else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
            result = MakeError("the encoder failed");
        if (message) gst_message_unref(message);
        gst_object_unref(bus);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return result;
}

std::string VideoSource(int width, int height, std::chrono::milliseconds duration) {
    const long frames = std::max(1L, long(duration.count() * 25 / 1000));
    return "videotestsrc num-buffers=" + std::to_string(frames) + " pattern=blue ! video/x-raw,width=" +
           std::to_string(width) + ",height=" + std::to_string(height) + ",framerate=25/1 ! videoconvert";
}

// Stereo at 44.1 kHz in buffers of 100 ms: the WMA encoder crashes on mono input at its default
// bit rate, so every sample uses the one layout that all the encoders take.
std::string AudioSource(std::chrono::milliseconds duration) {
    const long buffers = std::max(1L, long(duration.count() / 100));
    return "audiotestsrc num-buffers=" + std::to_string(buffers) +
           " samplesperbuffer=4410 ! audio/x-raw,rate=44100,channels=2,format=S16LE ! audioconvert";
}

Result<MediaFile> Made(const std::string& path, std::chrono::milliseconds duration, bool hasVideo, Status status,
                       bool hasAudio = true) {
    if (!status) return status.error();
    return MediaFile{path, duration, hasVideo, hasAudio};
}

} // namespace

const char* MediaKindName(MediaKind kind) {
    switch (kind) {
    case MediaKind::Wav: return "Wav";
    case MediaKind::Mp3: return "Mp3";
    case MediaKind::Wma: return "Wma";
    case MediaKind::Midi: return "Midi";
    case MediaKind::Avi: return "Avi";
    case MediaKind::Wmv: return "Wmv";
    case MediaKind::Mpeg: return "Mpeg";
    }
    return "Unknown";
}

void WriteWav(const std::string& path, std::chrono::milliseconds duration, int sampleRate) {
    const uint32_t samples = uint32_t(int64_t(sampleRate) * duration.count() / 1000);
    std::vector<uint8_t> out;
    PutText(out, "RIFF");
    PutLe(out, 36 + samples * 2, 4);
    PutText(out, "WAVEfmt ");
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);  // PCM
    PutLe(out, 1, 2);  // mono
    PutLe(out, uint32_t(sampleRate), 4);
    PutLe(out, uint32_t(sampleRate) * 2, 4);
    PutLe(out, 2, 2);
    PutLe(out, 16, 2);
    PutText(out, "data");
    PutLe(out, samples * 2, 4);
    for (uint32_t i = 0; i < samples; ++i) {
        const double phase = 2 * std::numbers::pi * 440.0 * i / sampleRate;
        PutLe(out, uint32_t(uint16_t(int16_t(std::lround(12000 * std::sin(phase))))), 2);
    }
    Save(path, out);
}

void WriteMidi(const std::string& path, std::chrono::milliseconds duration) {
    // 480 ticks per quarter note at the default tempo of 120 beats per minute: 960 ticks a second.
    const uint32_t ticks = uint32_t(duration.count() * 960 / 1000);
    std::vector<uint8_t> track;
    track.insert(track.end(), {0x00, 0xC0, 0x00});             // program: acoustic grand piano
    track.insert(track.end(), {0x00, 0x90, 60, 100});          // note on, middle C
    PutVariableLength(track, ticks);
    track.insert(track.end(), {0x80, 60, 0});                  // note off
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});       // end of track
    std::vector<uint8_t> out;
    PutText(out, "MThd");
    PutBe(out, 6, 4);
    PutBe(out, 0, 2);
    PutBe(out, 1, 2);
    PutBe(out, 480, 2);
    PutText(out, "MTrk");
    PutBe(out, uint32_t(track.size()), 4);
    out.insert(out.end(), track.begin(), track.end());
    Save(path, out);
}

Result<MediaFile> MakeAvi(const std::string& path, int width, int height, std::chrono::milliseconds duration) {
    return Made(path, duration, true,
                Encode(VideoSource(width, height, duration) + " ! jpegenc ! avimux name=mux ! filesink location=\"" +
                       path + "\" " + AudioSource(duration) + " ! audio/x-raw,format=S16LE ! mux."));
}

Result<MediaFile> MakeMediaFile(MediaKind kind, const std::string& folder, std::chrono::milliseconds duration) {
    const std::string base = folder + "/sample";
    switch (kind) {
    case MediaKind::Wav: {
        const std::string path = base + ".wav";
        WriteWav(path, duration);
        return MediaFile{path, duration, false};
    }
    case MediaKind::Midi: {
        const std::string path = base + ".mid";
        WriteMidi(path, duration);
        return MediaFile{path, duration, false};
    }
    case MediaKind::Mp3: {
        const std::string path = base + ".mp3";
        return Made(path, duration, false,
                    Encode(AudioSource(duration) + " ! lamemp3enc ! filesink location=\"" + path + "\""));
    }
    case MediaKind::Wma: {
        const std::string path = base + ".wma";
        return Made(path, duration, false,
                    Encode(AudioSource(duration) + " ! avenc_wmav2 bitrate=128000 ! asfmux preroll=0 ! filesink location=\"" +
                           path + "\""));
    }
    case MediaKind::Avi:
        return MakeAvi(base + ".avi", kVideoWidth, kVideoHeight, duration);
    case MediaKind::Wmv: {
        // Without sound: asfmux of Debian 12 stamps the video of a file with two streams past
        // the end of the file, so that no frame of it would ever be shown.
        const std::string path = base + ".wmv";
        return Made(path, duration, true,
                    Encode(VideoSource(kVideoWidth, kVideoHeight, duration) +
                           " ! avenc_wmv2 ! asfmux preroll=0 ! filesink location=\"" + path + "\""),
                    false);
    }
    case MediaKind::Mpeg: {
        // MPEG-1 video and layer II sound in a program stream. mpeg2enc, because the libav
        // MPEG-1 encoder of Debian 12 rejects every frame rate.
        const std::string path = base + ".mpg";
        return Made(path, duration, true,
                    Encode(VideoSource(kVideoWidth, kVideoHeight, duration) +
                           " ! mpeg2enc format=0 ! mpegvideoparse ! mpegpsmux name=mux ! filesink location=\"" + path +
                           "\" " + AudioSource(duration) + " ! avenc_mp2 ! mpegaudioparse ! mux."));
    }
    }
    return MakeError("unknown media kind");
}

} // namespace vorlandite::audio::testing

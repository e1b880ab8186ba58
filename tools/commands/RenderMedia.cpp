#include "commands/RenderMedia.h"

#include "CommandLine.h"
#include "formats/swf/SwfWriter.h"

#include <gst/gst.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <optional>
#include <string_view>

namespace vorlandite::tools {
namespace {

constexpr std::string_view kTuneUsage =
    "usage: vorlandite render-tune --out FILE.wav --seconds N\n"
    "\n"
    "Synthesises a short tune (a melody over a bass line, repeated to fill the time) and writes\n"
    "it as a 16-bit mono WAV file at 22050 Hz.\n"
    "  --out FILE.wav  the file to write\n"
    "  --seconds N     its length, 0.5 to 600\n"
    "Exit 1 when a value is out of range or the file cannot be written.\n";

constexpr std::string_view kClipUsage =
    "usage: vorlandite render-clip --out FILE.avi --seconds N [--size WxH]\n"
    "\n"
    "Encodes a test-pattern video of N seconds at 25 frames per second as Motion JPEG in AVI,\n"
    "without sound, through the installed GStreamer plugins.\n"
    "  --out FILE.avi  the file to write\n"
    "  --seconds N     its length, 0.5 to 600\n"
    "  --size WxH      the picture, 16 to 1920 by 16 to 1080 (default 320x240)\n"
    "Exit 1 when a value is out of range, an encoder is missing or the file cannot be written.\n";

constexpr std::string_view kMovieUsage =
    "usage: vorlandite render-movie --out FILE.swf --seconds N [--size WxH]\n"
    "\n"
    "Writes a small Flash movie: a rectangle crossing a blue stage at 20 frames per second,\n"
    "with a stop on its last frame, so a show moves on when it has played once.\n"
    "  --out FILE.swf  the file to write\n"
    "  --seconds N     its length, 0.5 to 600\n"
    "  --size WxH      the stage, 16 to 1920 by 16 to 1080 (default 400x300)\n"
    "Exit 1 when a value is out of range or the file cannot be written.\n";

constexpr OptionRule kTuneOptions[] = {{"--out", "", true}, {"--seconds", "", true}};
constexpr OptionRule kClipOptions[] = {{"--out", "", true}, {"--seconds", "", true}, {"--size", "", true}};
constexpr OptionRule kMovieOptions[] = {{"--out", "", true}, {"--seconds", "", true}, {"--size", "", true}};
constexpr int kMovieFrameRate = 20;

constexpr double kMinSeconds = 0.5;
constexpr double kMaxSeconds = 600;
constexpr int kSampleRate = 22050;

std::optional<double> ParseSeconds(const std::string& text) {
    const auto seconds = ParseWhole<double>(text);
    if (!seconds || !std::isfinite(*seconds) || *seconds < kMinSeconds || *seconds > kMaxSeconds)
        return std::nullopt;
    return seconds;
}

void PutLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

std::vector<uint8_t> WavFile(const std::vector<int16_t>& samples, int sampleRate) {
    const auto dataBytes = uint32_t(samples.size() * 2);
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    for (char c : std::string_view("RIFF"))
        out.push_back(uint8_t(c));
    PutLittleEndian(out, 36 + dataBytes, 4);
    for (char c : std::string_view("WAVEfmt "))
        out.push_back(uint8_t(c));
    PutLittleEndian(out, 16, 4);
    PutLittleEndian(out, 1, 2);  // PCM
    PutLittleEndian(out, 1, 2);  // mono
    PutLittleEndian(out, uint32_t(sampleRate), 4);
    PutLittleEndian(out, uint32_t(sampleRate * 2), 4);
    PutLittleEndian(out, 2, 2);
    PutLittleEndian(out, 16, 2);
    for (char c : std::string_view("data"))
        out.push_back(uint8_t(c));
    PutLittleEndian(out, dataBytes, 4);
    for (int16_t sample : samples)
        PutLittleEndian(out, uint16_t(sample), 2);
    return out;
}

double NoteFrequency(int midiNote) { return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0); }

// Adds one plucked note: a few harmonics under an exponential decay, with a short attack so that
// it starts without a click.
void AddNote(std::vector<double>& mix, int sampleRate, double start, double length, int midiNote, double level) {
    const double frequency = NoteFrequency(midiNote);
    const auto first = size_t(start * sampleRate);
    const auto count = size_t(length * sampleRate);
    for (size_t i = 0; i < count && first + i < mix.size(); ++i) {
        const double t = double(i) / sampleRate;
        const double attack = std::min(1.0, t / 0.01);
        const double release = std::min(1.0, (length - t) / 0.02);
        const double envelope = attack * release * std::exp(-3.0 * t);
        const double phase = 2 * std::numbers::pi * frequency * t;
        mix[first + i] += level * envelope * (std::sin(phase) + 0.3 * std::sin(2 * phase) + 0.1 * std::sin(3 * phase));
    }
}

// Writes the whole file or nothing: an error leaves no partial file behind.
Status WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (out)
            return {};
    }
    std::remove(path.c_str());
    return MakeError("cannot write " + path);
}

Status EncodeClip(const std::string& path, int width, int height, double seconds) {
    GError* error = nullptr;
    if (!gst_init_check(nullptr, nullptr, &error)) {
        if (error)
            g_error_free(error);
        return MakeError("GStreamer cannot be initialised");
    }
    const long frames = std::max(1L, std::lround(seconds * 25));
    // Only numbers go into the description; the file name is set as a property, so that no
    // character of it is read as pipeline syntax.
    const std::string description = "videotestsrc num-buffers=" + std::to_string(frames) +
                                    " pattern=ball background-color=0xFF203060"
                                    " ! video/x-raw,format=I420,width=" + std::to_string(width) +
                                    ",height=" + std::to_string(height) +
                                    ",framerate=25/1 ! jpegenc quality=85 ! avimux ! filesink name=out";
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (!pipeline || error) {
        std::string text = error && error->message ? error->message : "cannot build the encoder";
        if (error)
            g_error_free(error);
        if (pipeline)
            gst_object_unref(pipeline);
        return MakeError("no encoder: " + text);
    }
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    g_object_set(sink, "location", path.c_str(), nullptr);
    gst_object_unref(sink);

    Status result;
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        result = MakeError("the encoder does not start");
    } else {
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* message =
            gst_bus_timed_pop_filtered(bus, 120 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (!message) {
            result = MakeError("the encoder did not finish in time");
        } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            GError* failure = nullptr;
            gst_message_parse_error(message, &failure, nullptr);
            result = MakeError(std::string("the encoder failed: ") +
                               (failure && failure->message ? failure->message : "unknown error"));
            if (failure)
                g_error_free(failure);
        }
        if (message)
            gst_message_unref(message);
        gst_object_unref(bus);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    if (!result)
        std::remove(path.c_str());
    return result;
}

} // namespace

std::vector<int16_t> SynthesiseTune(double seconds, int sampleRate) {
    // Eighth notes at 132 beats a minute; 0 is a rest. Four bars of C major pentatonic.
    constexpr double kEighth = 60.0 / 132 / 2;
    constexpr int kMelody[] = {72, 76, 79, 76, 81, 79, 76, 74, 72, 74, 76, 79, 76, 74, 72, 0,
                               69, 72, 74, 76, 79, 81, 79, 76, 74, 76, 74, 72, 67, 69, 72, 0};
    constexpr int kBass[] = {48, 45, 41, 43};  // one per bar: C, A, F, G
    const auto total = size_t(std::max(0.0, seconds) * sampleRate);
    std::vector<double> mix(total, 0.0);
    const double bar = 8 * kEighth;
    for (double start = 0; start * sampleRate < double(total); start += 4 * bar) {
        for (size_t i = 0; i < std::size(kMelody); ++i)
            if (kMelody[i] != 0)
                AddNote(mix, sampleRate, start + double(i) * kEighth, kEighth * 1.6, kMelody[i], 0.35);
        for (size_t i = 0; i < std::size(kBass); ++i)
            AddNote(mix, sampleRate, start + double(i) * bar, bar, kBass[i], 0.3);
    }
    // A fade over the last tenth of a second, so a cut-off note ends softly.
    const auto fade = std::min(total, size_t(sampleRate / 10));
    for (size_t i = 0; i < fade; ++i)
        mix[total - 1 - i] *= double(i) / double(fade);
    double peak = 0;
    for (double v : mix)
        peak = std::max(peak, std::abs(v));
    const double scale = peak > 0 ? 0.6 * 32767 / peak : 0;
    std::vector<int16_t> samples(total);
    for (size_t i = 0; i < total; ++i)
        samples[i] = int16_t(std::lround(mix[i] * scale));
    return samples;
}

namespace {

// What every render command takes: --out and --seconds (and --size where it is allowed).
struct MediaRequest {
    std::string path;
    double seconds = 0;
    std::pair<int, int> size;
};

// Parses a render command's arguments; on failure (or --help) returns none with exitCode set.
std::optional<MediaRequest> ParseMediaRequest(std::span<const std::string> args, std::span<const OptionRule> rules,
                                              std::string_view usage, std::pair<int, int> defaultSize,
                                              std::ostream& out, std::ostream& err, int& exitCode) {
    auto parsed = StartCommand(args, rules, usage, out, err, exitCode);
    if (!parsed)
        return std::nullopt;
    const auto fail = [&](int code) {
        exitCode = code;
        return std::nullopt;
    };
    if (!parsed->positional.empty())
        return fail(ReportUsage(err, "unexpected argument " + parsed->positional.front(), usage));
    if (auto missing = MissingOption(*parsed, {"--out", "--seconds"}))
        return fail(ReportUsage(err, "missing option " + std::string(*missing), usage));
    MediaRequest request{parsed->options.find("--out")->second, 0, defaultSize};
    const std::string& secondsText = parsed->options.find("--seconds")->second;
    const auto seconds = ParseSeconds(secondsText);
    if (!seconds)
        return fail(ReportFailure(err, "--seconds must be a number from 0.5 to 600, not \"" + secondsText + "\""));
    request.seconds = *seconds;
    if (request.path.empty())
        return fail(ReportFailure(err, "--out needs a file name"));
    if (parsed->Has("--size")) {
        const std::string& sizeText = parsed->options.find("--size")->second;
        const auto parsedSize = ParseSize(sizeText, 16, 1920);
        if (!parsedSize || parsedSize->second > 1080)
            return fail(ReportFailure(err, "--size must be WxH from 16x16 to 1920x1080, not \"" + sizeText + "\""));
        request.size = *parsedSize;
    }
    return request;
}

} // namespace

std::vector<uint8_t> DemoMovie(int width, int height, double seconds) {
    const int frames = std::max(2, int(std::lround(seconds * kMovieFrameRate)));
    return swf::WriteSwf(swf::CrossingRectangleRecipe(width, height, frames, kMovieFrameRate));
}

int RunRenderTune(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    int exitCode = kExitOk;
    const auto request = ParseMediaRequest(args, kTuneOptions, kTuneUsage, {}, out, err, exitCode);
    if (!request)
        return exitCode;
    if (Status written = WriteFileBytes(request->path, WavFile(SynthesiseTune(request->seconds, kSampleRate), kSampleRate));
        !written)
        return ReportFailure(err, written.message());
    return kExitOk;
}

int RunRenderClip(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    int exitCode = kExitOk;
    const auto request = ParseMediaRequest(args, kClipOptions, kClipUsage, {320, 240}, out, err, exitCode);
    if (!request)
        return exitCode;
    if (Status encoded = EncodeClip(request->path, request->size.first, request->size.second, request->seconds); !encoded)
        return ReportFailure(err, encoded.message());
    return kExitOk;
}

int RunRenderMovie(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    int exitCode = kExitOk;
    const auto request = ParseMediaRequest(args, kMovieOptions, kMovieUsage, {400, 300}, out, err, exitCode);
    if (!request)
        return exitCode;
    const auto movie = DemoMovie(request->size.first, request->size.second, request->seconds);
    if (Status written = WriteFileBytes(request->path, movie); !written)
        return ReportFailure(err, written.message());
    return kExitOk;
}

} // namespace vorlandite::tools

#include "commands/Record.h"

#include "CommandLine.h"
#include "app/StartupReading.h"
#include "audio/CustomPlaylist.h"
#include "commands/ContactSheet.h"
#include "commands/PngWriter.h"
#include "commands/VideoExport.h"
#include "payload/ByteSource.h"
#include "platform/FileRegistry.h"
#include "raster/decoders/PictureDecoding.h"
#include "slideshow/LogoOverlay.h"
#include "slideshow/headless/HeadlessShow.h"

#include <QGuiApplication>

#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string_view>

namespace vorlandite::tools {
namespace {

constexpr std::string_view kUsage =
    "usage: vorlandite record SCREENSAVER --size WxH --seconds T --out DIR [--seed S]\n"
    "                         [--monitors 1|2] [--frames] [--contact-sheet FILE] [--desktop PNG]\n"
    "       vorlandite record SCREENSAVER --video FILE [--size WxH] [--fps N] [--seconds T]\n"
    "                         [--out DIR] [--seed S] [--monitors 1|2] [--desktop PNG]\n"
    "\n"
    "Runs the show of a screensaver file without a screen, on a virtual clock (a show of minutes\n"
    "takes moments), with your stored settings for it as the show itself reads them. The same\n"
    "seed gives the same show. Writes DIR/events.jsonl, one JSON object per line, \"t\" being the\n"
    "show's time in milliseconds:\n"
    "  {\"t\", \"event\": \"item\", \"index\", \"kind\", \"mode\", \"rect\": [l, t, r, b], \"effect\", \"steps\",\n"
    "   \"monitor\"}  an item starts coming in (\"mode\" is its size-and-position mode, \"rect\" where\n"
    "   it was placed, \"effect\" the transition effect drawn, 0 for none)\n"
    "  {\"t\", \"event\": \"transition-end\"}   the item's transition has ended\n"
    "  {\"t\", \"event\": \"gif-frame\", \"frame\"}   an animated GIF item shows its next frame\n"
    "  {\"t\", \"event\": \"melody\", \"index\"}   a melody starts (its index in the playlist)\n"
    "  {\"t\", \"event\": \"video-end\", \"index\"}   video item \"index\" has played to its end; for\n"
    "   a video item the \"rect\" of its item event is its display panel\n"
    "  {\"t\", \"event\": \"flash-end\", \"index\"}   Flash item \"index\" has stopped playing (its\n"
    "   movie reached a frame that stops it); for a Flash item the \"rect\" is its display panel\n"
    "  {\"t\", \"event\": \"end\"}   the show is over\n"
    "  --size WxH            the screen, 16 to 8192 pixels each way\n"
    "  --seconds T           how long the show runs (a transition under way then still ends)\n"
    "  --out DIR             the folder for the files, made when missing\n"
    "  --seed S              the seed of the show's random choices (default 1)\n"
    "  --monitors 1|2        2: a second monitor of the same size; picture items alternate\n"
    "  --frames              also DIR/item-NNNN.png: the screen (of the item's monitor) once item\n"
    "                        NNNN has come in, NNNN counting the items shown from 0000\n"
    "  --contact-sheet FILE  a PNG of those screens scaled down in a grid\n"
    "  --desktop PNG         the desktop the show starts on and uses as its desktop background\n"
    "                        (default: black); another size is scaled to cover the screen,\n"
    "                        centred, the overhang cut off\n"
    "  --video FILE          the show as a video: the main monitor sampled at --fps on the show's\n"
    "                        time (with --monitors 2 too: the second monitor is not in it),\n"
    "                        transitions frame by frame as drawn, video items as they play,\n"
    "                        melodies and enter sounds mixed in at their players'\n"
    "                        volume (a video item's own sound is not). FILE's extension chooses\n"
    "                        the format: .webm (VP8, Vorbis), .mkv (the same in Matroska), .mp4\n"
    "                        (H.264, AAC). With --video, --size defaults to 1280x720, --seconds\n"
    "                        to 60 and --out is optional. Progress goes to stderr.\n"
    "  --fps N               frames a second of the video, 1 to 60 (default 25)\n"
    "A stored setting of the wrong type or out of range is reported on stderr and the\n"
    "screensaver's own value is used, as the show does.\n"
    "Exit 1 when the screensaver's payload or the desktop picture cannot be read, or a file\n"
    "cannot be written.\n";

constexpr OptionRule kOptions[] = {{"--size", "", true},     {"--seconds", "", true},       {"--out", "", true},
                                   {"--seed", "", true},     {"--monitors", "", true},      {"--frames", "", false},
                                   {"--contact-sheet", "", true}, {"--desktop", "", true},
                                   {"--video", "", true},    {"--fps", "", true}};

constexpr int kMinSide = 16;
constexpr int kMaxSide = 8192;
constexpr double kMaxSeconds = 7 * 24 * 3600.0;
constexpr int kMaxFps = 60;
constexpr double kDefaultVideoSeconds = 60;


// Captions need fonts, and fonts need a GUI application; without a display it draws offscreen.
void EnsureGuiApplication() {
    if (QCoreApplication::instance())
        return;
    static int argc = 3;
    static char name[] = "vorlandite";
    static char platformOption[] = "-platform";
    static char platformName[] = "offscreen";
    static char* argv[] = {name, platformOption, platformName, nullptr};
    // Qt's notes about the environment (no runtime folder, no display) are not the command's
    // output; only its real errors are.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "vorlandite: %s\n", message.toLocal8Bit().constData());
    });
    static QGuiApplication application(argc, argv);
}

// A private scratch folder for the extracted items, so that a show running at the same time
// keeps its own files; removed with its content.
class ScratchFolder {
public:
    static Result<ScratchFolder> Make() {
        std::error_code error;
        std::string pattern = (std::filesystem::temp_directory_path(error) / "vorlandite-record-XXXXXX").string();
        if (error)
            pattern = "/tmp/vorlandite-record-XXXXXX";
        if (!mkdtemp(pattern.data()))
            return MakeError("cannot make a temporary folder");
        return ScratchFolder(pattern);
    }
    ScratchFolder(ScratchFolder&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
    ScratchFolder(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    std::string WithSlash() const { return path_ + "/"; }

private:
    explicit ScratchFolder(std::string path) : path_(std::move(path)) {}
    std::string path_;
};

std::string EventLine(const slideshow::HeadlessEvent& e) {
    using Type = slideshow::HeadlessEvent::Type;
    std::ostringstream line;
    line << "{\"t\": " << e.timeMs << ", \"event\": ";
    switch (e.type) {
    case Type::Item: {
        const auto& item = e.item;
        line << "\"item\", \"index\": " << item.index << ", \"kind\": \"" << payload::ItemKindName(item.kind)
             << "\", \"mode\": " << item.placementMode << ", \"rect\": [" << item.rect.left << ", " << item.rect.top
             << ", " << item.rect.right << ", " << item.rect.bottom << "], \"effect\": " << item.effect
             << ", \"steps\": " << item.steps << ", \"monitor\": " << item.monitor << "}";
        break;
    }
    case Type::TransitionEnd: line << "\"transition-end\"}"; break;
    case Type::GifFrame: line << "\"gif-frame\", \"frame\": " << e.frame << "}"; break;
    case Type::Melody: line << "\"melody\", \"index\": " << e.melody << "}"; break;
    case Type::VideoEnd: line << "\"video-end\", \"index\": " << e.item.index << "}"; break;
    case Type::FlashEnd: line << "\"flash-end\", \"index\": " << e.item.index << "}"; break;
    case Type::End: line << "\"end\"}"; break;
    }
    return line.str();
}

std::string FrameFileName(int sequence) {
    char name[32];
    std::snprintf(name, sizeof name, "item-%04d.png", sequence);
    return name;
}

// Writes the events as they come and the screens of the items that have come in.
class Recorder {
public:
    // No folder (a video only): the events are counted, not written.
    Recorder(std::filesystem::path folder, bool frames, bool sheet)
        : folder_(std::move(folder)), frames_(frames), sheet_(sheet) {
        if (!folder_.empty())
            events_.open(folder_ / "events.jsonl");
    }

    void SetShow(slideshow::HeadlessShow* show) { show_ = show; }

    void OnEvent(const slideshow::HeadlessEvent& e) {
        using Type = slideshow::HeadlessEvent::Type;
        if (!folder_.empty())
            events_ << EventLine(e) << '\n';
        if (e.type == Type::Item)
            ++items_;
        // An item is in once its transition has ended, or at once when it had none.
        const bool itemIn = (e.type == Type::Item && e.item.mode != slideshow::ShowMode::Transition) ||
                            e.type == Type::TransitionEnd;
        if (itemIn && show_)
            KeepScreen(e.sequence, e.item.index, show_->Screen(e.item.monitor));
    }

    Status Close() {
        if (folder_.empty())
            return status_;
        events_.flush();
        if (!events_)
            return MakeError("cannot write " + (folder_ / "events.jsonl").string());
        return status_;
    }
    int Items() const { return items_; }
    const ContactSheet& Sheet() const { return contactSheet_; }

private:
    void KeepScreen(int sequence, int index, const raster::TBitmap32& screen) {
        if (frames_ && status_) {
            const auto path = folder_ / FrameFileName(sequence);
            if (Status written = WritePng(screen, path.string(), PngChannels::Rgb); !written)
                status_ = MakeError("cannot write " + path.string() + ": " + written.message());
        }
        if (sheet_) {
            char label[48];
            std::snprintf(label, sizeof label, "%04d  item %d", sequence, index);
            contactSheet_.Add(screen, label);
        }
    }

    std::filesystem::path folder_;
    bool frames_;
    bool sheet_;
    std::ofstream events_;
    slideshow::HeadlessShow* show_ = nullptr;
    Status status_;
    int items_ = 0;
    ContactSheet contactSheet_;
};

// The picture standing in for the desktop: a PNG, whatever its name says.
Result<raster::TBitmap32> ReadDesktopPicture(const std::string& path) {
    auto bytes = raster::ReadPictureFile(path);
    if (!bytes)
        return bytes.error();
    if (raster::SniffFormat(*bytes) != raster::PictureFormat::Png)
        return MakeError(path + " is not a PNG picture");
    auto picture = raster::DecodePicture(*bytes, "png");
    if (!picture)
        return MakeError(path + ": " + picture.message());
    return picture;
}

// The engine's own failure message, one line per line.
std::string PayloadFailureText() {
    std::string text;
    for (char c : payload::kPayloadFailureMessage)
        if (c != '\r')
            text += c;
    return text;
}

// How far a video export has got, on stderr: a bar redrawn in place on a terminal, otherwise a
// line at every tenth, so that a log stays readable.
class ExportProgress {
public:
    ExportProgress(std::ostream& err, int64_t total)
        : err_(err), total_(std::max<int64_t>(1, total)), bar_(&err == &std::cerr && ::isatty(STDERR_FILENO)),
          start_(std::chrono::steady_clock::now()) {}

    void Update(int64_t done) {
        const int percent = int(std::min<int64_t>(100, done * 100 / total_));
        if (bar_ ? percent == shown_ : percent / 10 == shown_ / 10)
            return;
        shown_ = percent;
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const long left = done > 0 ? std::lround(elapsed * double(total_ - done) / double(done)) : 0;
        if (bar_) {
            constexpr int kWidth = 30;
            const int filled = percent * kWidth / 100;
            err_ << "\r[" << std::string(std::size_t(filled), '#') << std::string(std::size_t(kWidth - filled), '.')
                 << "] " << percent << " %  " << left << " s left   " << std::flush;
            if (done >= total_)
                err_ << "\n";
        } else {
            err_ << "vorlandite: video " << percent / 10 * 10 << " % (" << left << " s left)\n";
        }
    }

private:
    std::ostream& err_;
    int64_t total_;
    bool bar_;
    int shown_ = -1;
    std::chrono::steady_clock::time_point start_;
};

// The video's frames in order, each the main monitor's screen at the frame's time on the show's
// clock; the sound follows a frame behind, once every sound that starts in it is known. A
// transition runs to its end in one step of the show, so its frames arrive from the transition's
// worker as it draws them, each with the span it is on screen.
class VideoRecording {
public:
    VideoRecording(VideoEncoder& encoder, SoundMixer& mixer, int64_t frames, int fps, std::ostream& err)
        : encoder_(encoder), mixer_(mixer), frames_(frames), fps_(fps), err_(err), progress_(err, frames) {}

    // Worker thread, the show's thread waiting: the frames due before toMs show this screen. Their
    // sound goes out with the next frame the show's thread pushes.
    void TransitionFrame(int64_t, int64_t toMs, const raster::TBitmap32& screen) {
        while (status_ && next_ < frames_ && TimeOf(next_) < toMs)
            PushPicture(screen);
    }

    Status Run(slideshow::HeadlessShow& show) {
        while (next_ < frames_) {
            show.RunUntil(TimeOf(next_));
            if (!status_)
                return status_;
            if (next_ >= frames_)
                break;
            if (Status pushed = PushSoundTo(SoundFrame(next_)); !pushed)
                return pushed;
            PushPicture(show.Screen(0));
            if (!status_)
                return status_;
        }
        show.RunUntil(TimeOf(frames_));
        if (Status pushed = PushSoundTo(SoundFrame(frames_)); !pushed)
            return pushed;
        for (const auto& warning : mixer_.TakeWarnings())
            err_ << "vorlandite: " << warning << "\n";
        return encoder_.Finish();
    }

private:
    int64_t TimeOf(int64_t frame) const { return frame * 1000 / fps_; }
    int64_t SoundFrame(int64_t frame) const { return frame * SoundMixer::kMixRate / fps_; }

    void PushPicture(const raster::TBitmap32& screen) {
        status_ = encoder_.PushFrame(next_, screen);
        ++next_;
        progress_.Update(next_);
    }
    Status PushSoundTo(int64_t end) {
        Status pushed = encoder_.PushSound(mixer_.Mix(soundPushed_, end - soundPushed_));
        soundPushed_ = end;
        return pushed;
    }

    VideoEncoder& encoder_;
    SoundMixer& mixer_;
    int64_t frames_;
    int fps_;
    std::ostream& err_;
    ExportProgress progress_;
    int64_t next_ = 0;  // the next frame to push
    int64_t soundPushed_ = 0;
    Status status_;
};

} // namespace

int RunRecord(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    int exitCode = kExitOk;
    auto parsed = StartCommand(args, kOptions, kUsage, out, err, exitCode);
    if (!parsed)
        return exitCode;
    if (parsed->positional.size() != 1)
        return ReportUsage(err, parsed->positional.empty() ? "no screensaver given" : "more than one screensaver given",
                           kUsage);
    // A video needs no folder, and has a size and a length of its own by default.
    const bool video = parsed->Has("--video");
    if (auto missing =
            video ? std::optional<std::string_view>() : MissingOption(*parsed, {"--size", "--seconds", "--out"}))
        return ReportUsage(err, "missing option " + std::string(*missing), kUsage);
    const auto option = [&](std::string_view name) -> const std::string& { return parsed->options.find(name)->second; };
    const auto optionOr = [&](std::string_view name, const std::string& fallback) -> const std::string& {
        return parsed->Has(name) ? option(name) : fallback;
    };
    if (!video && parsed->Has("--fps"))
        return ReportUsage(err, "--fps goes with --video", kUsage);

    slideshow::HeadlessShowOptions options;
    const std::string sizeText = optionOr("--size", "1280x720");
    const auto size = ParseSize(sizeText, kMinSide, kMaxSide);
    if (!size)
        return ReportFailure(err, "--size must be WIDTHxHEIGHT with each from " + std::to_string(kMinSide) + " to " +
                                      std::to_string(kMaxSide) + ", not \"" + sizeText + "\"");
    std::tie(options.width, options.height) = *size;
    const std::string secondsText = optionOr("--seconds", std::to_string(int(kDefaultVideoSeconds)));
    const auto seconds = ParseWhole<double>(secondsText);
    if (!seconds || !std::isfinite(*seconds) || *seconds < 0 || *seconds > kMaxSeconds)
        return ReportFailure(err, "--seconds must be a number from 0 to " + std::to_string(int(kMaxSeconds)) +
                                      ", not \"" + secondsText + "\"");
    int fps = 25;
    std::optional<VideoFormat> videoFormat;
    if (video) {
        if (parsed->Has("--fps")) {
            const auto parsedFps = ParseWhole<int>(option("--fps"));
            if (!parsedFps || *parsedFps < 1 || *parsedFps > kMaxFps)
                return ReportFailure(err, "--fps must be a whole number from 1 to " + std::to_string(kMaxFps) +
                                              ", not \"" + option("--fps") + "\"");
            fps = *parsedFps;
        }
        if (*seconds * fps < 0.5)
            return ReportFailure(err, "--seconds is too short for one frame of video");
        // Encoders want even sides for their 4:2:0 pictures.
        if (options.width % 2 || options.height % 2)
            return ReportFailure(err, "--size must be even each way for a video, not \"" + sizeText + "\"");
        auto format = VideoFormatFor(option("--video"));
        if (!format)
            return ReportFailure(err, "--video: " + format.message());
        videoFormat = std::move(format).value();
    }
    if (parsed->Has("--seed")) {
        const auto seed = ParseWhole<uint32_t>(option("--seed"));
        if (!seed)
            return ReportFailure(err, "--seed must be a number from 0 to 4294967295, not \"" + option("--seed") + "\"");
        options.seed = *seed;
    }
    if (parsed->Has("--monitors")) {
        const auto monitors = ParseWhole<int>(option("--monitors"));
        if (!monitors || (*monitors != 1 && *monitors != 2))
            return ReportFailure(err, "--monitors must be 1 or 2, not \"" + option("--monitors") + "\"");
        options.monitors = *monitors;
    }

    if (parsed->Has("--desktop")) {
        auto desktop = ReadDesktopPicture(option("--desktop"));
        if (!desktop)
            return ReportFailure(err, "--desktop: " + desktop.message());
        options.desktop = std::move(desktop).value();
    }

    // The payload and the stored settings, exactly as the show reads them at its start.
    const std::string& screensaver = parsed->positional.front();
    app::StartupPayload startup;
    {
        auto source = payload::FileSource::Open(screensaver);
        if (!source)
            return ReportFailure(err, screensaver + ": " + source.message() + "\n" + PayloadFailureText());
        const auto warn = [&err](const std::string& warning) { err << "vorlandite: " << warning << "\n"; };
        platform::FileRegistry registry(platform::DefaultUserRegistryPath(), warn);
        if (Status read = app::ReadStartupPayload(**source, registry, false, startup, warn); !read)
            return ReportFailure(err, screensaver + ": " + read.message() + "\n" + PayloadFailureText());
        options.useCustomPlaylist = startup.UseCustomPlaylist;
        if (startup.UseCustomPlaylist)
            options.customPlaylist = audio::LoadCustomPlayListNoWindow(registry, startup.Payload.strings.Title);
    }

    if (!parsed->Has("--out") && parsed->Has("--frames"))
        return ReportUsage(err, "--frames needs --out", kUsage);
    const std::filesystem::path folder = parsed->Has("--out") ? option("--out") : std::string();
    if (!folder.empty()) {
        std::error_code madeError;
        std::filesystem::create_directories(folder, madeError);
        if (madeError || !std::filesystem::is_directory(folder))
            return ReportFailure(err, "cannot make the folder " + folder.string());
    }
    auto scratch = ScratchFolder::Make();
    if (!scratch)
        return ReportFailure(err, scratch.message());

    EnsureGuiApplication();
    slideshow::ShowContent content{std::move(startup.Payload), screensaver, scratch->WithSlash(), {}};
    if (auto logo = slideshow::LoadLogo(content.payload.header, screensaver, content.tempFolder); logo)
        content.logo = std::move(logo).value();

    // The video's sound stream exists when the show has sounds to play, whether or not they
    // start within the recorded time.
    const bool sound = !content.payload.melodies.empty() || !content.payload.sounds.empty() ||
                       (options.useCustomPlaylist && !options.customPlaylist.empty());
    std::unique_ptr<VideoEncoder> encoder;
    SoundMixer mixer;
    if (video) {
        if (Status installed = CheckVideoElements(*videoFormat, sound); !installed)
            return ReportFailure(err, installed.message());
        auto opened = VideoEncoder::Open(option("--video"), options.width, options.height, fps, sound);
        if (!opened)
            return ReportFailure(err, option("--video") + ": " + opened.message());
        encoder = std::move(opened).value();
        options.OnSound = [&mixer](const slideshow::HeadlessSound& s) {
            if (s.starts)
                mixer.Start(int(s.source), s.timeMs, s.file, s.offsetMs, s.volume);
            else
                mixer.Stop(int(s.source), s.timeMs);
        };
    }

    Recorder recorder(folder, parsed->Has("--frames"), parsed->Has("--contact-sheet"));
    const int64_t videoFrames = std::llround(*seconds * fps);
    std::optional<VideoRecording> recording;
    if (encoder) {
        recording.emplace(*encoder, mixer, videoFrames, fps, err);
        options.followVideoFrames = true;
        options.OnTransitionFrame = [&recording](int64_t from, int64_t to, const raster::TBitmap32& screen) {
            recording->TransitionFrame(from, to, screen);
        };
    }
    {
        slideshow::HeadlessShow show(std::move(content), options,
                                     [&recorder](const slideshow::HeadlessEvent& e) { recorder.OnEvent(e); });
        recorder.SetShow(&show);
        if (Status started = show.Start(); !started)
            return ReportFailure(err, screensaver + ": the show cannot start: " + started.message());
        if (recording) {
            if (Status encoded = recording->Run(show); !encoded)
                return ReportFailure(err, option("--video") + ": " + encoded.message());
        }
        show.RunUntil(std::llround(*seconds * 1000));
        show.Finish();
        recorder.SetShow(nullptr);
    }
    if (Status closed = recorder.Close(); !closed)
        return ReportFailure(err, closed.message());

    std::string sheetPath;
    if (parsed->Has("--contact-sheet")) {
        sheetPath = option("--contact-sheet");
        auto sheet = recorder.Sheet().Compose();
        if (!sheet)
            return ReportFailure(err, "no contact sheet: " + sheet.message());
        if (Status written = WritePng(*sheet, sheetPath, PngChannels::Rgb); !written)
            return ReportFailure(err, "cannot write " + sheetPath + ": " + written.message());
    }
    if (!folder.empty())
        out << "recorded " << recorder.Items() << " item" << (recorder.Items() == 1 ? "" : "s") << " in " << *seconds
            << " s into " << (folder / "events.jsonl").string() << "\n";
    if (video)
        out << "video: " << option("--video") << " (" << videoFrames << " frames at " << fps << " fps"
            << (sound ? ", with sound" : "") << ")\n";
    if (!sheetPath.empty())
        out << "contact sheet: " << sheetPath << "\n";
    return kExitOk;
}

} // namespace vorlandite::tools

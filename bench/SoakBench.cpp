// The show's memory over a day: the headless show on virtual time runs a 50-item screensaver
// (still pictures in every format the decoders read, animated GIFs, a video, a Flash movie and
// melodies) for 24 virtual hours at 320 x 240, and samples the process's resident size every
// virtual hour. Memory that grows hour after hour is a leak the show would carry through a night
// on a real screen; what the first hour takes (caches, the decoders' and GStreamer's one-time
// allocations) is not.
//
// Usage: soak_bench [--hours N] [--limit-kb K] [--media 0] [--flash 0]
// Prints a table and the growth after hour 1; exits 1 when it exceeds the limit (2 MB). Not a
// test: the figures go to the notes.

#include "audio/MediaFixtures.h"
#include "payload/ContainerReader.h"
#include "payload/PayloadLayout.h"
#include "raster/decoders/PictureWriters.h"
#include "slideshow/headless/HeadlessShow.h"
#include "formats/swf/SwfWriter.h"
#include "support/RandomPayload.h"
#include "support/TempDir.h"

#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace vorlandite;
using namespace std::chrono_literals;
namespace support = vorlandite::testing;
namespace media = vorlandite::audio::testing;
using Item = payload::DraftItem<payload::TKelImageInfo>;

constexpr int kScreenWidth = 320;
constexpr int kScreenHeight = 240;
constexpr int kItems = 50;

struct Memory {
    long rssKb = -1;
    long hwmKb = -1;
};

Memory ReadMemory() {
    Memory m;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            m.rssKb = std::atol(line.c_str() + 6);
        else if (line.rfind("VmHWM:", 0) == 0)
            m.hwmKb = std::atol(line.c_str() + 6);
    }
    return m;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

Item PictureItem(std::string ext, support::Bytes bytes, int stretch, bool compressed) {
    Item item;
    item.record.Ext = std::move(ext);
    item.record.Stretch = stretch;
    item.content = payload::Content::FromBytes(std::move(bytes));
    item.compressed = compressed;
    return item;
}

support::Bytes SolidBmp(int width, int height, int bitCount, uint32_t compression, uint32_t seed) {
    support::BmpRecipe r;
    r.width = width;
    r.height = height;
    r.bitCount = bitCount;
    r.compression = compression;
    if (bitCount <= 8) {
        for (int i = 0; i < (1 << bitCount); ++i)
            r.palette.push_back(0xFF000000u | (uint32_t(i) * 0x010203u * (seed + 1)));
    }
    if (compression == 1) {  // RLE8: runs of one index per row, then end of line; end of bitmap
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; x += 255) {
                r.pixelData.push_back(uint8_t(std::min(255, width - x)));
                r.pixelData.push_back(uint8_t((y + seed) & 0xFF));
            }
            r.pixelData.push_back(0);
            r.pixelData.push_back(0);
        }
        r.pixelData.push_back(0);
        r.pixelData.push_back(1);
        return support::WriteBmp(r);
    }
    std::vector<std::vector<uint32_t>> rows(height, std::vector<uint32_t>(width));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rows[y][x] = bitCount <= 8 ? uint32_t((x + y + seed) % (1u << bitCount))
                                       : uint32_t(x * 0x010000 + y * 0x000100 + seed) & 0xFFFFFFu;
    r.pixelData = support::PackRows(rows, bitCount);
    return support::WriteBmp(r);
}

support::Bytes AnimatedGif(int width, int height, int frames, int seed) {
    support::GifRecipe r;
    r.width = width;
    r.height = height;
    r.netscapeLoop = seed % 2 == 0;
    for (int i = 0; i < 16; ++i)
        r.globalPalette.push_back(0xFF000000u | uint32_t(i * 0x0F0F0F + seed * 0x102030));
    for (int f = 0; f < frames; ++f) {
        support::GifFrameRecipe frame;
        frame.left = (f * 7) % (width / 2);
        frame.top = (f * 5) % (height / 2);
        frame.width = width / 2;
        frame.height = height / 2;
        frame.indexes.assign(std::size_t(frame.width) * frame.height, uint8_t((f + seed) % 16));
        frame.disposal = f % 4;
        frame.delayCs = (f % 3) * 5;  // 0 (shown for 100 ms), 50 ms, 100 ms
        frame.transparentIndex = f % 2 ? 0 : -1;
        r.frames.push_back(std::move(frame));
    }
    return support::WriteGif(r);
}

// Still pictures of every format and several layouts, sizes around the screen's, each
// size-and-position mode in turn; GIFs that animate; one video, one Flash movie.
Result<payload::PayloadDraft> MakeDraft(const std::string& folder) {
    std::vector<Item> items;
    int n = 0;
    auto add = [&](std::string ext, support::Bytes bytes) {
        items.push_back(PictureItem(std::move(ext), std::move(bytes), n % 7 - 1, n % 3 == 0));
        ++n;
    };
    for (int i = 0; i < 6; ++i) {
        const int w = 160 + 97 * i, h = 120 + 61 * i;
        support::JpegOptions options;
        options.progressive = i % 2;
        options.colour = i == 4 ? support::JpegColour::Grey : i == 5 ? support::JpegColour::Cmyk : support::JpegColour::Rgb;
        add(".jpg", support::WriteJpeg(support::MakeGradient(w, h), options));
    }
    for (int i = 0; i < 6; ++i) {
        const int w = 100 + 83 * i, h = 80 + 57 * i;
        add(".png", i % 2 ? support::WritePngFromBitmap(support::MakeGradientWithAlpha(w, h), false, i == 3)
                          : support::WritePngFromBitmap(support::MakeGradient(w, h), true));
    }
    const support::TiffCompression tiffs[] = {support::TiffCompression::None, support::TiffCompression::Lzw,
                                              support::TiffCompression::PackBits, support::TiffCompression::Deflate};
    for (int i = 0; i < 6; ++i)
        add(i % 2 ? ".tif" : ".tiff", support::WriteTiff(support::MakeGradient(150 + 50 * i, 110 + 40 * i), tiffs[i % 4], i == 5));
    const std::pair<int, uint32_t> bmps[] = {{24, 0}, {32, 0}, {8, 0}, {8, 1}, {4, 0}, {1, 0}};
    for (int i = 0; i < 6; ++i)
        add(".bmp", SolidBmp(120 + 70 * i, 90 + 50 * i, bmps[i].first, bmps[i].second, uint32_t(i)));
    for (int i = 0; i < 4; ++i) {
        const int size = 16 << (i % 3);
        support::IconEntry entry{size, size, 32, support::WritePngFromBitmap(support::MakeGradientWithAlpha(size, size))};
        add(".ico", support::WriteIco({entry}));
    }
    // Whatever the sample set holds beyond these (every decoder's odd layouts), up to 38 stills.
    for (const auto& sample : support::MakeSamplePictures()) {
        if (n >= 38)
            break;
        add("." + sample.extension, sample.bytes);
    }
    for (int i = 0; n < kItems - 2; ++i)
        add(".gif", AnimatedGif(64 + 32 * (i % 4), 48 + 24 * (i % 3), 3 + i % 6, i));

    const std::string clip = folder + "/clip.avi";
    auto video = media::MakeAvi(clip, 96, 64, 2000ms);
    if (!video)
        return video.error();
    items.push_back(PictureItem(".avi", FileBytes(clip), 2, false));

    swf::SwfRecipe movie;
    movie.xmax = 200 * 20;
    movie.ymax = 150 * 20;
    movie.shapeWidth = 40;
    movie.shapeHeight = 30;
    movie.shapeStepX = 4;
    movie.frames.resize(30);
    movie.frames.back().stop = true;
    items.push_back(PictureItem(".swf", swf::WriteSwf(movie), 0, true));

    for (std::size_t i = 0; i < items.size(); i += 5) {  // some captions, drawn with fonts
        items[i].record.Text = "Item " + std::to_string(i);
        items[i].record.TextPosition = int(i / 5) % 9;
        items[i].record.TextSize = 12;
        items[i].record.TextColor = 0x00FFFFFF;
    }

    payload::PayloadDraft draft;
    draft.header.Seconds = 5;
    draft.header.EffectSpeed = 3;
    draft.header.GradientStyle = 2;
    draft.header.BackgroundColor = 0x00402010;
    draft.header.BackgroundColor2 = 0x00F0C080;
    draft.header.Loop = true;
    for (int effect = 1; effect <= 120; ++effect)
        draft.strings.EffectList.push_back(char(effect));
    draft.images = std::move(items);

    const std::string wav1 = folder + "/a.wav", wav2 = folder + "/b.wav";
    media::WriteWav(wav1, 7s);
    media::WriteWav(wav2, 11s);
    for (const std::string& wav : {wav1, wav2}) {
        payload::DraftItem<payload::TKelMelodyInfo> melody;
        melody.record.Ext = ".wav";
        melody.content = payload::Content::FromBytes(FileBytes(wav));
        melody.compressed = true;
        draft.melodies.push_back(std::move(melody));
    }
    return draft;
}

long Option(int argc, char** argv, std::string_view name, long fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i] == name)
            return std::atol(argv[i + 1]);
    return fallback;
}

}  // namespace

int main(int argc, char** argv) {
    const long hours = Option(argc, argv, "--hours", 24);
    const long limitKb = Option(argc, argv, "--limit-kb", 2048);
    if (hours < 1) {
        std::fprintf(stderr, "soak_bench: --hours must be 1 or more\n");
        return 2;
    }
    // Captions need fonts, and fonts a GUI application; offscreen needs no display. GStreamer
    // gets a registry of its own so a stale cache does not decide what probes.
    support::TempDir dir;
    ::setenv("GST_REGISTRY", dir.File("gst-registry.bin").c_str(), 1);
    static int qtArgc = 3;
    static char name[] = "soak_bench", platform[] = "-platform", offscreen[] = "offscreen";
    static char* qtArgv[] = {name, platform, offscreen, nullptr};
    QGuiApplication application(qtArgc, qtArgv);

    auto draft = MakeDraft(dir.Path().string());
    if (!draft) {
        std::fprintf(stderr, "soak_bench: %s\n", draft.message().c_str());
        return 2;
    }
    const std::string path = dir.File("soak.scr");
    {
        const auto bytes = support::BuildScreensaverBytes(*draft);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    auto source = payload::FileSource::Open(path);
    if (!source) {
        std::fprintf(stderr, "soak_bench: %s\n", source.message().c_str());
        return 2;
    }
    auto read = payload::ReadWholePayload(**source);
    if (!read) {
        std::fprintf(stderr, "soak_bench: %s\n", read.message().c_str());
        return 2;
    }
    const std::string temp = dir.Path().string() + "/items/";
    std::filesystem::create_directories(temp);

    std::map<payload::ItemKind, long> shown;
    long gifFrames = 0, melodies = 0;
    slideshow::HeadlessShowOptions options{kScreenWidth, kScreenHeight, 1, 1};
    // To tell where growth comes from: the show without melodies and videos, or without Flash.
    options.media = Option(argc, argv, "--media", 1) != 0;
    options.flash = Option(argc, argv, "--flash", 1) != 0;
    slideshow::HeadlessShow show(slideshow::ShowContent{*read, path, temp, {}}, options,
                                 [&](const slideshow::HeadlessEvent& e) {
                                      using T = slideshow::HeadlessEvent::Type;
                                      if (e.type == T::Item)
                                          ++shown[e.item.kind];
                                      else if (e.type == T::GifFrame)
                                          ++gifFrames;
                                      else if (e.type == T::Melody)
                                          ++melodies;
                                  });
    if (auto started = show.Start(); !started) {
        std::fprintf(stderr, "soak_bench: the show does not start: %s\n", started.message().c_str());
        return 2;
    }

    const auto wallStart = std::chrono::steady_clock::now();
    const Memory atStart = ReadMemory();
    std::printf("soak: %d items (%zu melodies) at %dx%d, %ld virtual hours\n", int(read->images.size()),
                read->melodies.size(), kScreenWidth, kScreenHeight, hours);
    std::printf("%5s %10s %10s %9s %8s %8s %8s %8s %10s\n", "hour", "VmRSS kB", "VmHWM kB", "wall s", "pictures", "gifs",
                "videos", "flash", "gif frames");
    std::printf("%5d %10ld %10ld %9.1f\n", 0, atStart.rssKb, atStart.hwmKb, 0.0);
    std::fflush(stdout);
    Memory firstHour, lastHour;
    long maxAfter = 0;
    for (long hour = 1; hour <= hours; ++hour) {
        // In steps of a minute, so Qt's posted events (deferred deletions) are delivered as the
        // engine's event loop would.
        for (int minute = 1; minute <= 60; ++minute) {
            show.RunUntil((hour - 1) * 3600000 + minute * 60000);
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        const Memory m = ReadMemory();
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        lastHour = m;
        if (hour == 1)
            firstHour = m;
        else
            maxAfter = std::max(maxAfter, m.rssKb);
        using K = payload::ItemKind;
        std::printf("%5ld %10ld %10ld %9.1f %8ld %8ld %8ld %8ld %10ld\n", hour, m.rssKb, m.hwmKb, wall, shown[K::Picture],
                    shown[K::Gif], shown[K::Video], shown[K::Flash], gifFrames);
        std::fflush(stdout);
    }
    show.Finish();
    const long growth = hours > 1 ? lastHour.rssKb - firstHour.rssKb : 0;
    const long peakGrowth = hours > 1 ? maxAfter - firstHour.rssKb : 0;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::printf("melodies started: %ld\n", melodies);
    std::printf("growth after hour 1: %ld kB at the end, %ld kB at most (limit %ld kB); wall time %.1f s\n", growth,
                peakGrowth, limitKb, wall);
    return peakGrowth > limitKb ? 1 : 0;
}

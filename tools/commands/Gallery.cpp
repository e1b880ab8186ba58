#include "commands/Gallery.h"

#include "CommandLine.h"
#include "EffectRunner.h"
#include "commands/GifWriter.h"
#include "raster/GradientFill.h"
#include "raster/ScanConvert.h"
#include "transitions/EffectCatalog.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <tuple>
#include <vector>

namespace vorlandite::tools {
namespace {

constexpr std::string_view kUsage =
    "usage: vorlandite gallery --out DIR [--size WxH] [--steps N]\n"
    "\n"
    "Runs every transition effect, 1 to 120, between two built-in sample pictures and writes\n"
    "each as a looping animated GIF DIR/effect-001.gif ... effect-120.gif, and DIR/index.html\n"
    "that shows them all with their numbers and names. Prints the index page's path.\n"
    "  --out DIR     the folder for the GIFs and the page, made when missing\n"
    "  --size WxH    the pictures' size, 1 to 2048 each way (default 320x240)\n"
    "  --steps N     the step count of every effect, 1 to 1024 (default 32, as the effect preview)\n"
    "Colours are reduced to a fixed 6x7x6 colour cube, dithered. Exit 1 when a file cannot be written.\n";

constexpr OptionRule kOptions[] = {{"--out", "", true}, {"--size", "", true}, {"--steps", "", true}};

constexpr int kMaxSide = 2048;
constexpr int kMaxSteps = 1024;
// The effect preview's pacing.
constexpr int kFramePeriodMs = 10;
// Browsers play a GIF delay of 0 or 1 hundredth as 10 hundredths, which would slow every effect
// tenfold; 2 is the shortest delay they honour.
constexpr int kShortestDelayCs = 2;
// The pictures stand still a while before and after the change, so each loop reads as one change.
constexpr int kHoldBeforeCs = 60;
constexpr int kHoldAfterCs = 120;
// Fixed, so the same command makes the same gallery.
constexpr uint32_t kSeed = 1;


int FrameDelayCs(int periodMs) { return std::max(kShortestDelayCs, (periodMs + 5) / 10); }

std::string EffectFileName(int effect) {
    char name[32];
    std::snprintf(name, sizeof name, "effect-%03d.gif", effect);
    return name;
}

std::string HtmlEscape(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&#39;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

// Shapes drawn straight into a surface, clipped to it.
template <class Shape>
void FillShape(raster::TBitmap32& canvas, const Shape& shape, raster::TColor32 colour) {
    const int top = std::max(0, shape.Top());
    const int bottom = std::min(canvas.Height(), shape.Bottom());
    for (int y = top; y < bottom; ++y) {
        const raster::Span span = shape.RowSpan(y);
        canvas.FillRect(raster::Rect{span.left, y, span.right, y + 1}, colour);
    }
}

// 5 x 7 block capitals, enough to label the two pictures.
struct Glyph {
    char letter;
    const char* Rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'N', {"#...#", "##..#", "#.#.#", "#.#.#", "#..##", "#...#", "#...#"}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
};

// The word centred on (centreX, centreY), each glyph cell `cell` pixels square, with a shadow.
void DrawWord(raster::TBitmap32& canvas, std::string_view word, int centreX, int centreY, int cell,
              raster::TColor32 colour) {
    const int width = (int(word.size()) * 6 - 1) * cell;
    const int left = centreX - width / 2;
    const int top = centreY - 7 * cell / 2;
    const int shadow = std::max(1, cell / 3);
    for (int pass = 0; pass < 2; ++pass) {
        const int offset = pass == 0 ? shadow : 0;
        const raster::TColor32 ink = pass == 0 ? 0xFF202020u : colour;
        for (std::size_t i = 0; i < word.size(); ++i) {
            const auto glyph = std::find_if(std::begin(kGlyphs), std::end(kGlyphs),
                                            [&](const Glyph& g) { return g.letter == word[i]; });
            if (glyph == std::end(kGlyphs))
                continue;
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (glyph->Rows[row][col] == '#') {
                        const int x = left + (int(i) * 6 + col) * cell + offset;
                        const int y = top + row * cell + offset;
                        canvas.FillRect(raster::Rect{x, y, x + cell, y + cell}, ink);
                    }
        }
    }
}

raster::TBitmap32 Blank(int width, int height) {
    raster::TBitmap32 picture = raster::TBitmap32::Create(width, height).value();
    return picture;
}

int LetterCell(int width, int height) { return std::max(1, std::min(width / 20, height / 28)); }

// Writes one effect's animation: the old picture held, every frame, the new picture held.
Status WriteEffectGif(const std::filesystem::path& path, int effect, const raster::TBitmap32& oldPicture,
                      const raster::TBitmap32& newPicture, int steps) {
    GifAnimationWriter gif;
    if (Status opened = gif.Open(path.string(), oldPicture.Width(), oldPicture.Height()); !opened.ok())
        return opened;
    if (Status first = gif.AddFrame(oldPicture, kHoldBeforeCs); !first.ok())
        return first;
    const int delay = FrameDelayCs(kFramePeriodMs);
    auto run = RunEffectRecorded(oldPicture, newPicture, effect, steps, kFramePeriodMs, kSeed,
                                 [&](int, const raster::TBitmap32& canvas) { return gif.AddFrame(canvas, delay); });
    if (!run)
        return MakeError(run.message());
    if (Status last = gif.AddFrame(run->final, kHoldAfterCs); !last.ok())
        return last;
    return gif.Close();
}

std::string IndexPage(int width, int height, int steps) {
    std::ostringstream page;
    page << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         << "<title>Vorlandite transition effects</title>\n<style>\n"
         << "body { font-family: sans-serif; background: #f4f4f4; margin: 1em; }\n"
         << ".effects { display: flex; flex-wrap: wrap; gap: 8px; }\n"
         << "figure { margin: 0; background: #fff; padding: 4px; border: 1px solid #ccc; }\n"
         << "figcaption { font-size: 13px; margin-top: 4px; max-width: " << width << "px; }\n"
         << ".number { font-weight: bold; margin-right: 0.4em; }\n"
         << "</style>\n</head>\n<body>\n<h1>Transition effects</h1>\n"
         << "<p>All " << transitions::kEffectCount << " effects, " << steps << " steps each, at " << width << "x"
         << height << ". The number is the one an effect list uses.</p>\n<div class=\"effects\">\n";
    for (int effect = 1; effect <= transitions::kEffectCount; ++effect) {
        const std::string name = HtmlEscape(transitions::EffectName(effect));
        page << "<figure id=\"effect-" << effect << "\"><img src=\"" << EffectFileName(effect) << "\" width=\""
             << width << "\" height=\"" << height << "\" alt=\"" << name << "\">"
             << "<figcaption><span class=\"number\">" << effect << "</span>" << name << "</figcaption></figure>\n";
    }
    page << "</div>\n</body>\n</html>\n";
    return page.str();
}

} // namespace

raster::TBitmap32 GalleryOldPicture(int width, int height) {
    raster::TBitmap32 picture = Blank(width, height);
    raster::GradientFill(picture, int(raster::GradientStyle::Vertical), 0x00602010, 0x00F0C080,
                         raster::Rect{0, 0, width, height});
    const int radius = std::max(1, std::min(width, height) / 4);
    const int cx = width / 4, cy = height / 3;
    FillShape(picture, raster::EllipseShape(raster::Rect{cx - radius, cy - radius, cx + radius, cy + radius}),
              0xFFFFD020u);
    DrawWord(picture, "OLD", width * 5 / 8, height * 2 / 3, LetterCell(width, height), 0xFFFFFFFFu);
    return picture;
}

raster::TBitmap32 GalleryNewPicture(int width, int height) {
    raster::TBitmap32 picture = Blank(width, height);
    raster::GradientFill(picture, int(raster::GradientStyle::Elliptic), 0x00100850, 0x0040A0FF,
                         raster::Rect{0, 0, width, height});
    const raster::Point triangle[] = {{width * 3 / 4, height / 10}, {width * 19 / 20, height / 2},
                                      {width * 11 / 20, height / 2}};
    FillShape(picture, raster::ConvexPolygon(triangle), 0xFF30C040u);
    picture.FillRect(raster::Rect{width / 10, height / 8, width / 10 + width / 6, height / 8 + height / 6},
                     0xFF2040E0u);
    DrawWord(picture, "NEW", width * 3 / 8, height * 2 / 3, LetterCell(width, height), 0xFFFFF0A0u);
    return picture;
}

int RunGallery(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    int exitCode = kExitOk;
    auto parsed = StartCommand(args, kOptions, kUsage, out, err, exitCode);
    if (!parsed)
        return exitCode;
    if (!parsed->positional.empty())
        return ReportUsage(err, "unexpected argument " + parsed->positional.front(), kUsage);
    if (!parsed->Has("--out"))
        return ReportUsage(err, "missing option --out", kUsage);
    const auto option = [&](std::string_view name) -> const std::string& { return parsed->options.find(name)->second; };

    int width = 320, height = 240, steps = 32;
    if (parsed->Has("--size")) {
        const auto size = ParseSize(option("--size"), 1, kMaxSide);
        if (!size)
            return ReportFailure(err, "--size must be WIDTHxHEIGHT with each from 1 to " + std::to_string(kMaxSide) +
                                          ", not \"" + option("--size") + "\"");
        std::tie(width, height) = *size;
    }
    if (parsed->Has("--steps")) {
        const auto value = ParseWhole<int>(option("--steps"));
        if (!value || *value < 1 || *value > kMaxSteps)
            return ReportFailure(err, "--steps must be a number from 1 to " + std::to_string(kMaxSteps) + ", not \"" +
                                          option("--steps") + "\"");
        steps = *value;
    }

    const std::filesystem::path folder = option("--out");
    std::error_code madeError;
    std::filesystem::create_directories(folder, madeError);
    if (madeError)
        return ReportFailure(err, "cannot make " + folder.string() + ": " + madeError.message());

    const raster::TBitmap32 oldPicture = GalleryOldPicture(width, height);
    const raster::TBitmap32 newPicture = GalleryNewPicture(width, height);
    for (int effect = 1; effect <= transitions::kEffectCount; ++effect) {
        if (Status written = WriteEffectGif(folder / EffectFileName(effect), effect, oldPicture, newPicture, steps);
            !written.ok())
            return ReportFailure(err, "effect " + std::to_string(effect) + ": " + written.message());
        if (effect % 10 == 0)
            err << "gallery: " << effect << " of " << transitions::kEffectCount << " effects written\n";
    }

    const std::filesystem::path index = folder / "index.html";
    std::ofstream page(index, std::ios::binary | std::ios::trunc);
    page << IndexPage(width, height, steps);
    page.close();
    if (!page)
        return ReportFailure(err, "cannot write " + index.string());
    out << index.string() << "\n";
    return kExitOk;
}

} // namespace vorlandite::tools

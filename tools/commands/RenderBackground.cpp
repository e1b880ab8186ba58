#include "commands/RenderBackground.h"

#include "CommandLine.h"
#include "commands/PngWriter.h"
#include "raster/GradientFill.h"
#include "raster/TBitmap32.h"

#include <charconv>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string_view>
#include <vector>

namespace vorlandite::tools {
namespace {

constexpr std::string_view kUsage =
    "usage: vorlandite render-background --style S --from C1 --to C2 --size WxH -o OUT.png\n"
    "\n"
    "Paints a two-colour gradient background as the show paints it and writes it as an RGB PNG.\n"
    "  --style S     1 vertical, 2 horizontal, 3 elliptic, 4 rectangular, 5 mirrored vertical,\n"
    "                6 mirrored horizontal, 7 pinwheel, 8 double diagonal\n"
    "  --from C1     start colour, 0x00BBGGRR (hex with 0x, or decimal); red is the low byte\n"
    "  --to C2       end colour, same form\n"
    "  --size WxH    picture size in pixels, for example 1920x1080\n"
    "  -o, --output  the PNG file to write\n"
    "Exit 1 when a value is out of range or the file cannot be written.\n";

constexpr OptionRule kOptions[] = {
    {"--style", "", true}, {"--from", "", true}, {"--to", "", true}, {"--size", "", true}, {"--output", "-o", true},
};

constexpr int kMaxSide = 32767;

std::optional<uint64_t> ParseUnsigned(std::string_view text, int base) {
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// "0x336699" or "3368601"; the whole 32 bits are accepted, the top byte is ignored later.
std::optional<uint32_t> ParseColour(std::string_view text) {
    std::optional<uint64_t> value;
    if (text.starts_with("0x") || text.starts_with("0X"))
        value = ParseUnsigned(text.substr(2), 16);
    else
        value = ParseUnsigned(text, 10);
    if (!value || *value > 0xFFFFFFFFu)
        return std::nullopt;
    return uint32_t(*value);
}

struct Size {
    int Width;
    int Height;
};

std::optional<Size> ParseSize(std::string_view text) {
    const auto x = text.find_first_of("xX");
    if (x == std::string_view::npos)
        return std::nullopt;
    const auto w = ParseUnsigned(text.substr(0, x), 10);
    const auto h = ParseUnsigned(text.substr(x + 1), 10);
    if (!w || !h || *w < 1 || *h < 1 || *w > kMaxSide || *h > kMaxSide)
        return std::nullopt;
    return Size{int(*w), int(*h)};
}

} // namespace

int RunRenderBackground(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    auto parsed = ParseArguments(args, kOptions);
    if (!parsed)
        return ReportUsage(err, parsed.message(), kUsage);
    if (parsed->help) {
        out << kUsage;
        return kExitOk;
    }
    if (!parsed->positional.empty())
        return ReportUsage(err, "unexpected argument " + parsed->positional.front(), kUsage);
    for (std::string_view required : {"--style", "--from", "--to", "--size", "--output"})
        if (!parsed->Has(required))
            return ReportUsage(err, "missing option " + std::string(required), kUsage);
    const auto value = [&](std::string_view name) -> const std::string& { return parsed->options.find(name)->second; };
    const auto invalid = [&](std::string_view name, std::string_view expected) {
        return ReportFailure(err,
                             std::string(name) + " must be " + std::string(expected) + ", not \"" + value(name) + "\"");
    };

    const auto style = ParseUnsigned(value("--style"), 10);
    if (!style || *style < 1 || *style > 8)
        return invalid("--style", "a number from 1 to 8");
    const auto from = ParseColour(value("--from"));
    if (!from)
        return invalid("--from", "a colour such as 0x00336699");
    const auto to = ParseColour(value("--to"));
    if (!to)
        return invalid("--to", "a colour such as 0x00336699");
    const auto size = ParseSize(value("--size"));
    if (!size)
        return invalid("--size", "WxH with sides from 1 to " + std::to_string(kMaxSide));
    const std::string& output = value("--output");
    if (output.empty())
        return ReportFailure(err, "--output needs a file name");

    auto bitmap = raster::TBitmap32::Create(size->Width, size->Height);
    if (!bitmap)
        return ReportFailure(err, bitmap.message());
    raster::GradientFill(*bitmap, int(*style), *from, *to, raster::TRect{0, 0, size->Width, size->Height});
    if (Status written = WritePng(*bitmap, output, PngChannels::Rgb); !written)
        return ReportFailure(err, written.message());
    return kExitOk;
}
} // namespace vorlandite::tools

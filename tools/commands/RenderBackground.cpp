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


// "0x336699" or "3368601"; the whole 32 bits are accepted, the top byte is ignored later.
std::optional<uint32_t> ParseColour(std::string_view text) {
    std::optional<uint64_t> value;
    if (text.starts_with("0x") || text.starts_with("0X"))
        value = ParseWhole<uint64_t>(text.substr(2), 16);
    else
        value = ParseWhole<uint64_t>(text, 10);
    if (!value || *value > 0xFFFFFFFFu)
        return std::nullopt;
    return uint32_t(*value);
}


} // namespace

int RunRenderBackground(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    int exitCode = kExitOk;
    auto parsed = StartCommand(args, kOptions, kUsage, out, err, exitCode);
    if (!parsed)
        return exitCode;
    if (!parsed->positional.empty())
        return ReportUsage(err, "unexpected argument " + parsed->positional.front(), kUsage);
    if (auto missing = MissingOption(*parsed, {"--style", "--from", "--to", "--size", "--output"}))
        return ReportUsage(err, "missing option " + std::string(*missing), kUsage);
    const auto value = [&](std::string_view name) -> const std::string& { return parsed->options.find(name)->second; };
    const auto invalid = [&](std::string_view name, std::string_view expected) {
        return ReportFailure(err,
                             std::string(name) + " must be " + std::string(expected) + ", not \"" + value(name) + "\"");
    };

    const auto style = ParseWhole<uint64_t>(value("--style"), 10);
    if (!style || *style < 1 || *style > 8)
        return invalid("--style", "a number from 1 to 8");
    const auto from = ParseColour(value("--from"));
    if (!from)
        return invalid("--from", "a colour such as 0x00336699");
    const auto to = ParseColour(value("--to"));
    if (!to)
        return invalid("--to", "a colour such as 0x00336699");
    const auto size = ParseSize(value("--size"), 1, kMaxSide);
    if (!size)
        return invalid("--size", "WxH with sides from 1 to " + std::to_string(kMaxSide));
    const std::string& output = value("--output");
    if (output.empty())
        return ReportFailure(err, "--output needs a file name");

    auto bitmap = raster::TBitmap32::Create(size->first, size->second);
    if (!bitmap)
        return ReportFailure(err, bitmap.message());
    raster::GradientFill(*bitmap, int(*style), *from, *to, raster::Rect{0, 0, size->first, size->second});
    if (Status written = WritePng(*bitmap, output, PngChannels::Rgb); !written)
        return ReportFailure(err, written.message());
    return kExitOk;
}
} // namespace vorlandite::tools

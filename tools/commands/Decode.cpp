#include "commands/Decode.h"

#include "CommandLine.h"
#include "commands/PngWriter.h"
#include "raster/decoders/PictureDecoding.h"

#include <bit>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <vector>


namespace vorlandite::tools {
namespace {

constexpr std::string_view kUsage =
    "usage: vorlandite decode IN -o OUT.png [--frame I]\n"
    "\n"
    "Decodes the picture IN by its extension, as the engine decodes items, masks, the logo and\n"
    "the background (bmp dib rle ico jpg jpeg jpe jfif tif tiff fax png gif), and writes it to\n"
    "OUT.png with its alpha channel.\n"
    "  -o, --output OUT.png  the PNG to write\n"
    "  --frame I             frame I of an animated GIF (from 0), composed over the frames\n"
    "                        before it as the animation shows it; default 0\n"
    "Exit status: 0 written, 1 the picture cannot be decoded or written, 2 bad usage.\n";

constexpr OptionRule kOptions[] = {
    {"--output", "-o", true},
    {"--frame", "", true},
};

Result<int> ParseFrameIndex(const std::string& text) {
    const auto value = ParseWhole<int>(text);
    if (!value || *value < 0)
        return MakeError("--frame needs a frame number from 0, not \"" + text + "\"");
    return *value;
}

} // namespace

int RunDecode(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    int exitCode = kExitOk;
    auto parsed = StartCommand(args, kOptions, kUsage, out, err, exitCode);
    if (!parsed)
        return exitCode;
    if (parsed->positional.size() != 1)
        return ReportUsage(err, "decode takes one picture file", kUsage);
    if (!parsed->Has("--output"))
        return ReportUsage(err, "decode needs -o OUT.png", kUsage);
    int frameIndex = 0;
    if (parsed->Has("--frame")) {
        Result<int> index = ParseFrameIndex(parsed->options.find("--frame")->second);
        if (!index)
            return ReportUsage(err, index.message(), kUsage);
        frameIndex = *index;
    }
    const std::filesystem::path input(parsed->positional[0]);
    const std::filesystem::path output(parsed->options.find("--output")->second);

    if (Status decodable = raster::CheckDecodableExtension(input.extension().string()); !decodable)
        return ReportFailure(err, input.string() + ": " + decodable.message());
    Result<std::vector<uint8_t>> bytes = raster::ReadPictureFile(input);
    if (!bytes)
        return ReportFailure(err, bytes.message());
    Result<raster::DecoderPtr> decoder = raster::CreateDecoder(*bytes, input.extension().string());
    if (!decoder)
        return ReportFailure(err, input.string() + ": " + decoder.message());
    const int frames = (*decoder)->FrameCount();
    if (frameIndex >= frames)
        return ReportFailure(err, input.string() + " has " + std::to_string(frames) +
                                      (frames == 1 ? " frame" : " frames") + "; there is no frame " +
                                      std::to_string(frameIndex));
    Result<raster::ImageFrame> frame = (*decoder)->Frame(frameIndex);
    if (!frame)
        return ReportFailure(err, input.string() + ": " + frame.message());
    if (Status written = WritePng(frame->bitmap, output.string(), PngChannels::Rgba); !written)
        return ReportFailure(err, written.message());
    return kExitOk;
}
} // namespace vorlandite::tools

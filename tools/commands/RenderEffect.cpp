#include "commands/RenderEffect.h"

#include "CommandLine.h"
#include "EffectRunner.h"
#include "commands/PngWriter.h"
#include "raster/decoders/PictureDecoding.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <limits>
#include <optional>
#include <random>
#include <string_view>
#include <vector>

namespace vorlandite::tools {
namespace {

constexpr std::string_view kUsage =
    "usage: vorlandite render-effect --effect E --steps N --from OLD.png --to NEW.png --out DIR [--seed S]\n"
    "\n"
    "Runs one transition effect from the picture OLD to the picture NEW (same size) through the\n"
    "engine, without waiting between frames, and writes the display after each frame as\n"
    "DIR/frame-0000.png, frame-0001.png, ... and after the closing copy as DIR/final.png.\n"
    "Prints {\"effect\": E, \"frames\": COUNT} with the effect that ran.\n"
    "  --effect E   0 (no effect) to 120; any other number picks a random effect\n"
    "  --steps N    the step count, 0 to 1000000 (the speed setting gives 4 to 1024)\n"
    "  --from OLD   the picture on the display before the change (any picture format)\n"
    "  --to NEW     the picture after the change\n"
    "  --out DIR    the folder for the frames, made when missing\n"
    "  --seed S     seed of the random choices (0 to 4294967295); random when left out\n"
    "Exit 1 when a picture cannot be read, the sizes differ or a file cannot be written.\n";

constexpr OptionRule kOptions[] = {
    {"--effect", "", true}, {"--steps", "", true}, {"--from", "", true},
    {"--to", "", true},     {"--out", "", true},   {"--seed", "", true},
};

constexpr int64_t kMaxSteps = 1000000;
// Frames run on a virtual clock, so the show's period costs nothing and keeps its pacing steps.
constexpr int kFramePeriodMs = 9;


std::string FramePath(const std::filesystem::path& folder, int index) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%04d.png", index);
    return (folder / name).string();
}

Result<raster::TBitmap32> ReadPicture(const std::string& path) {
    auto picture = raster::DecodePictureFile(path);
    if (!picture)
        return MakeError("cannot read " + path + ": " + picture.message());
    return picture;
}

} // namespace

int RunRenderEffect(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    int exitCode = kExitOk;
    auto parsed = StartCommand(args, kOptions, kUsage, out, err, exitCode);
    if (!parsed)
        return exitCode;
    if (!parsed->positional.empty())
        return ReportUsage(err, "unexpected argument " + parsed->positional.front(), kUsage);
    if (auto missing = MissingOption(*parsed, {"--effect", "--steps", "--from", "--to", "--out"}))
        return ReportUsage(err, "missing option " + std::string(*missing), kUsage);
    const auto option = [&](std::string_view name) -> const std::string& { return parsed->options.find(name)->second; };

    const auto effectValue = ParseWhole<int64_t>(option("--effect"));
    if (!effectValue)
        return ReportFailure(err, "--effect must be a whole number, not \"" + option("--effect") + "\"");
    // Numbers beyond an int are as much out of range as 121: the engine picks a random effect.
    const int effect = *effectValue < 0 || *effectValue > 1000 ? -1 : int(*effectValue);
    const auto steps = ParseWhole<int64_t>(option("--steps"));
    if (!steps || *steps < 0 || *steps > kMaxSteps)
        return ReportFailure(err, "--steps must be a number from 0 to " + std::to_string(kMaxSteps) + ", not \"" +
                                      option("--steps") + "\"");
    uint32_t seed = std::random_device{}();
    if (parsed->Has("--seed")) {
        const auto value = ParseWhole<int64_t>(option("--seed"));
        if (!value || *value < 0 || *value > int64_t(std::numeric_limits<uint32_t>::max()))
            return ReportFailure(err, "--seed must be a number from 0 to 4294967295, not \"" + option("--seed") + "\"");
        seed = uint32_t(*value);
    }

    auto oldPicture = ReadPicture(option("--from"));
    if (!oldPicture)
        return ReportFailure(err, oldPicture.message());
    auto newPicture = ReadPicture(option("--to"));
    if (!newPicture)
        return ReportFailure(err, newPicture.message());
    if (oldPicture->Width() != newPicture->Width() || oldPicture->Height() != newPicture->Height())
        return ReportFailure(err, "the pictures differ in size: " + std::to_string(oldPicture->Width()) + "x" +
                                      std::to_string(oldPicture->Height()) + " and " +
                                      std::to_string(newPicture->Width()) + "x" +
                                      std::to_string(newPicture->Height()));

    const std::filesystem::path folder = option("--out");
    std::error_code madeError;
    std::filesystem::create_directories(folder, madeError);
    if (madeError)
        return ReportFailure(err, "cannot make " + folder.string() + ": " + madeError.message());

    auto run = RunEffectRecorded(std::move(*oldPicture), *newPicture, effect, int(*steps), kFramePeriodMs, seed,
                                 [&folder](int index, const raster::TBitmap32& canvas) {
                                     return WritePng(canvas, FramePath(folder, index), PngChannels::Rgb);
                                 });
    if (!run)
        return ReportFailure(err, run.message());
    if (Status final = WritePng(run->final, (folder / "final.png").string(), PngChannels::Rgb); !final.ok())
        return ReportFailure(err, final.message());

    out << "{\"effect\": " << run->effect << ", \"frames\": " << run->frames << "}\n";
    return kExitOk;
}

} // namespace vorlandite::tools

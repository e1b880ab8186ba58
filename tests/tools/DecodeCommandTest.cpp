// `vorlandite decode`: exit codes, messages, and that the PNG it writes holds the decoded frame.

#include "CommandLine.h"
#include "commands/Decode.h"
#include "raster/decoders/BitmapMatchers.h"
#include "raster/decoders/PictureDecoding.h"
#include "raster/decoders/PictureWriters.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vorlandite::tools {
namespace {

struct Outcome {
    int status;
    std::string out, err;
};

Outcome Decode(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = RunDecode(args, out, err);
    return {status, out.str(), err.str()};
}

class DecodeCommand : public ::testing::Test {
protected:
    testing::TempDir dir;
};

TEST_F(DecodeCommand, WritesTheGifFrameAskedForAsPngWithAlpha) {
    testing::GifRecipe recipe{3, 1, {0xFFFF0000, 0xFF00FF00}};
    testing::GifFrameRecipe first{0, 0, 2, 1, {0, 0}};
    testing::GifFrameRecipe second{1, 0, 2, 1, {1, 1}};
    recipe.frames = {first, second};
    const std::string gif = dir.File("anim.GIF"), png = dir.File("out.png");
    testing::WriteFileBytes(gif, testing::WriteGif(recipe));

    const Outcome run = Decode({gif, "-o", png, "--frame", "1"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    Result<raster::TBitmap32> written = raster::DecodePictureFile(png);
    ASSERT_TRUE(written.ok()) << written.message();
    EXPECT_EQ(written->Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(written->Pixel(1, 0), 0xFF00FF00u);
    EXPECT_EQ(written->Pixel(2, 0), 0xFF00FF00u);

    const Outcome beyond = Decode({gif, "-o", png, "--frame", "2"});
    EXPECT_EQ(beyond.status, kExitBadInput);
    EXPECT_EQ(beyond.err, "vorlandite: " + gif + " has 2 frames; there is no frame 2\n");
}

TEST_F(DecodeCommand, UndecodableInputIsOneLineAndStatusOne) {
    const std::string bad = dir.File("broken.png");
    testing::WriteFileBytes(bad, {0x89, 'P', 'N', 'G'});
    const Outcome broken = Decode({bad, "-o", dir.File("x.png")});
    EXPECT_EQ(broken.status, kExitBadInput);
    EXPECT_EQ(std::count(broken.err.begin(), broken.err.end(), '\n'), 1) << broken.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.png")));

    const Outcome metafile = Decode({dir.File("drawing.wmf"), "-o", dir.File("x.png")});
    EXPECT_EQ(metafile.status, kExitBadInput);
    EXPECT_NE(metafile.err.find("metafiles"), std::string::npos) << metafile.err;
}

TEST_F(DecodeCommand, BadUsageIsStatusTwo) {
    EXPECT_EQ(Decode({}).status, kExitUsage);
    EXPECT_EQ(Decode({"a.png"}).status, kExitUsage);
    EXPECT_EQ(Decode({"a.png", "-o", "b.png", "--frame", "-1"}).status, kExitUsage);
    EXPECT_EQ(Decode({"a.png", "-o", "b.png", "--frame", "x"}).status, kExitUsage);
    const Outcome help = Decode({"--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_EQ(help.out.rfind("usage: vorlandite decode", 0), 0u);
}

} // namespace
} // namespace vorlandite::tools

// `vorlandite render-effect`, in-process: frames on disk, the closing picture, the JSON line,
// reproducible random choices and refused inputs.

#include "TransitionRig.h"

#include "CommandLine.h"
#include "commands/PngWriter.h"
#include "commands/RenderEffect.h"
#include "raster/decoders/PictureDecoding.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vorlandite::tools {
namespace {

using transitions::testing::NewPicture;
using transitions::testing::OldPicture;
using transitions::testing::SamePixels;

class RenderEffectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WritePng(OldPicture(60, 40), dir.File("old.png"), PngChannels::Rgb).ok());
        ASSERT_TRUE(WritePng(NewPicture(60, 40), dir.File("new.png"), PngChannels::Rgb).ok());
        ASSERT_TRUE(WritePng(NewPicture(61, 40), dir.File("wide.png"), PngChannels::Rgb).ok());
    }

    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return RunRenderEffect(args, out, err);
    }

    std::vector<std::string> Args(const std::string& effect, const std::string& steps,
                                  const std::string& to = "new.png") {
        return {"--effect", effect, "--steps", steps, "--from", dir.File("old.png"), "--to", dir.File(to),
                "--out", dir.File("frames")};
    }

    vorlandite::testing::TempDir dir;
    std::ostringstream out, err;
};

TEST_F(RenderEffectTest, WritesOneFilePerFrameAndTheFinalPicture) {
    ASSERT_EQ(Run(Args("5", "8")), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "{\"effect\": 5, \"frames\": 8}\n");
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(std::filesystem::exists(dir.File("frames/frame-000" + std::to_string(i) + ".png"))) << i;
    EXPECT_FALSE(std::filesystem::exists(dir.File("frames/frame-0008.png")));
    auto last = raster::DecodePictureFile(dir.File("frames/frame-0007.png"));
    auto final = raster::DecodePictureFile(dir.File("frames/final.png"));
    ASSERT_TRUE(last.ok() && final.ok());
    EXPECT_TRUE(SamePixels(*final, NewPicture(60, 40)));
    EXPECT_TRUE(SamePixels(*last, NewPicture(60, 40)));  // the whole picture has slid in
}

TEST_F(RenderEffectTest, EffectZeroWritesOnlyTheFinalPicture) {
    ASSERT_EQ(Run(Args("0", "8")), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "{\"effect\": 0, \"frames\": 0}\n");
    EXPECT_TRUE(std::filesystem::exists(dir.File("frames/final.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("frames/frame-0000.png")));
}

TEST_F(RenderEffectTest, RandomChoicesFollowTheSeed) {
    auto args = Args("300", "4");
    args.insert(args.end(), {"--seed", "12345"});
    ASSERT_EQ(Run(args), kExitOk) << err.str();
    const std::string first = out.str();
    ASSERT_EQ(Run(args), kExitOk);
    EXPECT_EQ(out.str(), first);
    EXPECT_EQ(first.find("\"effect\": 300"), std::string::npos);
}

TEST_F(RenderEffectTest, RefusesPicturesOfDifferentSizes) {
    EXPECT_EQ(Run(Args("5", "8", "wide.png")), kExitBadInput);
    EXPECT_NE(err.str().find("differ in size"), std::string::npos);
    EXPECT_EQ(out.str(), "");
}

TEST_F(RenderEffectTest, RefusesBadValues) {
    EXPECT_EQ(Run(Args("5", "-1")), kExitBadInput);
    EXPECT_EQ(Run(Args("five", "8")), kExitBadInput);
    EXPECT_EQ(Run(Args("5", "8", "missing.png")), kExitBadInput);
    EXPECT_EQ(Run({"--effect", "5"}), kExitUsage);
}

} // namespace
} // namespace vorlandite::tools

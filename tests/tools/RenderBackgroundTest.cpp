// The render-background command: exit codes, messages and the PNG it writes.

#include "commands/RenderBackground.h"

#include <png.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <vector>

namespace vorlandite::tools {
namespace {

struct CommandRun {
    int code;
    std::string out;
    std::string err;
};

CommandRun RunWith(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int code = RunRenderBackground(args, out, err);
    return {code, out.str(), err.str()};
}

std::string TempPng(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::string("raster_rb_") + name + ".png")).string();
}

TEST(RenderBackgroundTest, WritesAnRgbPngOfTheGradient) {
    const std::string path = TempPng("ok");
    const CommandRun run =
        RunWith({"--style", "2", "--from", "0x000000FF", "--to", "16711680", "--size", "256x8", "-o", path});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(run.err.empty());
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    EXPECT_EQ(image.width, 256u);
    EXPECT_EQ(image.height, 8u);
    EXPECT_EQ(image.format & PNG_FORMAT_FLAG_ALPHA, 0u);
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    // 256 columns: one per band, start red at the left, end blue at the right.
    EXPECT_EQ(pixels[0], 255);
    EXPECT_EQ(pixels[2], 0);
    EXPECT_EQ(pixels[3 * 255 + 0], 0);
    EXPECT_EQ(pixels[3 * 255 + 2], 255);
    std::filesystem::remove(path);
}

struct BadCase {
    const char* name;
    std::vector<std::string> args;
    int code;
};

class RenderBackgroundErrorTest : public testing::TestWithParam<BadCase> {};

TEST_P(RenderBackgroundErrorTest, FailsWithTheRightCodeAndOneMessage) {
    std::vector<std::string> args = GetParam().args;
    for (std::string& a : args)
        if (a == "OUT")
            a = TempPng(GetParam().name);
    const CommandRun run = RunWith(args);
    EXPECT_EQ(run.code, GetParam().code);
    EXPECT_TRUE(run.out.empty());
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.rfind("vorlandite: ", 0), 0u) << run.err;
    if (GetParam().code == 1) {
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(TempPng(GetParam().name)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenderBackgroundErrorTest,
    testing::Values(
        BadCase{"StyleNine", {"--style", "9", "--from", "0", "--to", "0", "--size", "4x4", "-o", "OUT"}, 1},
        BadCase{"BadColour", {"--style", "1", "--from", "0xGG", "--to", "0", "--size", "4x4", "-o", "OUT"}, 1},
        BadCase{"BadSize", {"--style", "1", "--from", "0", "--to", "0", "--size", "4by4", "-o", "OUT"}, 1},
        BadCase{"UnwritablePath",
                {"--style", "1", "--from", "0", "--to", "0", "--size", "4x4", "-o", "/nonexistent/dir/x.png"},
                1},
        BadCase{"MissingOption", {"--style", "1", "--from", "0", "--to", "0", "-o", "OUT"}, 2},
        BadCase{"UnknownOption", {"--colour", "1"}, 2},
        BadCase{
            "StrayArgument", {"--style", "1", "--from", "0", "--to", "0", "--size", "4x4", "-o", "OUT", "extra"}, 2}),
    [](const testing::TestParamInfo<BadCase>& row) { return std::string(row.param.name); });

TEST(RenderBackgroundTest, HelpGoesToStdout) {
    const CommandRun run = RunWith({"--help"});
    EXPECT_EQ(run.code, 0);
    EXPECT_NE(run.out.find("--style"), std::string::npos);
    EXPECT_TRUE(run.err.empty());
}

} // namespace
} // namespace vorlandite::tools

// `vorlandite gallery`, in-process: one small gallery whose every GIF is decoded and checked
// against the sample pictures, the index page, the GIF writer's frame merging, refused arguments.

#include "CommandLine.h"
#include "commands/Gallery.h"
#include "commands/GifWriter.h"
#include "raster/decoders/PictureDecoding.h"
#include "support/TempDir.h"
#include "transitions/EffectCatalog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

namespace vorlandite::tools {
namespace {

constexpr int kWidth = 40;
constexpr int kHeight = 30;

std::string GifName(int effect) {
    char name[32];
    std::snprintf(name, sizeof name, "effect-%03d.gif", effect);
    return name;
}

// Differences against the picture as the dithered colour cube renders it; the first few are described.
int CountDifferences(const raster::TBitmap32& frame, const raster::TBitmap32& picture, std::string& where) {
    int count = 0;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            if (frame.Pixel(x, y) != QuantizeToCube(picture.Pixel(x, y), x, y) && ++count <= 3)
                where += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
    return count;
}

int CountOccurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

class GalleryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = std::make_unique<vorlandite::testing::TempDir>();
        const std::vector<std::string> args{"--out", dir->File("gallery"), "--size", "40x30", "--steps", "4"};
        std::ostringstream out, err;
        status = RunGallery(args, out, err);
        stdoutText = out.str();
        stderrText = err.str();
    }
    static void TearDownTestSuite() { dir.reset(); }

    static inline std::unique_ptr<vorlandite::testing::TempDir> dir;
    static inline int status = -1;
    static inline std::string stdoutText, stderrText;
};

TEST_F(GalleryTest, EveryEffectPlaysFromTheOldPictureToTheNewOne) {
    ASSERT_EQ(status, kExitOk) << stderrText;
    const raster::TBitmap32 oldPicture = GalleryOldPicture(kWidth, kHeight);
    const raster::TBitmap32 newPicture = GalleryNewPicture(kWidth, kHeight);
    for (int effect = 1; effect <= transitions::kEffectCount; ++effect) {
        SCOPED_TRACE("effect " + std::to_string(effect));
        auto image = raster::DecodeGifFile(dir->File("gallery/" + GifName(effect)));
        ASSERT_TRUE(image.ok()) << image.message();
        EXPECT_EQ(image->width, kWidth);
        EXPECT_EQ(image->height, kHeight);
        EXPECT_TRUE(image->loops);
        ASSERT_GT(image->frames.size(), 1u);
        raster::GifAnimator animator(std::make_shared<const raster::GifImage>(std::move(*image)));
        std::string where;
        ASSERT_TRUE(animator.ComposeFrame(0).ok());
        EXPECT_EQ(CountDifferences(animator.Canvas(), oldPicture, where), 0) << "first frame at" << where;
        ASSERT_TRUE(animator.ComposeFrame(animator.FrameCount() - 1).ok());
        where.clear();
        EXPECT_EQ(CountDifferences(animator.Canvas(), newPicture, where), 0) << "last frame at" << where;
        // Held pictures at both ends (longer where a step changes nothing at this size), the
        // change in between at the shortest delay browsers honour.
        EXPECT_GE(animator.Image().frames.front().delayMs, 600);
        EXPECT_EQ(animator.Image().frames.front().delayMs % 20, 0);
        EXPECT_GE(animator.Image().frames.back().delayMs, 1200);
        if (animator.FrameCount() > 2) {
            EXPECT_EQ(animator.Image().frames[1].delayMs % 20, 0);
        }
    }
}

TEST_F(GalleryTest, IndexListsEveryEffectByNumberAndName) {
    ASSERT_EQ(status, kExitOk) << stderrText;
    std::ifstream in(dir->File("gallery/index.html"));
    const std::string page((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(CountOccurrences(page, "<figure"), transitions::kEffectCount);
    // Effects 89 and 90 share their name.
    EXPECT_EQ(CountOccurrences(page, "Quarter Clock To Up Left</figcaption>"), 2);
    EXPECT_NE(page.find("src=\"effect-001.gif\""), std::string::npos);
    EXPECT_NE(page.find("<span class=\"number\">120</span>"), std::string::npos);
    EXPECT_EQ(stdoutText, dir->File("gallery/index.html") + "\n");
    EXPECT_EQ(CountOccurrences(stderrText, "\n"), 12);
}

struct RefusedCase {
    const char* name;
    std::vector<std::string> args;  // "OUT" stands for the output folder
    int status;
};

class GalleryRefusalTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(GalleryRefusalTest, RefusesWithOneLineOrUsage) {
    vorlandite::testing::TempDir dir;
    std::vector<std::string> args = GetParam().args;
    for (std::string& arg : args)
        if (arg == "OUT")
            arg = dir.File("gallery");
    std::ostringstream out, err;
    EXPECT_EQ(RunGallery(args, out, err), GetParam().status);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str().rfind("vorlandite: ", 0), 0u) << err.str();
    if (GetParam().status == kExitBadInput) {
        EXPECT_EQ(CountOccurrences(err.str(), "\n"), 1) << err.str();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("gallery/effect-001.gif")));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, GalleryRefusalTest,
    ::testing::Values(RefusedCase{"NoOut", {"--size", "40x30"}, kExitUsage},
                      RefusedCase{"UnknownOption", {"--out", "OUT", "--colour", "red"}, kExitUsage},
                      RefusedCase{"StrayArgument", {"--out", "OUT", "extra"}, kExitUsage},
                      RefusedCase{"ZeroWidth", {"--out", "OUT", "--size", "0x30"}, kExitBadInput},
                      RefusedCase{"NoHeight", {"--out", "OUT", "--size", "40x"}, kExitBadInput},
                      RefusedCase{"OneNumber", {"--out", "OUT", "--size", "40"}, kExitBadInput},
                      RefusedCase{"NegativeHeight", {"--out", "OUT", "--size", "40x-3"}, kExitBadInput},
                      RefusedCase{"TooWide", {"--out", "OUT", "--size", "5000x30"}, kExitBadInput},
                      RefusedCase{"ZeroSteps", {"--out", "OUT", "--steps", "0"}, kExitBadInput},
                      RefusedCase{"TooManySteps", {"--out", "OUT", "--steps", "1025"}, kExitBadInput},
                      RefusedCase{"StepsNotANumber", {"--out", "OUT", "--steps", "4s"}, kExitBadInput}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(GalleryOutputTest, AFileInPlaceOfTheFolderFails) {
    vorlandite::testing::TempDir dir;
    vorlandite::testing::WriteFileBytes(dir.File("taken"), {1, 2, 3});
    const std::vector<std::string> args{"--out", dir.File("taken"), "--size", "8x8", "--steps", "1"};
    std::ostringstream out, err;
    EXPECT_EQ(RunGallery(args, out, err), kExitBadInput);
    EXPECT_EQ(out.str(), "");
}

TEST(GifAnimationWriterTest, StoresOnlyChangesAndMergesStillFrames) {
    vorlandite::testing::TempDir dir;
    raster::TBitmap32 first = raster::TBitmap32::Create(6, 5).value();
    first.Clear(0xFF0000FFu);
    raster::TBitmap32 second = first;
    second.FillRect(raster::Rect{2, 1, 4, 3}, 0xFFFF0000u);
    GifAnimationWriter gif;
    ASSERT_TRUE(gif.Open(dir.File("a.gif"), 6, 5).ok());
    ASSERT_TRUE(gif.AddFrame(first, 10).ok());
    ASSERT_TRUE(gif.AddFrame(first, 7).ok());  // nothing changes: the first frame lasts longer
    ASSERT_TRUE(gif.AddFrame(second, 3).ok());
    EXPECT_FALSE(gif.AddFrame(raster::TBitmap32::Create(5, 5).value(), 3).ok());
    ASSERT_TRUE(gif.Close().ok());

    auto image = raster::DecodeGifFile(dir.File("a.gif"));
    ASSERT_TRUE(image.ok()) << image.message();
    ASSERT_EQ(image->frames.size(), 2u);
    EXPECT_EQ(image->frames[0].delayMs, 170);
    const raster::GifFrame& change = image->frames[1];
    EXPECT_EQ(change.left, 2);
    EXPECT_EQ(change.top, 1);
    EXPECT_EQ(change.width, 2);
    EXPECT_EQ(change.height, 2);
    EXPECT_EQ(change.delayMs, 30);
    raster::GifAnimator animator(std::make_shared<const raster::GifImage>(std::move(*image)));
    ASSERT_TRUE(animator.ComposeFrame(1).ok());
    EXPECT_EQ(animator.Canvas().Pixel(3, 2), 0xFFFF0000u);  // pure colours are cube corners
    EXPECT_EQ(animator.Canvas().Pixel(0, 0), 0xFF0000FFu);
}

TEST(GifAnimationWriterTest, AnUnclosedFileIsRemoved) {
    vorlandite::testing::TempDir dir;
    {
        GifAnimationWriter gif;
        ASSERT_TRUE(gif.Open(dir.File("b.gif"), 2, 2).ok());
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("b.gif")));
}

} // namespace
} // namespace vorlandite::tools

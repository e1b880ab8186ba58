// Decoding by extension, and the promise every decoder makes about bad input: damaged,
// truncated or hostile bytes give an error with a message, never a crash, a hang or a read
// outside the buffer (the sanitizer build checks the last part).

#include "raster/decoders/BitmapMatchers.h"
#include "raster/decoders/PictureDecoding.h"
#include "raster/decoders/PictureWriters.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <random>

namespace vorlandite::raster {
namespace {

using testing::Bytes;
using testing::SamplePicture;

const std::vector<SamplePicture>& Samples() {
    static const std::vector<SamplePicture> samples = testing::MakeSamplePictures();
    return samples;
}

struct ExtensionCase {
    std::string extension;
    PictureFormat format;
};

class ExtensionMapping : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(ExtensionMapping, IgnoresLetterCaseAndTheDot) {
    EXPECT_EQ(FormatForExtension(GetParam().extension), GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(
    Extensions, ExtensionMapping,
    ::testing::Values(ExtensionCase{"bmp", PictureFormat::Bmp}, ExtensionCase{".DIB", PictureFormat::Bmp},
                      ExtensionCase{"Rle", PictureFormat::Bmp}, ExtensionCase{"ico", PictureFormat::Ico},
                      ExtensionCase{"WMF", PictureFormat::Metafile}, ExtensionCase{"emf", PictureFormat::Metafile},
                      ExtensionCase{"JPG", PictureFormat::Jpeg}, ExtensionCase{".jpeg", PictureFormat::Jpeg},
                      ExtensionCase{"jpe", PictureFormat::Jpeg}, ExtensionCase{"JFIF", PictureFormat::Jpeg},
                      ExtensionCase{"tif", PictureFormat::Tiff}, ExtensionCase{"TIFF", PictureFormat::Tiff},
                      ExtensionCase{"fax", PictureFormat::Tiff}, ExtensionCase{"Png", PictureFormat::Png},
                      ExtensionCase{".GIF", PictureFormat::Gif}, ExtensionCase{"pcx", PictureFormat::Unknown},
                      ExtensionCase{"", PictureFormat::Unknown}, ExtensionCase{"jpgx", PictureFormat::Unknown}),
    [](const auto& row) {
        std::string name = "Ext_";
        for (char c : row.param.extension)
            if (c != '.')
                name += c;
        return name;
    });

TEST(PictureDecoding, EverySampleDecodesByItsExtensionAndIsSniffedAsItsFormat) {
    for (const SamplePicture& sample : Samples()) {
        Result<TBitmap32> picture = DecodePicture(sample.bytes, sample.extension);
        ASSERT_TRUE(picture.ok()) << sample.name << ": " << picture.message();
        EXPECT_FALSE(picture->Empty()) << sample.name;
        EXPECT_EQ(SniffFormat(sample.bytes), FormatForExtension(sample.extension)) << sample.name;
    }
}

TEST(PictureDecoding, MetafilesAndUnknownTypesFailWithAClearMessage) {
    const Bytes bytes = {1, 2, 3, 4};
    Result<TBitmap32> metafile = DecodePicture(bytes, "WMF");
    ASSERT_FALSE(metafile.ok());
    EXPECT_EQ(metafile.message(), "Windows metafiles (wmf, emf) cannot be decoded on this platform");
    Result<TBitmap32> pcx = DecodePicture(bytes, ".PCX");
    ASSERT_FALSE(pcx.ok());
    EXPECT_EQ(pcx.message(), "no decoder for pictures of type \"pcx\"");
}

TEST(PictureDecoding, TheExtensionChoosesTheDecoderNotTheContent) {
    const Bytes png = testing::WritePngFromBitmap(testing::MakeGradient(4, 4));
    Result<TBitmap32> asJpeg = DecodePicture(png, "jpg");
    ASSERT_FALSE(asJpeg.ok());
    EXPECT_EQ(asJpeg.message().rfind("JPEG: ", 0), 0u) << asJpeg.message();
}

TEST(PictureDecoding, GifAsStillPictureIsItsFirstFrameWithTransparency) {
    testing::GifRecipe recipe{3, 1, {0xFFFF0000, 0xFF00FF00}};
    testing::GifFrameRecipe first{0, 0, 2, 1, {0, 1}};
    first.transparentIndex = 1;
    testing::GifFrameRecipe second{0, 0, 3, 1, {0, 0, 0}};
    recipe.frames = {first, second};
    Result<TBitmap32> picture = DecodePicture(testing::WriteGif(recipe), "gif");
    ASSERT_TRUE(picture.ok()) << picture.message();
    EXPECT_EQ(picture->Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(picture->Pixel(1, 0), 0u);
    EXPECT_EQ(picture->Pixel(2, 0), 0u);
}

TEST(PictureDecoding, ReadsFilesByTheirExtensionWithAHint) {
    testing::TempDir dir;
    const std::string path = dir.File("Photo.JPG");
    testing::WriteFileBytes(path, testing::WriteJpeg(testing::MakeGradient(400, 200)));
    Result<TBitmap32> full = DecodePictureFile(path);
    ASSERT_TRUE(full.ok()) << full.message();
    EXPECT_EQ(full->Width(), 400);
    Result<TBitmap32> reduced = DecodePictureFile(path, {100, 50});
    ASSERT_TRUE(reduced.ok()) << reduced.message();
    EXPECT_EQ(reduced->Width(), 100);
    EXPECT_EQ(reduced->Height(), 50);

    const std::string gif = dir.File("anim.gif");
    testing::WriteFileBytes(gif, Samples().front().bytes);  // not a GIF
    EXPECT_FALSE(DecodeGifFile(gif).ok());
    Result<TBitmap32> missing = DecodePictureFile(dir.File("absent.png"));
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.message().find("absent.png"), std::string::npos) << missing.message();
}

// --- damaged input ---------------------------------------------------------------------------

// Decodes every frame; an error must carry a message, a success a picture within the budget.
::testing::AssertionResult DecodesOrFailsCleanly(const Bytes& bytes, const std::string& extension) {
    Result<DecoderPtr> decoder = CreateDecoder(bytes, extension);
    if (!decoder.ok())
        return decoder.message().empty() ? ::testing::AssertionFailure() << "error without a message"
                                         : ::testing::AssertionSuccess();
    const int frames = (*decoder)->FrameCount();
    if (frames < 1)
        return ::testing::AssertionFailure() << "decoder with no frames";
    for (int i = 0; i < frames; ++i) {
        Result<ImageFrame> frame = (*decoder)->Frame(i, i == 0 ? SizeHint{} : SizeHint{4, 4});
        if (!frame.ok()) {
            if (frame.message().empty())
                return ::testing::AssertionFailure() << "frame " << i << ": error without a message";
            continue;
        }
        const TBitmap32& b = frame->bitmap;
        if (b.Empty() || int64_t(b.Width()) * b.Height() > kMaxPixels)
            return ::testing::AssertionFailure() << "frame " << i << " has size " << b.Width() << "x" << b.Height();
    }
    return ::testing::AssertionSuccess();
}

class DamagedSample : public ::testing::TestWithParam<SamplePicture> {};

TEST_P(DamagedSample, TruncatedAnywhereFailsCleanly) {
    const SamplePicture& sample = GetParam();
    // Every cut point in small files; in larger ones the header region and an even spread.
    const std::size_t step = sample.bytes.size() <= 2048 ? 1 : sample.bytes.size() / 1024;
    for (std::size_t length = 0; length < sample.bytes.size(); length += (length < 128 ? 1 : step)) {
        const Bytes cut(sample.bytes.begin(), sample.bytes.begin() + std::ptrdiff_t(length));
        ASSERT_TRUE(DecodesOrFailsCleanly(cut, sample.extension)) << "cut at " << length;
        if (length < 6) {
            ASSERT_FALSE(DecodePicture(cut, sample.extension).ok()) << "cut at " << length;
        }
    }
}

TEST_P(DamagedSample, FlippedBytesFailCleanly) {
    const SamplePicture& sample = GetParam();
    std::mt19937 random(std::hash<std::string>{}(sample.name) & 0xFFFFFFFF);
    for (int round = 0; round < 300; ++round) {
        Bytes damaged = sample.bytes;
        const int flips = 1 + round % 4;
        for (int i = 0; i < flips; ++i) {
            // Headers decide the most; aim half of the flips at the first 64 bytes.
            const std::size_t limit = round % 2 == 0 ? std::min<std::size_t>(64, damaged.size()) : damaged.size();
            damaged[random() % limit] ^= uint8_t(1 + random() % 255);
        }
        ASSERT_TRUE(DecodesOrFailsCleanly(damaged, sample.extension)) << "round " << round;
    }
}

TEST_P(DamagedSample, HeaderFieldsSetToExtremesFailCleanly) {
    const SamplePicture& sample = GetParam();
    for (std::size_t at = 0; at + 4 <= std::min<std::size_t>(sample.bytes.size(), 96); ++at)
        for (uint32_t value : {0x00000000u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0x0000FFFFu}) {
            Bytes damaged = sample.bytes;
            for (int k = 0; k < 4; ++k)
                damaged[at + std::size_t(k)] = uint8_t(value >> (8 * k));
            ASSERT_TRUE(DecodesOrFailsCleanly(damaged, sample.extension)) << "offset " << at;
        }
}

INSTANTIATE_TEST_SUITE_P(Samples, DamagedSample, ::testing::ValuesIn(testing::MakeSamplePictures()),
                         [](const auto& row) {
                             std::string name;
                             for (char c : row.param.name)
                                 name += c == '-' ? '_' : c;
                             return name;
                         });

TEST(PictureDecoding, EmptyInputFailsForEveryFormat) {
    for (const char* extension : {"bmp", "ico", "jpg", "png", "tif", "gif"}) {
        Result<TBitmap32> picture = DecodePicture({}, extension);
        ASSERT_FALSE(picture.ok()) << extension;
        EXPECT_FALSE(picture.message().empty()) << extension;
    }
}

} // namespace
} // namespace vorlandite::raster

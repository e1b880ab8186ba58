// The show's pixel budget: pictures declaring far more pixels than the screen can use are
// refused before their pixels are allocated (a 64-byte RLE8 bitmap declaring 8192 x 8192, a
// PNG or TIFF whose header declares 10000 x 10000), JPEGs are decoded at the largest DCT scale
// within it, and pictures inside it decode exactly as without it.

#include "raster/decoders/BitmapMatchers.h"
#include "raster/decoders/JpegDecoder.h"
#include "raster/decoders/PictureDecoding.h"
#include "raster/decoders/PictureWriters.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace vorlandite::raster {
namespace {

using testing::Bytes;

SizeHint Budget(int64_t pixels) { return SizeHint{0, 0, pixels}; }
SizeHint ScreenBudget(int width, int height) { return Budget(ScreenPictureBudget(width, height)); }

void PutBigEndian32(Bytes& bytes, std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + std::size_t(i)] = uint8_t(value >> (24 - 8 * i));
}

TEST(ScreenPictureBudget, FourScreensBetweenTheFloorAndTheCeiling) {
    struct Row {
        int width, height;
        int64_t budget;
    } rows[] = {
        {640, 480, 4 * 640 * 480},
        {1920, 1080, 4 * 1920 * 1080},
        {3840, 2160, int64_t(4) * 3840 * 2160},  // 33 M, under the ceiling
        {4096, 4097, kMaxScreenPicturePixels},
        {8192, 8192, kMaxScreenPicturePixels},
        {152, 112, kMinScreenPicturePixels},    // a preview window
        {0, 0, kMinScreenPicturePixels},
        {-640, 480, kMinScreenPicturePixels},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ScreenPictureBudget(row.width, row.height), row.budget) << row.width << " x " << row.height;
    EXPECT_EQ(kMaxScreenPicturePixels, int64_t(1) << 26);
}

// 14 + 40 bytes of headers, one palette entry, and an RLE8 stream that is only "end of bitmap".
Bytes Rle8Bomb(int width, int height) {
    testing::BmpRecipe recipe;
    recipe.width = width;
    recipe.height = height;
    recipe.bitCount = 8;
    recipe.compression = 1;
    recipe.colorsUsed = 1;
    recipe.palette = {0xFF102030u};
    recipe.pixelData = {0, 1, 0, 0, 0, 0};
    return testing::WriteBmp(recipe);
}

// A valid small PNG whose IHDR then declares width x height, with the CRC made right again so
// that only the size can refuse it.
Bytes PngDeclaring(int width, int height) {
    Bytes bytes = testing::WritePngFromBitmap(testing::MakeGradient(4, 4));
    PutBigEndian32(bytes, 16, uint32_t(width));
    PutBigEndian32(bytes, 20, uint32_t(height));
    PutBigEndian32(bytes, 29, uint32_t(crc32(0, bytes.data() + 12, 17)));
    return bytes;
}

// A small TIFF whose ImageWidth and ImageLength entries then declare width x height.
Bytes TiffDeclaring(int width, int height) {
    Bytes bytes = testing::WriteTiff(testing::MakeGradient(4, 4), testing::TiffCompression::None);
    const bool little = bytes[0] == 'I';
    auto read16 = [&](std::size_t at) {
        return little ? uint32_t(bytes[at] | bytes[at + 1] << 8) : uint32_t(bytes[at] << 8 | bytes[at + 1]);
    };
    auto read32 = [&](std::size_t at) {
        return little ? read16(at) | read16(at + 2) << 16 : read16(at) << 16 | read16(at + 2);
    };
    auto write = [&](std::size_t at, uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes[at + std::size_t(i)] = uint8_t(value >> (8 * (little ? i : size - 1 - i)));
    };
    const std::size_t ifd = read32(4);
    const uint32_t entries = read16(ifd);
    for (uint32_t i = 0; i < entries; ++i) {
        const std::size_t entry = ifd + 2 + 12 * i;
        const uint32_t tag = read16(entry);
        if (tag != 256 && tag != 257)
            continue;
        const uint32_t value = uint32_t(tag == 256 ? width : height);
        if (read16(entry + 2) == 3)
            write(entry + 8, value, 2);
        else
            write(entry + 8, value, 4);
    }
    return bytes;
}

struct BombRow {
    const char* name;
    Bytes (*make)(int, int);
    const char* extension;
    int width, height;
};

class DeclaredSizeBomb : public ::testing::TestWithParam<BombRow> {};

// The decoder reads the header (the size is under kMaxPixels), but the frame is refused for a
// 640 x 480 screen before anything of the picture's size is allocated.
TEST_P(DeclaredSizeBomb, IsRefusedForTheScreenBeforeDecoding) {
    const BombRow& row = GetParam();
    const Bytes bytes = row.make(row.width, row.height);
    Result<DecoderPtr> decoder = CreateDecoder(bytes, row.extension);
    ASSERT_TRUE(decoder.ok()) << decoder.message();
    EXPECT_EQ((*decoder)->Width(), row.width);
    EXPECT_EQ((*decoder)->Height(), row.height);
    Result<ImageFrame> frame = (*decoder)->Frame(0, ScreenBudget(640, 480));
    ASSERT_FALSE(frame.ok());
    EXPECT_NE(frame.message().find("too large to show (" + std::to_string(row.width) + " x " +
                                   std::to_string(row.height)),
              std::string::npos)
        << frame.message();
    // The same through the show's entry point, with a size as well.
    Result<TBitmap32> picture = DecodePicture(bytes, row.extension, SizeHint{640, 480, ScreenPictureBudget(640, 480)});
    EXPECT_FALSE(picture.ok());
}

INSTANTIATE_TEST_SUITE_P(Formats, DeclaredSizeBomb,
                         ::testing::Values(BombRow{"Rle8Bmp", Rle8Bomb, "bmp", 8192, 8192},
                                           BombRow{"Png", PngDeclaring, "png", 10000, 10000},
                                           BombRow{"Tiff", TiffDeclaring, "tif", 10000, 10000}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(DeclaredSizeBomb, TheBitmapIsSixtyFourBytes) {
    EXPECT_EQ(Rle8Bomb(8192, 8192).size(), 64u);
}

struct JpegBudgetRow {
    const char* name;
    int width, height;
    SizeHint hint;
    int denominator;
};

class JpegBudget : public ::testing::TestWithParam<JpegBudgetRow> {};

TEST_P(JpegBudget, ChoosesTheLargestScaleWithinTheBudget) {
    const JpegBudgetRow& row = GetParam();
    EXPECT_EQ(JpegScaleDenominator(row.width, row.height, row.hint), row.denominator);
}

INSTANTIATE_TEST_SUITE_P(
    Budgets, JpegBudget,
    ::testing::Values(
        JpegBudgetRow{"InsideTheBudget", 1280, 960, Budget(1280 * 960), 1},
        JpegBudgetRow{"OnePixelOver", 1280, 961, Budget(1280 * 960), 2},
        JpegBudgetRow{"Half", 2600, 2000, ScreenBudget(800, 600), 2},            // 1.3 M of 1.92 M
        JpegBudgetRow{"Quarter", 2600, 2000, ScreenBudget(640, 480), 4},         // 1.3 M over 1.23 M
        JpegBudgetRow{"Eighth", 16000, 12000, ScreenBudget(640, 480), 8},
        JpegBudgetRow{"EighthStillOver", 65000, 4000, ScreenBudget(640, 480), 8},  // refused later
        JpegBudgetRow{"SizeAskedForLess", 6000, 4000, SizeHint{320, 200, ScreenBudget(4000, 4000).maxPixels}, 8},
        JpegBudgetRow{"BudgetAsksForLessThanTheSize", 6000, 4000, SizeHint{1920, 1080, 4 * 640 * 480}, 8},
        JpegBudgetRow{"RoundedUp", 2047, 1025, Budget(1024 * 513), 2},
        JpegBudgetRow{"RoundedUpOver", 2047, 1025, Budget(1024 * 513 - 1), 4}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(JpegBudget, BigPictureDecodesReducedToFit) {
    const TBitmap32 picture = testing::MakeGradient(2600, 2000);
    const Bytes bytes = testing::WriteJpeg(picture, {90});
    struct Row {
        int screenWidth, screenHeight, width, height;
    } rows[] = {{800, 600, 1300, 1000}, {640, 480, 650, 500}};
    for (const Row& row : rows) {
        Result<TBitmap32> decoded = DecodePicture(bytes, "jpg", ScreenBudget(row.screenWidth, row.screenHeight));
        ASSERT_TRUE(decoded.ok()) << decoded.message();
        EXPECT_EQ(decoded->Width(), row.width);
        EXPECT_EQ(decoded->Height(), row.height);
        // The corners keep their colours: the whole picture, not a part of it.
        EXPECT_LT(decoded->Pixel(0, 0) & 0xFFFFFF, 0x101010u);
        EXPECT_GT((decoded->Pixel(row.width - 1, row.height - 1) >> 16) & 0xFF, 0xF0u);
    }
}

TEST(JpegBudget, OverTheBudgetEvenAtAnEighthIsRefused) {
    // 65000 x 4000 is 260 M pixels, under kMaxPixels; an eighth (8125 x 500) is still over the
    // budget of a 640 x 480 screen.
    Bytes bytes = testing::WriteJpeg(testing::MakeGradient(16, 16));
    for (std::size_t i = 0; i + 8 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 5] = 0x0F, bytes[i + 6] = 0xA0;  // height 4000
            bytes[i + 7] = 0xFD, bytes[i + 8] = 0xE8;  // width 65000
            break;
        }
    Result<TBitmap32> decoded = DecodePicture(bytes, "jpg", ScreenBudget(640, 480));
    ASSERT_FALSE(decoded.ok());
    EXPECT_EQ(decoded.message(), "JPEG: picture is too large to show (65000 x 4000, more than 1228800 pixels for "
                                 "this screen)");
}

// Within the budget nothing changes: the same pixels with and without it, for every format,
// including a picture holding exactly the budget.
TEST(PictureBudget, InsideTheBudgetDecodesExactlyAsWithout) {
    const TBitmap32 picture = testing::MakeGradientWithAlpha(64, 48);
    struct Row {
        const char* extension;
        Bytes bytes;
    } rows[] = {
        {"png", testing::WritePngFromBitmap(picture)},
        {"tif", testing::WriteTiff(picture, testing::TiffCompression::Lzw, true)},
        {"jpg", testing::WriteJpeg(picture)},
        {"bmp", Rle8Bomb(64, 48)},
    };
    for (const Row& row : rows) {
        Result<TBitmap32> plain = DecodePicture(row.bytes, row.extension);
        ASSERT_TRUE(plain.ok()) << row.extension << ": " << plain.message();
        for (SizeHint hint : {Budget(64 * 48), ScreenBudget(640, 480), SizeHint{64, 48, 64 * 48}}) {
            Result<TBitmap32> bounded = DecodePicture(row.bytes, row.extension, hint);
            ASSERT_TRUE(bounded.ok()) << row.extension << ": " << bounded.message();
            EXPECT_TRUE(testing::SamePixels(*bounded, *plain)) << row.extension;
        }
        // One pixel less: a JPEG comes at half its size, the others not at all.
        Result<TBitmap32> tight = DecodePicture(row.bytes, row.extension, Budget(64 * 48 - 1));
        if (std::string(row.extension) == "jpg") {
            ASSERT_TRUE(tight.ok()) << tight.message();
            EXPECT_EQ(tight->Width(), 32);
        } else {
            EXPECT_FALSE(tight.ok()) << row.extension;
        }
    }
}

} // namespace
} // namespace vorlandite::raster

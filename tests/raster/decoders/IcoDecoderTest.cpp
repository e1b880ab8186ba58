// Icons: which picture of the file is chosen, and how its transparency is read.

#include "raster/decoders/BitmapMatchers.h"
#include "raster/decoders/IcoDecoder.h"
#include "raster/decoders/PictureWriters.h"

#include <gtest/gtest.h>

namespace vorlandite::raster {
namespace {

using testing::Bytes;
using testing::IconEntry;

std::vector<std::vector<bool>> Checkerboard(int size) {
    std::vector<std::vector<bool>> mask(static_cast<std::size_t>(size), std::vector<bool>(static_cast<std::size_t>(size)));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            mask[std::size_t(y)][std::size_t(x)] = (x + y) % 2 == 1;
    return mask;
}

IconEntry PalettedEntry(int size, const std::vector<std::vector<bool>>& mask) {
    std::vector<std::vector<uint8_t>> indexes(static_cast<std::size_t>(size), std::vector<uint8_t>(static_cast<std::size_t>(size)));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            indexes[std::size_t(y)][std::size_t(x)] = uint8_t((x / 2 + y) % 3);
    const std::vector<TColor32> palette = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    TBitmap32 unused = TBitmap32::Create(size, size).value();
    return {size, size, 8, testing::MakeDibIcon(unused, 8, mask, palette, indexes)};
}

Result<ImageFrame> DecodeIcon(const Bytes& file) {
    Result<DecoderPtr> decoder = CreateIcoDecoder(file);
    if (!decoder.ok())
        return decoder.error();
    return (*decoder)->Frame(0);
}

TEST(IcoDecoder, ChoosesTheLargestPictureAndReadsEmbeddedPng) {
    const TBitmap32 large = testing::MakeGradientWithAlpha(48, 48);
    const Bytes file = testing::WriteIco({PalettedEntry(16, {}),
                                          {48, 48, 32, testing::WritePngFromBitmap(large)},
                                          {32, 32, 32, testing::MakeDibIcon(testing::MakeGradient(32, 32), 32, {})}});
    Result<ImageFrame> frame = DecodeIcon(file);
    ASSERT_TRUE(frame.ok()) << frame.message();
    EXPECT_TRUE(testing::SamePixels(frame->bitmap, large));
}

TEST(IcoDecoder, PrefersTheDeeperOfTwoPicturesOfOneSize) {
    const TBitmap32 deep = testing::MakeGradientWithAlpha(16, 16);
    const Bytes file = testing::WriteIco({PalettedEntry(16, {}), {16, 16, 32, testing::MakeDibIcon(deep, 32, {})}});
    Result<ImageFrame> frame = DecodeIcon(file);
    ASSERT_TRUE(frame.ok()) << frame.message();
    EXPECT_TRUE(testing::SamePixels(frame->bitmap, deep));
}

TEST(IcoDecoder, TrustsThePictureHeaderOverTheDirectorySize) {
    // The directory claims 64 x 64 for the small picture; its own header says 16 x 16.
    IconEntry small = PalettedEntry(16, {});
    small.width = small.height = 64;
    const TBitmap32 medium = testing::MakeGradient(24, 24);
    const Bytes file = testing::WriteIco({small, {24, 24, 32, testing::MakeDibIcon(medium, 32, {})}});
    Result<ImageFrame> frame = DecodeIcon(file);
    ASSERT_TRUE(frame.ok()) << frame.message();
    EXPECT_EQ(frame->bitmap.Width(), 24);
}

TEST(IcoDecoder, AndMaskMakesPalettedPixelsTransparent) {
    const auto mask = Checkerboard(16);
    Result<ImageFrame> frame = DecodeIcon(testing::WriteIco({PalettedEntry(16, mask)}));
    ASSERT_TRUE(frame.ok()) << frame.message();
    const std::vector<TColor32> palette = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const TColor32 expected = mask[std::size_t(y)][std::size_t(x)] ? 0u : palette[std::size_t((x / 2 + y) % 3)];
            ASSERT_EQ(frame->bitmap.Pixel(x, y), expected) << x << "," << y;
        }
}

TEST(IcoDecoder, ThirtyTwoBitIconWithoutAlphaFallsBackToTheMask) {
    TBitmap32 colour = testing::MakeGradient(8, 8);
    for (TColor32& p : colour.Pixels())
        p &= 0x00FFFFFF;  // written by a tool that knew nothing of alpha
    const auto mask = Checkerboard(8);
    Result<ImageFrame> frame = DecodeIcon(testing::WriteIco({{8, 8, 32, testing::MakeDibIcon(colour, 32, mask)}}));
    ASSERT_TRUE(frame.ok()) << frame.message();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const TColor32 expected = mask[std::size_t(y)][std::size_t(x)] ? 0u : colour.Pixel(x, y) | 0xFF000000u;
            ASSERT_EQ(frame->bitmap.Pixel(x, y), expected) << x << "," << y;
        }
}

TEST(IcoDecoder, ThirtyTwoBitAlphaWinsOverTheMask) {
    const TBitmap32 colour = testing::MakeGradientWithAlpha(8, 8);
    Result<ImageFrame> frame =
        DecodeIcon(testing::WriteIco({{8, 8, 32, testing::MakeDibIcon(colour, 32, Checkerboard(8))}}));
    ASSERT_TRUE(frame.ok()) << frame.message();
    EXPECT_TRUE(testing::SamePixels(frame->bitmap, colour));
}

TEST(IcoDecoder, SkipsEntriesOutsideTheFileAndFailsWhenNoneIsLeft) {
    Bytes file = testing::WriteIco({PalettedEntry(16, {})});
    file[18] = 0xFF;  // the entry's offset now points far beyond the file
    file[19] = 0xFF;
    Result<DecoderPtr> decoder = CreateIcoDecoder(file);
    ASSERT_FALSE(decoder.ok());
    EXPECT_EQ(decoder.message(), "ICO: no readable picture in the icon");
}

TEST(IcoDecoder, ReportsAMissingAndMaskOfAPalettedIcon) {
    Bytes file = testing::WriteIco({PalettedEntry(16, {})});
    file.resize(file.size() - 16 * 4);  // the whole mask (16 rows of 4 bytes)
    Result<ImageFrame> frame = DecodeIcon(file);
    ASSERT_FALSE(frame.ok());
    EXPECT_EQ(frame.message(), "ICO: AND mask is truncated");
}

} // namespace
} // namespace vorlandite::raster

// Windows bitmaps of every layout the decoder accepts, built byte by byte, against the picture
// each one was built from.

#include "raster/decoders/BitmapMatchers.h"
#include "raster/decoders/PictureWriters.h"
#include "raster/decoders/BmpDecoder.h"

#include <gtest/gtest.h>

#include <functional>

namespace vorlandite::raster {
namespace {

using testing::BmpRecipe;
using testing::Bytes;
using testing::PackRows;

constexpr int kW = 5;  // odd, so that every depth needs row padding
constexpr int kH = 3;

TColor32 PaletteEntry(int i) {
    return 0xFF000000u | uint32_t(i * 16) << 16 | uint32_t(255 - i * 16) << 8 | uint32_t(i * 37 & 0xFF);
}

std::vector<TColor32> Palette(int count) {
    std::vector<TColor32> p;
    for (int i = 0; i < count; ++i)
        p.push_back(PaletteEntry(i));
    return p;
}

int IndexAt(int x, int y, int modulo) { return (x + 2 * y) % modulo; }

TColor32 ColourAt(int x, int y) {
    return 0xFF000000u | uint32_t(40 * x + 10) << 16 | uint32_t(60 * y + 20) << 8 | uint32_t(7 * (x + y) + 100);
}

// Rows in stored order: the bottom row first unless top-down.
std::vector<std::vector<uint32_t>> StoredRows(bool topDown, const std::function<uint32_t(int, int)>& value) {
    std::vector<std::vector<uint32_t>> rows;
    for (int r = 0; r < kH; ++r) {
        const int y = topDown ? r : kH - 1 - r;
        std::vector<uint32_t> row;
        for (int x = 0; x < kW; ++x)
            row.push_back(value(x, y));
        rows.push_back(row);
    }
    return rows;
}

TBitmap32 Expected(const std::function<TColor32(int, int)>& colour, int width = kW, int height = kH) {
    TBitmap32 b = TBitmap32::Create(width, height).value();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.SetPixel(x, y, colour(x, y));
    return b;
}

struct BmpCase {
    std::string name;
    Bytes file;
    TBitmap32 expected;
};

BmpCase PaletteCase(std::string name, int bitCount, int paletteSize, uint32_t headerSize = 40, bool topDown = false,
                    bool fileHeader = true) {
    BmpRecipe s;
    s.headerSize = headerSize;
    s.width = kW;
    s.height = kH;
    s.topDown = topDown;
    s.bitCount = bitCount;
    s.palette = Palette(paletteSize);
    s.fileHeader = fileHeader;
    if (!fileHeader && headerSize != 12)
        s.colorsUsed = uint32_t(paletteSize);  // without a file header only this bounds the table
    s.pixelData = PackRows(StoredRows(topDown, [&](int x, int y) { return uint32_t(IndexAt(x, y, paletteSize)); }),
                           bitCount);
    return {std::move(name), testing::WriteBmp(s),
            Expected([&](int x, int y) { return PaletteEntry(IndexAt(x, y, paletteSize)); })};
}

BmpCase ShortTableCase() {
    BmpRecipe s;
    s.width = kW;
    s.height = kH;
    s.bitCount = 8;
    s.colorsUsed = 6;
    s.palette = Palette(6);
    s.pixelData = PackRows(StoredRows(false, [](int x, int y) { return uint32_t(IndexAt(x, y, 6)); }), 8);
    return {"Palette8BitShortTable", testing::WriteBmp(s),
            Expected([](int x, int y) { return PaletteEntry(IndexAt(x, y, 6)); })};
}

BmpCase IndexBeyondTableCase() {
    BmpRecipe s;
    s.width = kW;
    s.height = kH;
    s.bitCount = 8;
    s.colorsUsed = 2;
    s.palette = Palette(2);
    s.pixelData = PackRows(StoredRows(false, [](int x, int y) { return uint32_t(IndexAt(x, y, 4)); }), 8);
    return {"Palette8BitIndexBeyondTable", testing::WriteBmp(s), Expected([](int x, int y) {
                const int i = IndexAt(x, y, 4);
                return i < 2 ? PaletteEntry(i) : 0xFF000000u;
            })};
}

uint32_t Five(int v) { return uint32_t(v & 31); }
uint32_t Scale5(uint32_t v) { return (v * 255 + 15) / 31; }
uint32_t Scale6(uint32_t v) { return (v * 255 + 31) / 63; }

BmpCase Rgb16Case(bool bitfields565) {
    BmpRecipe s;
    s.width = kW;
    s.height = kH;
    s.bitCount = 16;
    if (bitfields565) {
        s.compression = 3;
        s.writeMasks = true;
        s.masks = {0xF800, 0x07E0, 0x001F, 0};
    }
    auto r = [](int x, int y) { return Five(x * 7 + y); };
    auto g = [bitfields565](int x, int y) { return uint32_t((x * 3 + y * 11) & (bitfields565 ? 63 : 31)); };
    auto b = [](int x, int y) { return Five(31 - x - y); };
    s.pixelData = PackRows(StoredRows(false,
                                      [&](int x, int y) {
                                          return bitfields565 ? r(x, y) << 11 | g(x, y) << 5 | b(x, y)
                                                              : r(x, y) << 10 | g(x, y) << 5 | b(x, y);
                                      }),
                           16);
    return {bitfields565 ? "Rgb16Bitfields565" : "Rgb16Default555", testing::WriteBmp(s),
            Expected([&](int x, int y) {
                return 0xFF000000u | Scale5(r(x, y)) << 16 | (bitfields565 ? Scale6(g(x, y)) : Scale5(g(x, y))) << 8 |
                       Scale5(b(x, y));
            })};
}

BmpCase Rgb24Case(std::string name, uint32_t headerSize, bool topDown = false) {
    BmpRecipe s;
    s.headerSize = headerSize;
    s.width = kW;
    s.height = kH;
    s.topDown = topDown;
    s.bitCount = 24;
    s.pixelData = PackRows(StoredRows(topDown, [](int x, int y) { return ColourAt(x, y) & 0xFFFFFF; }), 24);
    return {std::move(name), testing::WriteBmp(s), Expected(ColourAt)};
}

TColor32 AlphaAt(int x, int y) { return uint32_t(x * 50 + y) << 24; }

BmpCase Rgb32Case(std::string name, uint32_t headerSize, uint32_t compression) {
    BmpRecipe s;
    s.headerSize = headerSize;
    s.width = kW;
    s.height = kH;
    s.bitCount = 32;
    s.compression = compression;
    const bool alpha = compression != 0;
    if (alpha) {
        s.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
        s.writeMasks = true;
    }
    // With plain RGB the fourth byte is padding, here deliberately not zero.
    s.pixelData = PackRows(StoredRows(false, [](int x, int y) { return (ColourAt(x, y) & 0xFFFFFF) | AlphaAt(x, y); }), 32);
    return {std::move(name), testing::WriteBmp(s), Expected([alpha](int x, int y) {
                return alpha ? (ColourAt(x, y) & 0xFFFFFF) | AlphaAt(x, y) : ColourAt(x, y);
            })};
}

// Runs, a literal, a move and end-of-line codes; the run in the last row is longer than the row.
BmpCase Rle8Case() {
    BmpRecipe s;
    s.width = kW;
    s.height = kH;
    s.bitCount = 8;
    s.compression = 1;
    s.palette = Palette(16);
    s.pixelData = {2, 1, 0, 3, 2, 3, 4, 0, 0, 0,  // stored row 0: 1 1 | 2 3 4 (padded) | end of line
                   0, 2, 2, 0, 3, 5, 0, 0,        // stored row 1: move right 2 | 5 5 5 | end of line
                   7, 7, 0, 1};                   // stored row 2: seven 7s, clipped to 5 | end of bitmap
    const int rows[kH][kW] = {{7, 7, 7, 7, 7}, {0, 0, 5, 5, 5}, {1, 1, 2, 3, 4}};
    return {"Rle8", testing::WriteBmp(s), Expected([&](int x, int y) { return PaletteEntry(rows[y][x]); })};
}

BmpCase Rle4Case() {
    BmpRecipe s;
    s.width = kW;
    s.height = kH;
    s.bitCount = 4;
    s.compression = 2;
    s.palette = Palette(16);
    s.pixelData = {5, 0x12, 0, 0,               // stored row 0: 1 2 1 2 1 | end of line
                   0, 5, 0x34, 0x56, 0x70, 0,   // stored row 1: literal 3 4 5 6 7 (padded)
                   0, 0,                        // end of line
                   2, 0x99, 0, 1};              // stored row 2: 9 9, the rest left at colour 0 | end
    const int rows[kH][kW] = {{9, 9, 0, 0, 0}, {3, 4, 5, 6, 7}, {1, 2, 1, 2, 1}};
    return {"Rle4", testing::WriteBmp(s), Expected([&](int x, int y) { return PaletteEntry(rows[y][x]); })};
}

std::vector<BmpCase> AllCases() {
    return {
        PaletteCase("Palette1Bit", 1, 2),
        PaletteCase("Palette2Bit", 2, 4),
        PaletteCase("Palette4Bit", 4, 16),
        PaletteCase("Palette8Bit", 8, 16),
        PaletteCase("Palette8BitTopDown", 8, 16, 40, true),
        PaletteCase("PackedDib8Bit", 8, 16, 40, false, false),
        PaletteCase("Os2Core1Bit", 1, 2, 12),
        PaletteCase("Os2Core8Bit", 8, 256, 12),
        PaletteCase("Os2V2Header4Bit", 4, 16, 64),
        ShortTableCase(),
        IndexBeyondTableCase(),
        Rgb16Case(false),
        Rgb16Case(true),
        Rgb24Case("Rgb24", 40),
        Rgb24Case("Rgb24TopDown", 40, true),
        Rgb24Case("Rgb24V4Header", 108),
        Rgb24Case("Os2Core24Bit", 12),
        Rgb32Case("Rgb32PaddingByteIgnored", 40, 0),
        Rgb32Case("Argb32V5Bitfields", 124, 3),
        Rgb32Case("Argb32V3Bitfields", 56, 3),
        Rgb32Case("Argb32AlphaBitfields", 40, 6),
        Rle8Case(),
        Rle4Case(),
    };
}

class BmpVariant : public ::testing::TestWithParam<BmpCase> {};

TEST_P(BmpVariant, DecodesToThePictureItWasBuiltFrom) {
    const BmpCase& c = GetParam();
    Result<DecoderPtr> decoder = CreateBmpDecoder(c.file);
    ASSERT_TRUE(decoder.ok()) << decoder.message();
    EXPECT_EQ((*decoder)->Width(), kW);
    EXPECT_EQ((*decoder)->Height(), kH);
    Result<ImageFrame> frame = (*decoder)->Frame(0);
    ASSERT_TRUE(frame.ok()) << frame.message();
    EXPECT_TRUE(testing::SamePixels(frame->bitmap, c.expected));
}

INSTANTIATE_TEST_SUITE_P(Layouts, BmpVariant, ::testing::ValuesIn(AllCases()),
                         [](const auto& row) { return row.param.name; });

TEST(BmpDecoder, UsesTheFileHeaderOffsetWhenTheTableIsShorterThanDeclared) {
    // Header says 8 bits (256 colours) with colorsUsed 0, but only 4 entries were written.
    BmpCase c = PaletteCase("", 8, 4);
    Result<DecoderPtr> decoder = CreateBmpDecoder(c.file);
    ASSERT_TRUE(decoder.ok()) << decoder.message();
    Result<ImageFrame> frame = (*decoder)->Frame(0);
    ASSERT_TRUE(frame.ok()) << frame.message();
    EXPECT_TRUE(testing::SamePixels(frame->bitmap, c.expected));
}

TEST(BmpDecoder, RefusesADeclaredSizeOverThePixelBudgetBeforeDecoding) {
    BmpRecipe s;
    s.width = 40000;
    s.height = -40000;  // top-down, 1.6 billion pixels
    s.bitCount = 24;
    Result<DecoderPtr> decoder = CreateBmpDecoder(testing::WriteBmp(s));
    ASSERT_FALSE(decoder.ok());
    EXPECT_NE(decoder.message().find("too large"), std::string::npos) << decoder.message();
}

TEST(BmpDecoder, ReportsTruncatedPixelData) {
    BmpCase c = Rgb24Case("", 40);
    c.file.resize(c.file.size() - 20);
    Result<DecoderPtr> decoder = CreateBmpDecoder(c.file);
    ASSERT_TRUE(decoder.ok()) << decoder.message();
    Result<ImageFrame> frame = (*decoder)->Frame(0);
    ASSERT_FALSE(frame.ok());
    EXPECT_EQ(frame.message(), "BMP: pixel data is truncated");
}

TEST(BmpDecoder, AcceptsAMissingPaddingAfterTheLastRow) {
    BmpCase c = Rgb24Case("", 40);
    c.file.resize(c.file.size() - 1);  // 5 x 3 bytes = 15 per row, one byte of padding
    Result<DecoderPtr> decoder = CreateBmpDecoder(c.file);
    ASSERT_TRUE(decoder.ok()) << decoder.message();
    Result<ImageFrame> frame = (*decoder)->Frame(0);
    ASSERT_TRUE(frame.ok()) << frame.message();
    EXPECT_TRUE(testing::SamePixels(frame->bitmap, c.expected));
}

TEST(BmpDecoder, ReportsRunLengthDataWithoutAnEnd) {
    BmpCase c = Rle8Case();
    c.file.resize(c.file.size() - 6);  // cut inside the last row
    Result<DecoderPtr> decoder = CreateBmpDecoder(c.file);
    ASSERT_TRUE(decoder.ok()) << decoder.message();
    Result<ImageFrame> frame = (*decoder)->Frame(0);
    ASSERT_FALSE(frame.ok());
    EXPECT_EQ(frame.message(), "BMP: run-length data ends early");
}

} // namespace
} // namespace vorlandite::raster

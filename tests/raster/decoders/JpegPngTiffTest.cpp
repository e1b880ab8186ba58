// The library-backed decoders: JPEG (colour spaces, progressive, reduced-scale decoding), PNG
// (every colour type and depth, tRNS, interlacing) and TIFF (LZW, fax and other codings).

#include "raster/decoders/BitmapMatchers.h"
#include "raster/decoders/JpegDecoder.h"
#include "raster/decoders/PictureWriters.h"
#include "raster/decoders/PngDecoder.h"
#include "raster/decoders/TiffDecoder.h"

#include <gtest/gtest.h>

#include <functional>

#include <png.h>

namespace vorlandite::raster {
namespace {

using testing::Bytes;

Result<ImageFrame> DecodeWith(Result<DecoderPtr> (*create)(std::span<const uint8_t>), const Bytes& bytes,
                              SizeHint hint = {}) {
    Result<DecoderPtr> decoder = create(bytes);
    if (!decoder.ok())
        return decoder.error();
    return (*decoder)->Frame(0, hint);
}

// --- JPEG ------------------------------------------------------------------------------------

TColor32 Grey(TColor32 c) {
    const uint32_t v = (((c >> 16) & 0xFF) * 77 + ((c >> 8) & 0xFF) * 150 + (c & 0xFF) * 29) >> 8;
    return 0xFF000000u | v << 16 | v << 8 | v;
}

struct JpegCase {
    std::string name;
    testing::JpegOptions options;
};

class JpegColourSpace : public ::testing::TestWithParam<JpegCase> {};

TEST_P(JpegColourSpace, DecodesCloseToTheEncodedPicture) {
    const TBitmap32 picture = testing::MakeGradient(64, 48);
    testing::JpegOptions options = GetParam().options;
    options.quality = 95;
    Result<ImageFrame> frame = DecodeWith(CreateJpegDecoder, testing::WriteJpeg(picture, options));
    ASSERT_TRUE(frame.ok()) << frame.message();
    TBitmap32 expected = picture;
    if (options.colour == testing::JpegColour::Grey)
        for (TColor32& p : expected.Pixels())
            p = Grey(p);
    EXPECT_TRUE(testing::ClosePixels(frame->bitmap, expected, 8));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, JpegColourSpace,
    ::testing::Values(JpegCase{"Baseline", {}}, JpegCase{"Progressive", {90, true}},
                      JpegCase{"Grey", {90, false, testing::JpegColour::Grey}},
                      JpegCase{"ProgressiveGrey", {90, true, testing::JpegColour::Grey}},
                      JpegCase{"PlainCmyk", {90, false, testing::JpegColour::Cmyk}},
                      JpegCase{"AdobeInvertedCmyk", {90, false, testing::JpegColour::AdobeInvertedCmyk}}),
    [](const auto& row) { return row.param.name; });

struct ScaleCase {
    std::string name;
    int width, height;
    SizeHint hint;
    int denominator;
};

class JpegScale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(JpegScale, ChoosesTheSmallestScaleThatCoversTheHint) {
    const ScaleCase& c = GetParam();
    EXPECT_EQ(JpegScaleDenominator(c.width, c.height, c.hint), c.denominator);
}

INSTANTIATE_TEST_SUITE_P(
    Hints, JpegScale,
    ::testing::Values(ScaleCase{"NoHint", 6000, 4000, {}, 1}, ScaleCase{"FullHd", 6000, 4000, {1920, 1080}, 2},
                      ScaleCase{"ExactlyAQuarter", 6000, 4000, {1500, 1000}, 4},
                      ScaleCase{"JustOverAQuarter", 6000, 4000, {1501, 1000}, 2},
                      ScaleCase{"Thumbnail", 6000, 4000, {320, 200}, 8},
                      ScaleCase{"OneSideLarger", 6000, 4000, {700, 3000}, 1},
                      ScaleCase{"HintLargerThanPicture", 800, 600, {1920, 1080}, 1},
                      ScaleCase{"RoundedUpSides", 801, 601, {101, 76}, 8}),
    [](const auto& row) { return row.param.name; });

TEST(JpegDecoder, ReducedScaleDecodeCoversTheHintAndKeepsTheColours) {
    const TBitmap32 picture = testing::MakeGradient(800, 600);
    const Bytes bytes = testing::WriteJpeg(picture, {95});
    Result<DecoderPtr> decoder = CreateJpegDecoder(bytes);
    ASSERT_TRUE(decoder.ok()) << decoder.message();
    EXPECT_EQ((*decoder)->Width(), 800);  // the picture's own size, whatever the decode scale
    Result<ImageFrame> frame = (*decoder)->Frame(0, {200, 150});
    ASSERT_TRUE(frame.ok()) << frame.message();
    ASSERT_EQ(frame->bitmap.Width(), 200);
    ASSERT_EQ(frame->bitmap.Height(), 150);
    // The top-left block averages the darkest corner; the bottom-right the brightest.
    EXPECT_LT(frame->bitmap.Pixel(0, 0) & 0xFFFFFF, 0x101010u);
    EXPECT_GT((frame->bitmap.Pixel(199, 149) >> 16) & 0xFF, 0xF0u);
}

TEST(JpegDecoder, TruncatedDataIsAnErrorNotAGreyPicture) {
    Bytes bytes = testing::WriteJpeg(testing::MakeGradient(64, 64));
    bytes.resize(bytes.size() / 2);
    Result<ImageFrame> frame = DecodeWith(CreateJpegDecoder, bytes);
    ASSERT_FALSE(frame.ok());
    EXPECT_EQ(frame.message(), "JPEG: Premature end of JPEG file");
}

TEST(JpegDecoder, RefusesADeclaredSizeOverThePixelBudget) {
    Bytes bytes = testing::WriteJpeg(testing::MakeGradient(16, 16));
    // Patch the frame header (SOF0: FF C0, length, precision, height, width) to 65000 x 65000.
    for (std::size_t i = 0; i + 8 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 5] = bytes[i + 7] = 0xFD;
            bytes[i + 6] = bytes[i + 8] = 0xE8;
            break;
        }
    Result<DecoderPtr> decoder = CreateJpegDecoder(bytes);
    ASSERT_FALSE(decoder.ok());
    EXPECT_EQ(decoder.message(), "JPEG: picture is too large (65000 x 65000)");
}

// --- PNG -------------------------------------------------------------------------------------

constexpr int kPw = 7;  // not a multiple of 8, so sub-byte rows end mid-byte
constexpr int kPh = 9;  // more rows than one interlace pass holds

struct PngCase {
    std::string name;
    testing::PngRaw raw;
    TBitmap32 expected;
};

// Builds rows sample by sample; sample(x, y, channel) gives values at the case's depth.
PngCase MakePngCase(std::string name, int colourType, int bitDepth, int channels,
                    const std::function<uint32_t(int, int, int)>& sample,
                    const std::function<TColor32(int, int)>& expected, bool interlaced = false) {
    PngCase c{std::move(name), {}, TBitmap32::Create(kPw, kPh).value()};
    c.raw.width = kPw;
    c.raw.height = kPh;
    c.raw.colourType = colourType;
    c.raw.bitDepth = bitDepth;
    c.raw.interlaced = interlaced;
    for (int y = 0; y < kPh; ++y) {
        std::vector<uint32_t> values;
        for (int x = 0; x < kPw; ++x)
            for (int ch = 0; ch < channels; ++ch)
                values.push_back(sample(x, y, ch));
        Bytes row((values.size() * std::size_t(bitDepth) + 7) / 8, 0);
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (bitDepth == 16) {
                row[2 * i] = uint8_t(values[i] >> 8);
                row[2 * i + 1] = uint8_t(values[i]);
            } else if (bitDepth == 8) {
                row[i] = uint8_t(values[i]);
            } else {
                const std::size_t bit = i * std::size_t(bitDepth);
                row[bit / 8] |= uint8_t(values[i] << (8 - bitDepth - int(bit % 8)));
            }
        }
        c.raw.rows.push_back(std::move(row));
        for (int x = 0; x < kPw; ++x)
            c.expected.SetPixel(x, y, expected(x, y));
    }
    return c;
}

uint32_t Sample8(int x, int y, int ch) { return uint32_t((x * 31 + y * 17 + ch * 71) & 0xFF); }
TColor32 Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }
TColor32 GreyPixel(uint32_t v, uint32_t a = 255) { return Argb(a, v, v, v); }
// 16-bit samples whose low byte differs from the high one: the decoder must scale, not cut.
uint32_t Sample16(int x, int y, int ch) { return Sample8(x, y, ch) << 8 | uint32_t((x * 97 + y * 13 + ch) & 0xFF); }
uint32_t Scaled16(uint32_t v) { return (v * 255 + 32895) >> 16; }

std::vector<PngCase> AllPngCases() {
    std::vector<PngCase> cases;
    cases.push_back(MakePngCase("Rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, 4, Sample8, [](int x, int y) {
        return Argb(Sample8(x, y, 3), Sample8(x, y, 0), Sample8(x, y, 1), Sample8(x, y, 2));
    }));
    cases.push_back(MakePngCase("Rgb8", PNG_COLOR_TYPE_RGB, 8, 3, Sample8, [](int x, int y) {
        return Argb(255, Sample8(x, y, 0), Sample8(x, y, 1), Sample8(x, y, 2));
    }));
    cases.push_back(MakePngCase(
        "Rgba8Interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 8, 4, Sample8,
        [](int x, int y) { return Argb(Sample8(x, y, 3), Sample8(x, y, 0), Sample8(x, y, 1), Sample8(x, y, 2)); },
        true));
    cases.push_back(MakePngCase("Rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, 4, Sample16, [](int x, int y) {
        return Argb(Scaled16(Sample16(x, y, 3)), Scaled16(Sample16(x, y, 0)), Scaled16(Sample16(x, y, 1)),
                    Scaled16(Sample16(x, y, 2)));
    }));
    cases.push_back(MakePngCase("Grey16", PNG_COLOR_TYPE_GRAY, 16, 1, Sample16,
                                [](int x, int y) { return GreyPixel(Scaled16(Sample16(x, y, 0))); }));
    cases.push_back(MakePngCase("Grey8", PNG_COLOR_TYPE_GRAY, 8, 1, Sample8,
                                [](int x, int y) { return GreyPixel(Sample8(x, y, 0)); }));
    for (int depth : {1, 2, 4}) {
        const uint32_t maximum = (1u << depth) - 1;
        cases.push_back(MakePngCase(
            "Grey" + std::to_string(depth) + "Bit", PNG_COLOR_TYPE_GRAY, depth, 1,
            [maximum](int x, int y, int) { return uint32_t(x + y) & maximum; },
            [maximum](int x, int y) { return GreyPixel(((uint32_t(x + y) & maximum) * 255) / maximum); }));
    }
    cases.push_back(MakePngCase("GreyAlpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2, Sample8,
                                [](int x, int y) { return GreyPixel(Sample8(x, y, 0), Sample8(x, y, 1)); }));
    {
        PngCase grey = MakePngCase(
            "Grey8WithTransparentSample", PNG_COLOR_TYPE_GRAY, 8, 1, [](int x, int, int) { return uint32_t(x * 40); },
            [](int x, int) { return x == 3 ? GreyPixel(120, 0) : GreyPixel(uint32_t(x * 40)); });
        grey.raw.transparentSample = std::array<uint16_t, 3>{120, 0, 0};
        cases.push_back(std::move(grey));
    }
    {
        PngCase rgb = MakePngCase(
            "Rgb8WithTransparentSample", PNG_COLOR_TYPE_RGB, 8, 3,
            [](int x, int, int ch) { return uint32_t(x * 30 + ch); },
            [](int x, int) {
                return Argb(x == 2 ? 0 : 255, uint32_t(x * 30), uint32_t(x * 30 + 1), uint32_t(x * 30 + 2));
            });
        rgb.raw.transparentSample = std::array<uint16_t, 3>{60, 61, 62};
        cases.push_back(std::move(rgb));
    }
    // Palettes of 5 colours with tRNS for the first three; pixel index (x + y) % 5.
    const std::vector<std::array<uint8_t, 3>> palette = {
        {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}, {200, 100, 50}};
    const std::vector<uint8_t> alphas = {0, 128, 255};
    for (int depth : {8, 4}) {
        PngCase p = MakePngCase(
            "Palette" + std::to_string(depth) + "BitWithTrns", PNG_COLOR_TYPE_PALETTE, depth, 1,
            [](int x, int y, int) { return uint32_t((x + y) % 5); },
            [&](int x, int y) {
                const std::size_t i = std::size_t((x + y) % 5);
                return Argb(i < alphas.size() ? alphas[i] : 255, palette[i][0], palette[i][1], palette[i][2]);
            });
        p.raw.palette = palette;
        p.raw.paletteAlpha = alphas;
        cases.push_back(std::move(p));
    }
    {
        PngCase p = MakePngCase(
            "Palette1Bit", PNG_COLOR_TYPE_PALETTE, 1, 1, [](int x, int y, int) { return uint32_t((x + y) % 2); },
            [&](int x, int y) {
                const std::size_t i = std::size_t((x + y) % 2);
                return Argb(255, palette[i][0], palette[i][1], palette[i][2]);
            });
        p.raw.palette = {palette[0], palette[1]};
        cases.push_back(std::move(p));
    }
    return cases;
}

class PngLayout : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngLayout, DecodesToStraightArgb) {
    Result<ImageFrame> frame = DecodeWith(CreatePngDecoder, testing::WritePng(GetParam().raw));
    ASSERT_TRUE(frame.ok()) << frame.message();
    EXPECT_TRUE(testing::SamePixels(frame->bitmap, GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(ColourTypes, PngLayout, ::testing::ValuesIn(AllPngCases()),
                         [](const auto& row) { return row.param.name; });

TEST(PngDecoder, ReportsTruncatedImageData) {
    Bytes bytes = testing::WritePngFromBitmap(testing::MakeGradient(32, 32));
    bytes.resize(bytes.size() - 40);
    Result<ImageFrame> frame = DecodeWith(CreatePngDecoder, bytes);
    ASSERT_FALSE(frame.ok());
    EXPECT_EQ(frame.message().rfind("PNG: ", 0), 0u) << frame.message();
}

TEST(PngDecoder, RefusesADeclaredSizeOverThePixelBudget) {
    Bytes bytes = testing::WritePngFromBitmap(testing::MakeGradient(4, 4));
    // IHDR width and height at offsets 16 and 20, big-endian; the CRC is now wrong too, but the
    // size must be refused on its own grounds or by the CRC check, never allocated.
    bytes[16] = bytes[20] = 0x00;
    bytes[17] = bytes[21] = 0x01;
    bytes[18] = bytes[22] = 0x00;
    Result<DecoderPtr> decoder = CreatePngDecoder(bytes);
    ASSERT_FALSE(decoder.ok());
}

// --- TIFF ------------------------------------------------------------------------------------

struct TiffCase {
    std::string name;
    testing::TiffCompression compression;
};

class TiffCoding : public ::testing::TestWithParam<TiffCase> {};

TEST_P(TiffCoding, DecodesRgbExactly) {
    const TBitmap32 picture = testing::MakeGradient(23, 17);
    Result<ImageFrame> frame = DecodeWith(CreateTiffDecoder, testing::WriteTiff(picture, GetParam().compression));
    ASSERT_TRUE(frame.ok()) << frame.message();
    EXPECT_TRUE(testing::SamePixels(frame->bitmap, picture));
}

INSTANTIATE_TEST_SUITE_P(Compressions, TiffCoding,
                         ::testing::Values(TiffCase{"None", testing::TiffCompression::None},
                                           TiffCase{"Lzw", testing::TiffCompression::Lzw},
                                           TiffCase{"PackBits", testing::TiffCompression::PackBits},
                                           TiffCase{"Deflate", testing::TiffCompression::Deflate}),
                         [](const auto& row) { return row.param.name; });

TEST(TiffDecoder, UnassociatedAlphaComesBackStraight) {
    const TBitmap32 picture = testing::MakeGradientWithAlpha(32, 8);
    Result<ImageFrame> frame = DecodeWith(CreateTiffDecoder, testing::WriteTiff(picture, testing::TiffCompression::Lzw, true));
    ASSERT_TRUE(frame.ok()) << frame.message();
    // Premultiplying and undoing it loses precision where alpha is small; compare where it is not.
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 24; ++x) {
            const TColor32 a = frame->bitmap.Pixel(x, y), b = picture.Pixel(x, y);
            ASSERT_EQ(a >> 24, b >> 24);
            for (int shift : {0, 8, 16})
                ASSERT_NEAR(int((a >> shift) & 0xFF), int((b >> shift) & 0xFF), 3) << x << "," << y;
        }
}

class TiffFax : public ::testing::TestWithParam<testing::FaxCoding> {};

TEST_P(TiffFax, DecodesBlackAndWhite) {
    std::vector<std::vector<bool>> black(40, std::vector<bool>(53));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 53; ++x)
            black[std::size_t(y)][std::size_t(x)] = (x / 5 + y / 4) % 2 == 0 || x == y;
    Result<ImageFrame> frame = DecodeWith(CreateTiffDecoder, testing::WriteFaxTiff(black, GetParam()));
    ASSERT_TRUE(frame.ok()) << frame.message();
    ASSERT_EQ(frame->bitmap.Width(), 53);
    ASSERT_EQ(frame->bitmap.Height(), 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 53; ++x)
            ASSERT_EQ(frame->bitmap.Pixel(x, y), black[std::size_t(y)][std::size_t(x)] ? 0xFF000000u : 0xFFFFFFFFu)
                << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Groups, TiffFax,
                         ::testing::Values(testing::FaxCoding::Group3, testing::FaxCoding::Group4),
                         [](const auto& row) {
                             return std::string(row.param == testing::FaxCoding::Group3 ? "Group3" : "Group4");
                         });

TEST(TiffDecoder, CorruptDataIsAnErrorWithLibtiffsReason) {
    Bytes bytes = testing::WriteTiff(testing::MakeGradient(64, 64), testing::TiffCompression::Lzw);
    // The strips follow the 8-byte header; scramble them.
    for (std::size_t i = 8; i < bytes.size() / 2; ++i)
        bytes[i] = uint8_t(bytes[i] * 31 + 7);
    Result<ImageFrame> frame = DecodeWith(CreateTiffDecoder, bytes);
    ASSERT_FALSE(frame.ok());
    EXPECT_EQ(frame.message().rfind("TIFF: ", 0), 0u) << frame.message();
}

} // namespace
} // namespace vorlandite::raster

#include "raster/decoders/PictureWriters.h"

namespace vorlandite::testing {
namespace {

std::vector<std::vector<uint32_t>> Rows(int width, int height, uint32_t (*value)(int, int)) {
    std::vector<std::vector<uint32_t>> rows;
    for (int y = 0; y < height; ++y) {
        std::vector<uint32_t> row;
        for (int x = 0; x < width; ++x)
            row.push_back(value(x, y));
        rows.push_back(row);
    }
    return rows;
}

std::vector<TColor32> Ramp(int count) {
    std::vector<TColor32> palette;
    for (int i = 0; i < count; ++i)
        palette.push_back(0xFF000000u | uint32_t(i * 255 / std::max(count - 1, 1)) << 16 | uint32_t(i * 7 & 0xFF) << 8 |
                          uint32_t(255 - i * 255 / std::max(count - 1, 1)));
    return palette;
}

Bytes Bmp(int bitCount, uint32_t headerSize, uint32_t compression, Bytes pixels, int paletteSize = 0,
          std::array<uint32_t, 4> masks = {}) {
    BmpRecipe s;
    s.headerSize = headerSize;
    s.width = 13;
    s.height = 7;
    s.bitCount = bitCount;
    s.compression = compression;
    s.palette = Ramp(paletteSize);
    s.masks = masks;
    s.writeMasks = compression == 3 || compression == 6;
    s.pixelData = std::move(pixels);
    return WriteBmp(s);
}

GifRecipe AnimatedGif() {
    GifRecipe recipe;
    recipe.width = 12;
    recipe.height = 10;
    recipe.globalPalette = Ramp(16);
    recipe.netscapeLoop = true;
    for (int i = 0; i < 4; ++i) {
        GifFrameRecipe f;
        f.left = i;
        f.top = i / 2;
        f.width = 12 - 2 * i;
        f.height = 10 - 2 * i;
        f.disposal = i;
        f.delayCs = 5 * i;
        f.interlaced = i % 2 == 1;
        f.transparentIndex = i >= 2 ? 15 : -1;
        if (i == 3)
            f.localPalette = Ramp(4);
        for (int p = 0; p < f.width * f.height; ++p)
            f.indexes.push_back(uint8_t((p * 5 + i) % (i == 3 ? 4 : 16)));
        recipe.frames.push_back(std::move(f));
    }
    return recipe;
}

std::vector<std::vector<bool>> FaxPattern() {
    std::vector<std::vector<bool>> black(24, std::vector<bool>(37));
    for (std::size_t y = 0; y < black.size(); ++y)
        for (std::size_t x = 0; x < black[y].size(); ++x)
            black[y][x] = (x / 3 + y / 2) % 3 == 0;
    return black;
}

} // namespace

std::vector<SamplePicture> MakeSamplePictures() {
    const TBitmap32 colour = MakeGradient(24, 16);
    const TBitmap32 alpha = MakeGradientWithAlpha(24, 16);
    std::vector<SamplePicture> samples;
    auto add = [&](std::string name, std::string extension, Bytes bytes) {
        samples.push_back({std::move(name), std::move(extension), std::move(bytes)});
    };

    auto index = [](int x, int y) { return uint32_t((x + 3 * y) % 16); };
    add("bmp-8bit", "bmp", Bmp(8, 40, 0, PackRows(Rows(13, 7, +index), 8), 16));
    add("bmp-4bit-os2", "bmp", Bmp(4, 12, 0, PackRows(Rows(13, 7, +index), 4), 16));
    add("bmp-1bit", "bmp", Bmp(1, 40, 0, PackRows(Rows(13, 7, [](int x, int y) { return uint32_t((x + y) % 2); }), 1), 2));
    add("bmp-16bit-565", "bmp", Bmp(16, 40, 3, PackRows(Rows(13, 7, [](int x, int y) { return uint32_t(x * 2000 + y * 77); }), 16), 0,
                                    {0xF800, 0x07E0, 0x001F, 0}));
    add("bmp-24bit", "bmp", Bmp(24, 40, 0, PackRows(Rows(13, 7, [](int x, int y) { return uint32_t(x) * 0x130F07u + uint32_t(y) * 0x0A1B2Cu; }), 24)));
    add("bmp-32bit-v5", "dib", Bmp(32, 124, 3, PackRows(Rows(13, 7, [](int x, int y) { return uint32_t(x) * 0x13130F07u + uint32_t(y) * 0x0A1B2Cu; }), 32), 0,
                                   {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}));
    add("bmp-rle8", "rle", Bmp(8, 40, 1, {4, 1, 0, 5, 2, 3, 4, 5, 6, 0, 0, 0, 0, 2, 3, 1, 9, 7, 0, 0, 20, 3, 0, 1}, 16));
    add("bmp-rle4", "rle", Bmp(4, 40, 2, {5, 0x12, 0, 7, 0x34, 0x56, 0x70, 0, 0, 0, 6, 0x9A, 0, 2, 1, 2, 4, 0xEF, 0, 1}, 16));

    std::vector<std::vector<uint8_t>> iconIndexes(16, std::vector<uint8_t>(16));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            iconIndexes[std::size_t(y)][std::size_t(x)] = uint8_t((x + y) % 4);
    std::vector<std::vector<bool>> iconMask(16, std::vector<bool>(16));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            iconMask[std::size_t(y)][std::size_t(x)] = x < y;
    const TBitmap32 icon16 = TBitmap32::Create(16, 16).value();
    add("ico-bmp", "ico", WriteIco({{16, 16, 8, MakeDibIcon(icon16, 8, iconMask, Ramp(4), iconIndexes)},
                                    {24, 16, 32, MakeDibIcon(alpha, 32, {})}}));
    add("ico-png", "ico", WriteIco({{24, 16, 32, WritePngFromBitmap(alpha)},
                                    {16, 16, 8, MakeDibIcon(icon16, 8, iconMask, Ramp(4), iconIndexes)}}));

    add("gif-animated", "gif", WriteGif(AnimatedGif()));
    GifRecipe still = AnimatedGif();
    still.frames.resize(1);
    still.netscapeLoop = false;
    still.frames[0].controlBlock = false;
    add("gif-still", "gif", WriteGif(still));

    add("jpeg-baseline", "jpg", WriteJpeg(colour, {80}));
    add("jpeg-progressive", "jpeg", WriteJpeg(colour, {80, true}));
    add("jpeg-grey", "jpe", WriteJpeg(colour, {80, false, JpegColour::Grey}));
    add("jpeg-cmyk", "jfif", WriteJpeg(colour, {80, false, JpegColour::AdobeInvertedCmyk}));

    add("png-rgba", "png", WritePngFromBitmap(alpha));
    add("png-rgb-interlaced", "png", WritePngFromBitmap(colour, true, true));
    PngRaw palette;
    palette.width = 11;
    palette.height = 9;
    palette.colourType = 3;  // palette
    palette.bitDepth = 4;
    palette.interlaced = true;
    palette.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}};
    palette.paletteAlpha = {0, 100};
    for (int y = 0; y < 9; ++y) {
        Bytes row(6, 0);
        for (int x = 0; x < 11; ++x)
            row[std::size_t(x / 2)] |= uint8_t(((x + y) % 4) << (x % 2 == 0 ? 4 : 0));
        palette.rows.push_back(row);
    }
    add("png-palette-trns", "png", WritePng(palette));
    PngRaw deep;
    deep.width = 5;
    deep.height = 4;
    deep.colourType = 4;  // grey + alpha
    deep.bitDepth = 16;
    for (int y = 0; y < 4; ++y) {
        Bytes row;
        for (int x = 0; x < 5; ++x)
            row.insert(row.end(), {uint8_t(x * 50), uint8_t(y), uint8_t(255 - x * 40), uint8_t(x)});
        deep.rows.push_back(row);
    }
    add("png-grey-alpha-16", "png", WritePng(deep));

    add("tiff-lzw", "tif", WriteTiff(colour, TiffCompression::Lzw));
    add("tiff-rgba-deflate", "tiff", WriteTiff(alpha, TiffCompression::Deflate, true));
    add("tiff-packbits", "tif", WriteTiff(colour, TiffCompression::PackBits));
    add("tiff-fax3", "fax", WriteFaxTiff(FaxPattern(), FaxCoding::Group3));
    add("tiff-fax4", "tif", WriteFaxTiff(FaxPattern(), FaxCoding::Group4));
    return samples;
}

} // namespace vorlandite::testing

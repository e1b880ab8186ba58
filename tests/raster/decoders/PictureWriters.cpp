#include "raster/decoders/PictureWriters.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace vorlandite::testing {
namespace {

uint8_t Red(TColor32 c) { return uint8_t(c >> 16); }
uint8_t Green(TColor32 c) { return uint8_t(c >> 8); }
uint8_t Blue(TColor32 c) { return uint8_t(c); }
uint8_t Alpha(TColor32 c) { return uint8_t(c >> 24); }

void Put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// --- TIFF in memory --------------------------------------------------------------------------
struct MemoryFile {
    Bytes bytes;
    toff_t position = 0;
};

tmsize_t MemRead(thandle_t h, void* out, tmsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    if (f->position >= f->bytes.size())
        return 0;
    const std::size_t k = std::min<std::size_t>(std::size_t(n), f->bytes.size() - f->position);
    std::memcpy(out, f->bytes.data() + f->position, k);
    f->position += k;
    return tmsize_t(k);
}
tmsize_t MemWrite(thandle_t h, void* in, tmsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    if (f->position + std::size_t(n) > f->bytes.size())
        f->bytes.resize(f->position + std::size_t(n));
    std::memcpy(f->bytes.data() + f->position, in, std::size_t(n));
    f->position += std::size_t(n);
    return n;
}
toff_t MemSeek(thandle_t h, toff_t offset, int whence) {
    auto* f = static_cast<MemoryFile*>(h);
    if (whence == SEEK_SET)
        f->position = offset;
    else if (whence == SEEK_CUR)
        f->position += offset;
    else
        f->position = f->bytes.size() + offset;
    return f->position;
}
int MemClose(thandle_t) { return 0; }
toff_t MemSize(thandle_t h) { return static_cast<MemoryFile*>(h)->bytes.size(); }
int MemMap(thandle_t, void**, toff_t*) { return 0; }
void MemUnmap(thandle_t, void*, toff_t) {}

TIFF* OpenTiffForWriting(MemoryFile& file) {
    return TIFFClientOpen("memory", "w", &file, MemRead, MemWrite, MemSeek, MemClose, MemSize, MemMap, MemUnmap);
}

// --- GIF -----------------------------------------------------------------------------------
int AppendGifBytes(GifFileType* gif, const GifByteType* data, int n) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}

ColorMapObject* MakeColourMap(const std::vector<TColor32>& palette) {
    if (palette.empty())
        return nullptr;
    int size = 2;
    while (size < int(palette.size()))
        size *= 2;
    std::vector<GifColorType> colours(std::size_t(size), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < palette.size(); ++i)
        colours[i] = GifColorType{Red(palette[i]), Green(palette[i]), Blue(palette[i])};
    return GifMakeMapObject(size, colours.data());
}

} // namespace

TBitmap32 MakeGradient(int width, int height) {
    TBitmap32 b = TBitmap32::Create(width, height).value();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t r = uint32_t(x * 255 / std::max(width - 1, 1));
            const uint32_t g = uint32_t(y * 255 / std::max(height - 1, 1));
            const uint32_t bl = uint32_t((x + y) * 255 / std::max(width + height - 2, 1));
            b.SetPixel(x, y, 0xFF000000u | r << 16 | g << 8 | bl);
        }
    return b;
}

TBitmap32 MakeGradientWithAlpha(int width, int height) {
    TBitmap32 b = MakeGradient(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t a = 255 - uint32_t(x * 255 / std::max(width - 1, 1));
            b.SetPixel(x, y, (b.Pixel(x, y) & 0x00FFFFFFu) | a << 24);
        }
    return b;
}

Bytes WriteJpeg(const TBitmap32& picture, const JpegOptions& options) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(picture.Width());
    info.image_height = JDIMENSION(picture.Height());
    switch (options.colour) {
    case JpegColour::Rgb:
        info.in_color_space = JCS_RGB;
        info.input_components = 3;
        break;
    case JpegColour::Grey:
        info.in_color_space = JCS_GRAYSCALE;
        info.input_components = 1;
        break;
    case JpegColour::Cmyk:
    case JpegColour::AdobeInvertedCmyk:
        info.in_color_space = JCS_CMYK;
        info.input_components = 4;
        break;
    }
    jpeg_set_defaults(&info);
    // Without the Adobe marker a reader takes CMYK as plain (0 = no ink).
    if (options.colour == JpegColour::Cmyk)
        info.write_Adobe_marker = FALSE;
    jpeg_set_quality(&info, options.quality, TRUE);
    if (options.progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(std::size_t(picture.Width()) * 4);
    while (info.next_scanline < info.image_height) {
        const auto pixels = picture.Scanline(int(info.next_scanline));
        for (std::size_t x = 0; x < pixels.size(); ++x) {
            const TColor32 c = pixels[x];
            switch (options.colour) {
            case JpegColour::Rgb:
                row[3 * x] = Red(c);
                row[3 * x + 1] = Green(c);
                row[3 * x + 2] = Blue(c);
                break;
            case JpegColour::Grey: row[x] = JSAMPLE((Red(c) * 77 + Green(c) * 150 + Blue(c) * 29) >> 8); break;
            case JpegColour::Cmyk:
                row[4 * x] = JSAMPLE(255 - Red(c));
                row[4 * x + 1] = JSAMPLE(255 - Green(c));
                row[4 * x + 2] = JSAMPLE(255 - Blue(c));
                row[4 * x + 3] = 0;
                break;
            case JpegColour::AdobeInvertedCmyk:
                row[4 * x] = Red(c);
                row[4 * x + 1] = Green(c);
                row[4 * x + 2] = Blue(c);
                row[4 * x + 3] = 255;
                break;
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

Bytes WritePng(const PngRaw& raw) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto* target = static_cast<Bytes*>(png_get_io_ptr(p));
            target->insert(target->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, png_uint_32(raw.width), png_uint_32(raw.height), raw.bitDepth, raw.colourType,
                 raw.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (const auto& c : raw.palette)
        palette.push_back(png_color{c[0], c[1], c[2]});
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    if (!raw.paletteAlpha.empty())
        png_set_tRNS(png, info, raw.paletteAlpha.data(), int(raw.paletteAlpha.size()), nullptr);
    if (raw.transparentSample) {
        png_color_16 sample{};
        sample.gray = (*raw.transparentSample)[0];
        sample.red = (*raw.transparentSample)[0];
        sample.green = (*raw.transparentSample)[1];
        sample.blue = (*raw.transparentSample)[2];
        png_set_tRNS(png, info, nullptr, 0, &sample);
    }
    png_write_info(png, info);
    if (raw.interlaced)
        png_set_interlace_handling(png);
    std::vector<png_bytep> rows;
    for (const Bytes& r : raw.rows)
        rows.push_back(const_cast<png_bytep>(r.data()));
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes WritePngFromBitmap(const TBitmap32& picture, bool opaque, bool interlaced) {
    PngRaw raw;
    raw.width = picture.Width();
    raw.height = picture.Height();
    raw.colourType = opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA;
    raw.interlaced = interlaced;
    for (int y = 0; y < picture.Height(); ++y) {
        Bytes row;
        for (TColor32 c : picture.Scanline(y)) {
            row.insert(row.end(), {Red(c), Green(c), Blue(c)});
            if (!opaque)
                row.push_back(Alpha(c));
        }
        raw.rows.push_back(std::move(row));
    }
    return WritePng(raw);
}

Bytes WriteTiff(const TBitmap32& picture, TiffCompression compression, bool withAlpha) {
    MemoryFile file;
    TIFF* tiff = OpenTiffForWriting(file);
    const int samples = withAlpha ? 4 : 3;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(picture.Width()));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(picture.Height()));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    if (withAlpha) {
        uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    uint16_t code = COMPRESSION_NONE;
    switch (compression) {
    case TiffCompression::None: code = COMPRESSION_NONE; break;
    case TiffCompression::Lzw: code = COMPRESSION_LZW; break;
    case TiffCompression::PackBits: code = COMPRESSION_PACKBITS; break;
    case TiffCompression::Deflate: code = COMPRESSION_ADOBE_DEFLATE; break;
    }
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, code);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 8);
    Bytes row(std::size_t(picture.Width()) * std::size_t(samples));
    for (int y = 0; y < picture.Height(); ++y) {
        const auto pixels = picture.Scanline(y);
        for (std::size_t x = 0; x < pixels.size(); ++x) {
            row[x * samples] = Red(pixels[x]);
            row[x * samples + 1] = Green(pixels[x]);
            row[x * samples + 2] = Blue(pixels[x]);
            if (withAlpha)
                row[x * samples + 3] = Alpha(pixels[x]);
        }
        TIFFWriteScanline(tiff, row.data(), uint32_t(y), 0);
    }
    TIFFClose(tiff);
    return file.bytes;
}

Bytes WriteFaxTiff(const std::vector<std::vector<bool>>& black, FaxCoding coding) {
    MemoryFile file;
    TIFF* tiff = OpenTiffForWriting(file);
    const int width = int(black.front().size());
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(black.size()));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, coding == FaxCoding::Group3 ? COMPRESSION_CCITTFAX3 : COMPRESSION_CCITTFAX4);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(black.size()));
    Bytes row(std::size_t((width + 7) / 8));
    for (std::size_t y = 0; y < black.size(); ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < width; ++x)
            if (black[y][std::size_t(x)])
                row[std::size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        TIFFWriteScanline(tiff, row.data(), uint32_t(y), 0);
    }
    TIFFClose(tiff);
    return file.bytes;
}

Bytes WriteGif(const GifRecipe& recipe) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendGifBytes, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = MakeColourMap(recipe.globalPalette);
    EGifPutScreenDesc(gif, recipe.width, recipe.height, 8, recipe.backgroundIndex, global);
    GifFreeMapObject(global);
    if (recipe.netscapeLoop) {
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
        const uint8_t loop[3] = {1, uint8_t(recipe.loopCount), uint8_t(recipe.loopCount >> 8)};
        EGifPutExtensionBlock(gif, 3, loop);
        EGifPutExtensionTrailer(gif);
    }
    for (const GifFrameRecipe& frame : recipe.frames) {
        if (frame.controlBlock) {
            GraphicsControlBlock control{frame.disposal, false, frame.delayCs, frame.transparentIndex};
            GifByteType extension[4];
            EGifGCBToExtension(&control, extension);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        }
        ColorMapObject* local = MakeColourMap(frame.localPalette);
        EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlaced, local);
        GifFreeMapObject(local);
        std::vector<int> order;
        if (frame.interlaced) {
            for (int start : {0, 4, 2, 1}) {
                const int step = start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2;
                for (int y = start; y < frame.height; y += step)
                    order.push_back(y);
            }
        } else {
            for (int y = 0; y < frame.height; ++y)
                order.push_back(y);
        }
        for (int y : order)
            EGifPutLine(gif, const_cast<GifPixelType*>(frame.indexes.data()) + std::size_t(y) * std::size_t(frame.width),
                        frame.width);
    }
    EGifCloseFile(gif, &error);
    if (!recipe.trailer && !out.empty() && out.back() == ';')
        out.pop_back();
    return out;
}

Bytes PackRows(const std::vector<std::vector<uint32_t>>& rows, int bitCount) {
    Bytes out;
    for (const auto& row : rows) {
        Bytes packed;
        if (bitCount < 8) {
            packed.assign((row.size() * std::size_t(bitCount) + 7) / 8, 0);
            for (std::size_t x = 0; x < row.size(); ++x) {
                const std::size_t bit = x * std::size_t(bitCount);
                packed[bit / 8] |= uint8_t(row[x] << (8 - bitCount - int(bit % 8)));
            }
        } else {
            for (uint32_t v : row)
                for (int b = 0; b < bitCount / 8; ++b)
                    packed.push_back(uint8_t(v >> (8 * b)));
        }
        while (packed.size() % 4 != 0)
            packed.push_back(0);
        out.insert(out.end(), packed.begin(), packed.end());
    }
    return out;
}

Bytes WriteBmp(const BmpRecipe& s) {
    Bytes dib;
    const bool core = s.headerSize == 12;
    Put32(dib, s.headerSize);
    if (core) {
        Put16(dib, uint32_t(s.width));
        Put16(dib, uint32_t(s.height));
        Put16(dib, 1);
        Put16(dib, uint32_t(s.bitCount));
    } else {
        Put32(dib, uint32_t(s.width));
        Put32(dib, uint32_t(s.topDown ? -s.height : s.height));
        Put16(dib, 1);
        Put16(dib, uint32_t(s.bitCount));
        Put32(dib, s.compression);
        Put32(dib, uint32_t(s.pixelData.size()));
        Put32(dib, 2835);
        Put32(dib, 2835);
        Put32(dib, s.colorsUsed);
        Put32(dib, 0);
        if (s.headerSize >= 52 && s.headerSize != 64) {
            for (int i = 0; i < (s.headerSize >= 56 ? 4 : 3); ++i)
                Put32(dib, s.masks[std::size_t(i)]);
        }
        if (s.headerSize >= 108)
            Put32(dib, 0x73524742);  // 'sRGB'
        dib.resize(s.headerSize, 0);
        if (s.writeMasks && s.headerSize == 40)
            for (int i = 0; i < (s.compression == 6 ? 4 : 3); ++i)
                Put32(dib, s.masks[std::size_t(i)]);
    }
    for (TColor32 c : s.palette) {
        dib.insert(dib.end(), {Blue(c), Green(c), Red(c)});
        if (!core)
            dib.push_back(0);
    }
    const std::size_t pixelOffset = dib.size() + (s.fileHeader ? 14 : 0);
    dib.insert(dib.end(), s.pixelData.begin(), s.pixelData.end());
    if (!s.fileHeader)
        return dib;
    Bytes file = {'B', 'M'};
    Put32(file, uint32_t(14 + dib.size()));
    Put32(file, 0);
    Put32(file, uint32_t(pixelOffset));
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

Bytes MakeDibIcon(const TBitmap32& picture, int bitCount, const std::vector<std::vector<bool>>& mask,
                  const std::vector<TColor32>& palette, const std::vector<std::vector<uint8_t>>& indexes) {
    const int w = picture.Width(), h = picture.Height();
    std::vector<std::vector<uint32_t>> colourRows, maskRows;
    for (int y = h - 1; y >= 0; --y) {  // bottom-up
        std::vector<uint32_t> row, maskRow;
        for (int x = 0; x < w; ++x) {
            row.push_back(bitCount == 32 ? picture.Pixel(x, y) : indexes[std::size_t(y)][std::size_t(x)]);
            maskRow.push_back(mask.empty() ? 0u : uint32_t(mask[std::size_t(y)][std::size_t(x)]));
        }
        colourRows.push_back(std::move(row));
        maskRows.push_back(std::move(maskRow));
    }
    BmpRecipe recipe;
    recipe.width = w;
    recipe.height = 2 * h;
    recipe.bitCount = bitCount;
    recipe.palette = palette;
    recipe.colorsUsed = uint32_t(palette.size());  // no file header tells where a short table ends
    recipe.fileHeader = false;
    recipe.pixelData = PackRows(colourRows, bitCount);
    const Bytes andMask = PackRows(maskRows, 1);
    recipe.pixelData.insert(recipe.pixelData.end(), andMask.begin(), andMask.end());
    return WriteBmp(recipe);
}

Bytes WriteIco(const std::vector<IconEntry>& entries) {
    Bytes out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, uint32_t(entries.size()));
    uint32_t offset = uint32_t(6 + 16 * entries.size());
    for (const IconEntry& e : entries) {
        out.push_back(uint8_t(e.width == 256 ? 0 : e.width));
        out.push_back(uint8_t(e.height == 256 ? 0 : e.height));
        out.push_back(0);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, uint32_t(e.bitCount));
        Put32(out, uint32_t(e.data.size()));
        Put32(out, offset);
        offset += uint32_t(e.data.size());
    }
    for (const IconEntry& e : entries)
        out.insert(out.end(), e.data.begin(), e.data.end());
    return out;
}

} // namespace vorlandite::testing

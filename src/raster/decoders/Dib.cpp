#include "raster/decoders/Dib.h"

#include "raster/decoders/ImageDecoder.h"

#include <algorithm>
#include <bit>

namespace vorlandite::raster::dib {
namespace {

constexpr TColor32 kBlack = 0xFF000000;
// The largest header of the format (BITMAPV5HEADER) is 124 bytes; a few writers pad theirs.
constexpr uint32_t kMaxHeaderSize = 1024;

bool Has(std::span<const uint8_t> bytes, std::size_t offset, uint64_t count) {
    return offset <= bytes.size() && count <= bytes.size() - offset;
}

uint16_t U16(std::span<const uint8_t> b, std::size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

uint32_t U32(std::span<const uint8_t> b, std::size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

Error BmpError(const std::string& text) {
    return MakeError("BMP: " + text);
}

// One colour channel of a 16- or 32-bit pixel, scaled to 8 bits. Masks need not be 8 bits
// wide (5-6-5, 10-10-10) nor, in damaged files, contiguous.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint64_t maximum = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (mask != 0) {
            shift = std::countr_zero(mask);
            maximum = mask >> shift;
        }
    }
    uint32_t Scale(uint32_t pixel, uint32_t absent) const {
        if (mask == 0)
            return absent;
        const uint64_t value = (pixel & mask) >> shift;
        return static_cast<uint32_t>((value * 255 + maximum / 2) / maximum);
    }
};

struct PixelFormat {
    Channel red, green, blue, alpha;
    explicit PixelFormat(const std::array<uint32_t, 4>& m) : red(m[0]), green(m[1]), blue(m[2]), alpha(m[3]) {}
    TColor32 Convert(uint32_t pixel) const {
        return alpha.Scale(pixel, 255) << 24 | red.Scale(pixel, 0) << 16 | green.Scale(pixel, 0) << 8 |
               blue.Scale(pixel, 0);
    }
};

TColor32 PaletteColor(const std::vector<TColor32>& palette, unsigned index) {
    return index < palette.size() ? palette[index] : kBlack;
}

int OutputRow(const DibHeader& header, int storedRow) {
    return header.topDown ? storedRow : header.height - 1 - storedRow;
}

Status CheckCompression(const DibHeader& h, bool os2) {
    switch (h.compression) {
    case kRgb: return Status::Ok();
    case kRle8:
        return h.bitCount == 8 ? Status::Ok() : Status(BmpError("RLE8 data needs 8 bits per pixel"));
    case kRle4:
        return h.bitCount == 4 ? Status::Ok() : Status(BmpError("RLE4 data needs 4 bits per pixel"));
    case kBitfields:
        // OS/2 2.x uses the value 3 for its Huffman 1D coding, which nothing writes any more.
        if (os2)
            return BmpError("OS/2 Huffman-coded bitmaps are not supported");
        [[fallthrough]];
    case kAlphaBitfields:
        return h.bitCount == 16 || h.bitCount == 32 ? Status::Ok()
                                                    : Status(BmpError("bit fields need 16 or 32 bits per pixel"));
    case kJpeg:
        return BmpError(os2 ? "OS/2 RLE24 bitmaps are not supported" : "embedded JPEG data is not supported");
    case kPng: return BmpError("embedded PNG data is not supported");
    default: return BmpError("unknown compression " + std::to_string(h.compression));
    }
}

Status ReadMasks(std::span<const uint8_t> bytes, std::size_t offset, DibHeader& h, std::size_t& position) {
    if (h.compression == kBitfields || h.compression == kAlphaBitfields) {
        if (h.headerSize >= 52) {
            h.masks = {U32(bytes, offset + 40), U32(bytes, offset + 44), U32(bytes, offset + 48),
                       h.headerSize >= 56 ? U32(bytes, offset + 52) : 0u};
            return Status::Ok();
        }
        // A 40-byte header is followed by its three (or, with alpha, four) masks.
        const std::size_t count = h.compression == kAlphaBitfields ? 4 : 3;
        if (!Has(bytes, position, count * 4))
            return BmpError("bit field masks are truncated");
        for (std::size_t i = 0; i < count; ++i)
            h.masks[i] = U32(bytes, position + 4 * i);
        position += count * 4;
        return Status::Ok();
    }
    if (h.bitCount == 16)
        h.masks = {0x7C00, 0x03E0, 0x001F, 0};
    else if (h.bitCount == 32)
        h.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};  // the fourth byte is unused
    return Status::Ok();
}

void ReadPalette(std::span<const uint8_t> bytes, uint32_t colorsUsed, DibHeader& h, std::size_t& position) {
    h.paletteOffset = position;
    if (h.bitCount > 8) {
        // Deeper bitmaps may carry an optional colour table (a hint for palette displays) that
        // the pixels never index; only its size matters, for packed bitmaps.
        if (colorsUsed > 0 && colorsUsed <= 65536 && Has(bytes, position, uint64_t(colorsUsed) * 4))
            position += std::size_t(colorsUsed) * 4;
        return;
    }
    const uint32_t maxEntries = 1u << h.bitCount;
    const uint32_t count = colorsUsed > 0 && colorsUsed < maxEntries ? colorsUsed : maxEntries;
    // Writers that store fewer entries than the header implies are common; the file header's
    // pixel offset then trims the table (TrimPaletteBefore). Entries past the end of the bytes
    // are simply absent: indexes into them show black.
    const std::size_t room = position <= bytes.size() ? (bytes.size() - position) / h.paletteEntrySize : 0;
    const std::size_t readable = std::min<std::size_t>(count, room);
    h.palette.reserve(readable);
    for (std::size_t i = 0; i < readable; ++i) {
        const std::size_t at = position + i * h.paletteEntrySize;
        h.palette.push_back(kBlack | uint32_t(bytes[at + 2]) << 16 | uint32_t(bytes[at + 1]) << 8 | bytes[at]);
    }
    position += std::size_t(count) * h.paletteEntrySize;
}

// Run-length data (RLE8, RLE4), straight into the surface; with no surface, only checks that
// the stream is complete. Pixels the stream skips (by a move, an early end of line or of the
// bitmap) keep colour 0 of the table, as in a bitmap whose index memory starts out zeroed.
Status DecodeRunLength(std::span<const uint8_t> bytes, const DibHeader& h, std::size_t position, TBitmap32* bitmap) {
    const bool fourBit = h.compression == kRle4;
    const int width = h.width;
    const TColor32 background = PaletteColor(h.palette, 0);
    if (bitmap != nullptr)
        for (int y = 0; y < h.height; ++y)
            std::ranges::fill(bitmap->Scanline(y), background);
    int x = 0;
    int y = 0;
    auto put = [&](unsigned index) {
        if (x < width && bitmap != nullptr)
            bitmap->Scanline(OutputRow(h, y))[std::size_t(x)] = PaletteColor(h.palette, index);
        x = std::min(x + 1, width);  // pixels past the row's end are dropped
    };
    while (y < h.height) {
        if (!Has(bytes, position, 2))
            return BmpError("run-length data ends early");
        const unsigned first = bytes[position], second = bytes[position + 1];
        position += 2;
        if (first > 0) {  // a run of one colour (RLE4: two alternating colours)
            for (unsigned i = 0; i < first && x < width; ++i)
                put(fourBit ? (i % 2 == 0 ? second >> 4 : second & 0x0F) : second);
            continue;
        }
        switch (second) {
        case 0:  // end of line
            x = 0;
            ++y;
            break;
        case 1:  // end of bitmap
            return Status::Ok();
        case 2:  // move right and up (down in stored order)
            if (!Has(bytes, position, 2))
                return BmpError("run-length data ends early");
            x = std::min(x + int(bytes[position]), width);
            y += bytes[position + 1];
            position += 2;
            break;
        default: {  // literal pixels, padded to a 16-bit boundary
            const std::size_t literalBytes = fourBit ? (second + 1) / 2 : second;
            const std::size_t padded = literalBytes + (literalBytes & 1);
            if (!Has(bytes, position, padded))
                return BmpError("run-length data ends early");
            for (unsigned i = 0; i < second && x < width; ++i) {
                const uint8_t byte = bytes[position + (fourBit ? i / 2 : i)];
                put(fourBit ? (i % 2 == 0 ? byte >> 4 : byte & 0x0F) : byte);
            }
            position += padded;
            break;
        }
        }
    }
    return Status::Ok();
}

} // namespace

void DibHeader::TrimPaletteBefore(std::size_t offset) {
    if (offset >= paletteOffset && offset < paletteOffset + palette.size() * paletteEntrySize)
        palette.resize((offset - paletteOffset) / paletteEntrySize);
}

uint64_t RowStride(int width, int bitCount) {
    return (uint64_t(width) * uint64_t(bitCount) + 31) / 32 * 4;
}

Result<DibHeader> ReadDibHeader(std::span<const uint8_t> bytes, std::size_t offset, int heightDivisor) {
    if (!Has(bytes, offset, 4))
        return BmpError("header is truncated");
    DibHeader h;
    h.headerSize = U32(bytes, offset);
    if (h.headerSize < 12 || h.headerSize > kMaxHeaderSize || (h.headerSize > 12 && h.headerSize < 16))
        return BmpError("unknown header size " + std::to_string(h.headerSize));
    if (!Has(bytes, offset, h.headerSize))
        return BmpError("header is truncated");

    const bool core = h.headerSize == 12;                            // OS/2 1.x
    const bool os2 = !core && (h.headerSize < 40 || h.headerSize == 64);  // OS/2 2.x
    int64_t width = 0;
    int64_t height = 0;
    uint32_t colorsUsed = 0;
    if (core) {
        width = U16(bytes, offset + 4);
        height = U16(bytes, offset + 6);
        h.bitCount = U16(bytes, offset + 10);
        h.paletteEntrySize = 3;
    } else {
        width = static_cast<int32_t>(U32(bytes, offset + 4));
        height = static_cast<int32_t>(U32(bytes, offset + 8));
        h.bitCount = U16(bytes, offset + 14);
        h.compression = h.headerSize >= 20 ? U32(bytes, offset + 16) : kRgb;
        colorsUsed = h.headerSize >= 36 ? U32(bytes, offset + 32) : 0;
    }
    h.topDown = height < 0;
    height = (height < 0 ? -height : height) / heightDivisor;
    if (Status size = CheckPictureSize("BMP", width, height); !size.ok())
        return size.error();
    h.width = static_cast<int>(width);
    h.height = static_cast<int>(height);

    switch (h.bitCount) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32: break;
    default: return BmpError("unsupported bit depth " + std::to_string(h.bitCount));
    }
    if (Status compression = CheckCompression(h, os2); !compression.ok())
        return compression.error();

    std::size_t position = offset + h.headerSize;
    if (Status masks = ReadMasks(bytes, offset, h, position); !masks.ok())
        return masks.error();
    ReadPalette(bytes, colorsUsed, h, position);
    h.endOfHeader = position;
    return h;
}

Result<TBitmap32> DecodeDibPixels(std::span<const uint8_t> bytes, const DibHeader& h, std::size_t pixelOffset) {
    const bool runLength = h.compression == kRle8 || h.compression == kRle4;
    const uint64_t stride = RowStride(h.width, h.bitCount);
    // The last row's padding is often missing; the pixels themselves must all be there. Checked
    // before allocating, so a header that lies about the size costs nothing.
    const uint64_t lastRowBytes = (uint64_t(h.width) * uint64_t(h.bitCount) + 7) / 8;
    if (!runLength && !Has(bytes, pixelOffset, stride * uint64_t(h.height - 1) + lastRowBytes))
        return BmpError("pixel data is truncated");
    // A run-length stream is read once without a surface for the same reason.
    if (runLength)
        if (Status complete = DecodeRunLength(bytes, h, pixelOffset, nullptr); !complete.ok())
            return complete.error();

    Result<TBitmap32> created = TBitmap32::Create(h.width, h.height);
    if (!created.ok())
        return BmpError("picture is too large");
    TBitmap32 bitmap = std::move(created).value();
    if (runLength) {
        if (Status status = DecodeRunLength(bytes, h, pixelOffset, &bitmap); !status.ok())
            return status.error();
        return bitmap;
    }

    const PixelFormat format(h.masks);
    for (int row = 0; row < h.height; ++row) {
        const uint8_t* s = bytes.data() + pixelOffset + std::size_t(stride) * std::size_t(row);
        std::span<TColor32> target = bitmap.Scanline(OutputRow(h, row));
        for (int x = 0; x < h.width; ++x) {
            TColor32& out = target[std::size_t(x)];
            switch (h.bitCount) {
            case 1: case 2: case 4: case 8: {
                const int bitsBefore = x * h.bitCount;
                const unsigned byte = s[bitsBefore / 8];
                const int shift = 8 - h.bitCount - bitsBefore % 8;
                out = PaletteColor(h.palette, (byte >> shift) & ((1u << h.bitCount) - 1));
                break;
            }
            case 16: out = format.Convert(uint32_t(s[2 * x]) | uint32_t(s[2 * x + 1]) << 8); break;
            case 24:
                out = kBlack | uint32_t(s[3 * x + 2]) << 16 | uint32_t(s[3 * x + 1]) << 8 | s[3 * x];
                break;
            case 32: {
                const uint8_t* p = s + 4 * x;
                out = format.Convert(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                     uint32_t(p[3]) << 24);
                break;
            }
            }
        }
    }
    return bitmap;
}

} // namespace vorlandite::raster::dib

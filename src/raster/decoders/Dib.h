#pragma once
// The device-independent bitmap inside Windows bitmap files and icons: its header (Windows
// BITMAPINFOHEADER and its V2 to V5 extensions, OS/2 1.x core and 2.x headers), colour table,
// masks and pixel data. Shared by the BMP and ICO decoders; not a public interface.
//
// Every read is bounds-checked against the bytes handed in; nothing is trusted from a header
// before it has been checked against the data that follows it.

#include "base/Result.h"
#include "raster/TBitmap32.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vorlandite::raster::dib {

// Compression values of BITMAPINFOHEADER.
enum Compression : uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitfields = 3,
    kJpeg = 4,
    kPng = 5,
    kAlphaBitfields = 6,
};

struct DibHeader {
    uint32_t headerSize = 0;
    int width = 0;
    int height = 0;         // rows, always positive
    bool topDown = false;   // a negative height in the file
    int bitCount = 0;
    uint32_t compression = kRgb;
    std::array<uint32_t, 4> masks{};   // red, green, blue, alpha; used for 16 and 32 bits
    std::vector<TColor32> palette;     // opaque colours, for 1 to 8 bits
    std::size_t paletteOffset = 0;     // where the colour table starts
    std::size_t paletteEntrySize = 4;  // 3 in OS/2 1.x core bitmaps
    std::size_t endOfHeader = 0;       // offset just past the header, masks and colour table

    // Shortens the colour table so that it ends at or before offset (a file header that says
    // the pixels start earlier than a full table would end).
    void TrimPaletteBefore(std::size_t offset);
};

// Reads the header that starts at offset. The pixel budget is checked on the declared size.
// heightDivisor is 2 for icons, whose header counts the colour rows and the mask rows.
Result<DibHeader> ReadDibHeader(std::span<const uint8_t> bytes, std::size_t offset, int heightDivisor = 1);

// Bytes in one stored row of width pixels at bitCount bits (rows are padded to 4 bytes).
uint64_t RowStride(int width, int bitCount);

// Decodes the pixels that start at pixelOffset. Palette indexes beyond the colour table show
// as opaque black; pixels a run-length stream skips show as colour 0 of the table.
Result<TBitmap32> DecodeDibPixels(std::span<const uint8_t> bytes, const DibHeader& header, std::size_t pixelOffset);

} // namespace vorlandite::raster::dib

#pragma once
// Reference pictures made in memory for the decoder tests, the decode benchmark and the fuzz
// seeds: JPEG, PNG, TIFF and GIF through their libraries' encoders, Windows bitmaps and icons
// assembled byte by byte. No picture file comes from anywhere else.

#include "raster/TBitmap32.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorlandite::testing {

using Bytes = std::vector<uint8_t>;
using raster::TBitmap32;
using raster::TColor32;

// Smooth colour ramps (red across, green down, blue diagonal): easy on lossy coders, and every
// pixel differs from its neighbours so misplaced rows or columns show.
TBitmap32 MakeGradient(int width, int height);
// Like MakeGradient with alpha falling from 255 at the left edge to 0 at the right.
TBitmap32 MakeGradientWithAlpha(int width, int height);

// --- JPEG ----------------------------------------------------------------------------------
enum class JpegColour { Rgb, Grey, Cmyk, AdobeInvertedCmyk };
struct JpegOptions {
    int quality = 90;
    bool progressive = false;
    JpegColour colour = JpegColour::Rgb;
};
Bytes WriteJpeg(const TBitmap32& picture, const JpegOptions& options = {});

// --- PNG -----------------------------------------------------------------------------------
// Rows of raw samples exactly as PNG stores them (before filtering), for any colour type and
// depth libpng writes.
struct PngRaw {
    int width = 0;
    int height = 0;
    int colourType = 6;  // PNG_COLOR_TYPE_RGB_ALPHA
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<Bytes> rows;
    std::vector<std::array<uint8_t, 3>> palette;  // PLTE
    std::vector<uint8_t> paletteAlpha;            // tRNS for palette pictures
    std::optional<std::array<uint16_t, 3>> transparentSample;  // tRNS grey (first) or RGB
};
Bytes WritePng(const PngRaw& raw);
// 8-bit RGBA (or RGB when opaque is set) from a surface.
Bytes WritePngFromBitmap(const TBitmap32& picture, bool opaque = false, bool interlaced = false);

// --- TIFF ----------------------------------------------------------------------------------
enum class TiffCompression { None, Lzw, PackBits, Deflate };
Bytes WriteTiff(const TBitmap32& picture, TiffCompression compression, bool withAlpha = false);
// A bilevel picture (true = black) coded as CCITT group 3 (1-D) or group 4 fax.
enum class FaxCoding { Group3, Group4 };
Bytes WriteFaxTiff(const std::vector<std::vector<bool>>& black, FaxCoding coding);

// --- GIF -----------------------------------------------------------------------------------
struct GifFrameRecipe {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> indexes;         // width x height in display order
    std::vector<TColor32> localPalette;   // empty: use the global one
    int disposal = 0;
    int delayCs = 0;
    int transparentIndex = -1;
    bool interlaced = false;
    bool controlBlock = true;             // write a graphics control extension
};
struct GifRecipe {
    int width = 0;
    int height = 0;
    std::vector<TColor32> globalPalette;
    int backgroundIndex = 0;
    bool netscapeLoop = false;
    int loopCount = 0;
    bool trailer = true;
    std::vector<GifFrameRecipe> frames;
};
Bytes WriteGif(const GifRecipe& recipe);

// --- Windows bitmaps and icons ---------------------------------------------------------------
struct BmpRecipe {
    uint32_t headerSize = 40;  // 12 (OS/2 core), 40, 52, 56, 64 (OS/2 2.x), 108, 124
    int width = 0;
    int height = 0;            // written negated when topDown
    bool topDown = false;
    int bitCount = 24;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    std::vector<TColor32> palette;        // written as BGRX (BGR for the core header)
    std::array<uint32_t, 4> masks{};      // bit fields: in the header from 52 bytes, else after it
    bool writeMasks = false;
    Bytes pixelData;                      // exactly as stored
    bool fileHeader = true;               // false: a packed DIB
};
Bytes WriteBmp(const BmpRecipe& recipe);

// Packs rows of pixel values (palette indexes, or 16/24/32-bit words) at bitCount bits with
// 4-byte row padding, in stored order (the first row given is stored first).
Bytes PackRows(const std::vector<std::vector<uint32_t>>& rows, int bitCount);

// An icon from complete entries: each either PNG bytes or a packed DIB (height doubled, AND
// mask after the colour rows).
struct IconEntry {
    int width = 0;   // directory fields; 256 is written as 0
    int height = 0;
    int bitCount = 0;
    Bytes data;
};
Bytes WriteIco(const std::vector<IconEntry>& entries);
// A packed 32-bit or paletted DIB icon picture with its AND mask (mask: true = transparent).
Bytes MakeDibIcon(const TBitmap32& picture, int bitCount, const std::vector<std::vector<bool>>& mask,
                  const std::vector<TColor32>& palette = {}, const std::vector<std::vector<uint8_t>>& indexes = {});

} // namespace vorlandite::testing

namespace vorlandite::testing {

// A small valid file of every format and most layouts the decoders read: the starting points
// of the corrupt-input tests and the fuzzers' seed corpora.
struct SamplePicture {
    std::string name;       // unique, usable as a file name
    std::string extension;  // without the dot
    Bytes bytes;
};
std::vector<SamplePicture> MakeSamplePictures();

} // namespace vorlandite::testing

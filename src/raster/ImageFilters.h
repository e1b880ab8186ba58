#pragma once
// The picture filters of an item record, and colour-keyed transparency.

#include "raster/TBitmap32.h"

#include <cstdint>

namespace vorlandite::raster {

enum ImageFilterBits : uint32_t {
    kFilterMirror = 1,  // left to right
    kFilterFlip = 2,    // top to bottom
    kFilterGrey = 4,
};

// The grey value of a pixel: 0.3 * blue + 0.6 * green + 0.1 * red of the stored bytes (blue
// weighted most, red least: the order in which the item's pictures were authored), rounded to
// nearest with exact halves to even.
uint8_t GreyValue(TColor32 pixel);

// Mirror, then flip, then grey, by the bits given; other bits are ignored. Grey keeps alpha.
void ApplyImageFilter(TBitmap32& surface, uint32_t bits);

// Every pixel equal to key in all 32 bits becomes the background colour (a 0x00BBGGRR value,
// system colours resolved) with alpha 0, so that bilinear scaling fades the picture's edges
// towards the background rather than towards black.
void MakeColorTransparent(TBitmap32& surface, TColor32 key, uint32_t backgroundColour);

} // namespace vorlandite::raster

#pragma once
// Windows and OS/2 bitmaps (bmp, dib, rle): 1, 2, 4, 8, 16, 24 and 32 bits per pixel, bit-field
// masks, RLE4 and RLE8, bottom-up and top-down rows. Files without the 14-byte file header
// (packed bitmaps, as some .dib files are) are read too.

#include "raster/decoders/ImageDecoder.h"

namespace vorlandite::raster {

bool SniffBmp(std::span<const uint8_t> bytes);
Result<DecoderPtr> CreateBmpDecoder(std::span<const uint8_t> bytes);

} // namespace vorlandite::raster

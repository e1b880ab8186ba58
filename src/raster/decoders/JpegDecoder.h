#pragma once
// JPEG pictures (baseline and progressive; colour, grey and CMYK) through the libjpeg API.

#include "raster/decoders/ImageDecoder.h"

namespace vorlandite::raster {

bool SniffJpeg(std::span<const uint8_t> bytes);
Result<DecoderPtr> CreateJpegDecoder(std::span<const uint8_t> bytes);

// The DCT scale 1/n (n = 1, 2, 4 or 8) a picture of width x height is decoded at for a size
// hint: the smallest scale whose output still covers the hint's size on both sides, made smaller
// still (down to 1/8) while the output holds more than hint.maxPixels.
int JpegScaleDenominator(int width, int height, SizeHint hint);

// The pixels of a width x height JPEG decoded at scale 1/denominator.
int64_t JpegScaledPixels(int width, int height, int denominator);

} // namespace vorlandite::raster

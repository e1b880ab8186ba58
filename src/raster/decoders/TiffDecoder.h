#pragma once
// TIFF pictures (first page) through libtiff's RGBA interface: any compression libtiff knows
// (LZW, PackBits, Deflate, JPEG, CCITT fax groups 3 and 4), any orientation.

#include "raster/decoders/ImageDecoder.h"

namespace vorlandite::raster {

bool SniffTiff(std::span<const uint8_t> bytes);
Result<DecoderPtr> CreateTiffDecoder(std::span<const uint8_t> bytes);

} // namespace vorlandite::raster

#pragma once
// Windows icons (ico; cursors too): the best picture of the file, that is the largest, then
// the deepest, as a bitmap with its AND mask or as embedded PNG.

#include "raster/decoders/ImageDecoder.h"

namespace vorlandite::raster {

bool SniffIco(std::span<const uint8_t> bytes);
Result<DecoderPtr> CreateIcoDecoder(std::span<const uint8_t> bytes);

} // namespace vorlandite::raster

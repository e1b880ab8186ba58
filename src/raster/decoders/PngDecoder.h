#pragma once
// PNG pictures through libpng: every colour type and bit depth, palette transparency (tRNS),
// interlacing. No gamma correction: samples are shown as stored.

#include "raster/decoders/ImageDecoder.h"

namespace vorlandite::raster {

bool SniffPng(std::span<const uint8_t> bytes);
Result<DecoderPtr> CreatePngDecoder(std::span<const uint8_t> bytes);

} // namespace vorlandite::raster

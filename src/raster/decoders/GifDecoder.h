#pragma once
// GIF files through giflib, read from memory: every frame with its position, disposal method,
// transparent colour and delay, local colour tables, interlacing and the looping extension.

#include "raster/decoders/GifImage.h"
#include "raster/decoders/ImageDecoder.h"

namespace vorlandite::raster {

bool SniffGif(std::span<const uint8_t> bytes);

// The whole animation, for the slideshow's GIF items.
Result<GifImage> DecodeGif(std::span<const uint8_t> bytes);

// Frames composed with real transparency (GifAnimator::Canvas), each with its delay. The
// decoder holds the decoded GIF; it does not keep the bytes.
Result<DecoderPtr> CreateGifDecoder(std::span<const uint8_t> bytes);

} // namespace vorlandite::raster

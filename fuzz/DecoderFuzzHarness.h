#pragma once
// What every picture-decoder fuzzer does with its bytes: create the decoder, and when the
// declared size is modest, decode every frame (a few at most) at full size and with a small
// size hint. Nothing may crash, hang, read outside the bytes or allocate from an unchecked size.
//
// Pictures within the budget but larger than kMaxFuzzPixels are only created, not decoded:
// decoding them is legitimate but would spend the fuzzer's memory limit instead of its time.

#include "raster/decoders/ImageDecoder.h"

#include <cstddef>
#include <cstdint>

namespace vorlandite::fuzz {

inline constexpr int64_t kMaxFuzzPixels = int64_t(1) << 22;

inline void DecodeAllFrames(Result<raster::DecoderPtr> (*create)(std::span<const uint8_t>),
                            const uint8_t* data, std::size_t size) {
    auto decoder = create(std::span<const uint8_t>(data, size));
    if (!decoder.ok())
        return;
    raster::ImageDecoder& d = **decoder;
    if (int64_t(d.Width()) * d.Height() > kMaxFuzzPixels)
        return;
    const int frames = d.FrameCount() < 8 ? d.FrameCount() : 8;
    for (int i = 0; i < frames; ++i) {
        (void)d.Frame(i);
        (void)d.Frame(i, {d.Width() / 5 + 1, d.Height() / 5 + 1});
    }
}

} // namespace vorlandite::fuzz

#pragma once
// What every picture-decoder fuzzer does with its bytes: create the decoder, and when the
// declared size is modest, decode every frame (a few at most) at full size and with a small
// size hint. Nothing may crash, hang, read outside the bytes or allocate from an unchecked size.
//
// Pictures within the budget but larger than kMaxFuzzPixels are only created, not decoded:
// decoding them is legitimate but would spend the fuzzer's memory limit instead of its time.
//
// Each fuzzer's whole body is a function here (FuzzBmp ... FuzzTiff), so that the unit tests
// replay the inputs that once found faults (tests/regressions/<format>/) without libFuzzer.

#include "raster/decoders/BmpDecoder.h"
#include "raster/decoders/GifDecoder.h"
#include "raster/decoders/IcoDecoder.h"
#include "raster/decoders/ImageDecoder.h"
#include "raster/decoders/JpegDecoder.h"
#include "raster/decoders/PngDecoder.h"
#include "raster/decoders/TiffDecoder.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

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

inline void FuzzBmp(std::span<const uint8_t> b) { DecodeAllFrames(raster::CreateBmpDecoder, b.data(), b.size()); }
inline void FuzzIco(std::span<const uint8_t> b) { DecodeAllFrames(raster::CreateIcoDecoder, b.data(), b.size()); }
inline void FuzzJpeg(std::span<const uint8_t> b) { DecodeAllFrames(raster::CreateJpegDecoder, b.data(), b.size()); }
inline void FuzzPng(std::span<const uint8_t> b) { DecodeAllFrames(raster::CreatePngDecoder, b.data(), b.size()); }
inline void FuzzTiff(std::span<const uint8_t> b) { DecodeAllFrames(raster::CreateTiffDecoder, b.data(), b.size()); }

// The GIF decoder and the frame composer: every frame composed in order, then a jump back, and
// the opaque key-coloured reading of each.
inline void FuzzGif(std::span<const uint8_t> bytes) {
    auto image = raster::DecodeGif(bytes);
    if (!image.ok() || int64_t(image->width) * image->height > kMaxFuzzPixels)
        return;
    raster::GifAnimator animator(std::make_shared<const raster::GifImage>(std::move(image).value()));
    const int frames = animator.FrameCount() < 16 ? animator.FrameCount() : 16;
    for (int i = 0; i < frames; ++i)
        if (animator.ComposeFrame(i).ok())
            (void)animator.OpaqueFrame();
    (void)animator.ComposeFrame(frames / 2);
}

} // namespace vorlandite::fuzz

#include "raster/BitmapFade.h"

#include "raster/BitmapBlend.h"
#include "raster/HotClones.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// A fade frame is bound by memory traffic, not arithmetic: it is composed in one pass straight
// from the two pictures (a copy of the back picture followed by a blend in place costs half as
// much again), and a frame of several megabytes is written with streaming stores, which spare
// reading every target line before it is overwritten; such a frame does not stay in the cache
// anyway. This file is compiled with -O3 like the other row kernels.

namespace vorlandite::raster {

namespace {

// Frames from this size on are streamed (a full-HD frame is 8 MB).
constexpr std::size_t kStreamingBytes = std::size_t(4) << 20;

// Sixteen 16-bit lanes and eight pixels: one 32-byte register each.
typedef uint16_t TChannelLanes __attribute__((vector_size(32)));
typedef uint32_t TPixelLanes __attribute__((vector_size(32)));

// One row. Each channel is Div255(f * m + b * (255 - m)), two channels per 32-bit pixel word in
// 16-bit lanes: the sums stay below 65536, and (t + (t >> 8)) >> 8 is Div255's exact division.
VORLANDITE_HOT_CLONES
void BlendOpaqueRow(const TColor32* __restrict front, const TColor32* __restrict back, TColor32* __restrict out,
                    std::size_t count, uint8_t master, bool streaming) {
    const auto blendOne = [&](std::size_t i) {
        out[i] = BlendPixelBy(front[i] | 0xFF000000u, back ? back[i] : 0, master);
    };
    std::size_t i = 0;
#if defined(__SSE2__)
    // Streaming stores need 16-byte aligned targets.
    if (streaming)
        for (; i < count && (reinterpret_cast<std::uintptr_t>(out + i) & 15) != 0; ++i)
            blendOne(i);
#else
    streaming = false;
#endif
    const TChannelLanes m = TChannelLanes{} + uint16_t(master);
    const TChannelLanes inverse = TChannelLanes{} + uint16_t(255 - master);
    const TChannelLanes half = TChannelLanes{} + uint16_t(128);
    const TPixelLanes pairs = TPixelLanes{} + 0x00FF00FFu;
    const TPixelLanes opaque = TPixelLanes{} + 0xFF000000u;
    for (; i + 8 <= count; i += 8) {
        TPixelLanes f, b = TPixelLanes{};
        std::memcpy(&f, front + i, sizeof f);
        if (back)
            std::memcpy(&b, back + i, sizeof b);
        f |= opaque;
        TChannelLanes blueRed = TChannelLanes(f & pairs) * m + TChannelLanes(b & pairs) * inverse + half;
        TChannelLanes greenAlpha =
            TChannelLanes((f >> 8) & pairs) * m + TChannelLanes((b >> 8) & pairs) * inverse + half;
        blueRed = (blueRed + (blueRed >> 8)) >> 8;
        greenAlpha = (greenAlpha + (greenAlpha >> 8)) >> 8;
        const TPixelLanes result = TPixelLanes(blueRed | (greenAlpha << 8));
#if defined(__SSE2__)
        if (streaming) {
            __m128i halves[2];
            std::memcpy(halves, &result, sizeof halves);
            _mm_stream_si128(reinterpret_cast<__m128i*>(out + i), halves[0]);
            _mm_stream_si128(reinterpret_cast<__m128i*>(out + i + 4), halves[1]);
            continue;
        }
#endif
        std::memcpy(out + i, &result, sizeof result);
    }
    for (; i < count; ++i)
        blendOne(i);
}

} // namespace

void BlendOpaqueFrame(TBitmap32& target, const TBitmap32& front, const TBitmap32* back, uint8_t master) {
    int width = std::min(target.Width(), front.Width());
    int height = std::min(target.Height(), front.Height());
    if (back) {
        width = std::min(width, back->Width());
        height = std::min(height, back->Height());
    }
    if (width <= 0 || height <= 0)
        return;
    const std::size_t count = std::size_t(width);
    const bool streaming = count * std::size_t(height) * sizeof(TColor32) >= kStreamingBytes;
    for (int y = 0; y < height; ++y)
        BlendOpaqueRow(front.Scanline(y).data(), back ? back->Scanline(y).data() : nullptr,
                       target.Scanline(y).data(), count, master, streaming);
#if defined(__SSE2__)
    // The streamed frame must be complete before anybody else reads it.
    if (streaming)
        _mm_sfence();
#endif
}

} // namespace vorlandite::raster

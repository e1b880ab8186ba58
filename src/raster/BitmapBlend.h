#pragma once
// Row kernels of the surface operations. They are the hot loops of every frame a transition
// draws, so they work on plain pixel runs, are compiled for vectorisation and, on x86-64, also
// in an AVX2 variant chosen at load time.
//
// Blending is source-over without premultiplication on all four channels, alpha included:
// each channel becomes F * a + B * (1 - a), a = alpha of F / 255, rounded to nearest in 8-bit
// fixed point. A fully opaque F replaces B exactly, a fully transparent F leaves B exactly.

#include "raster/TBitmap32.h"

#include <cstddef>
#include <cstdint>

namespace vorlandite::raster {

// x / 255 rounded to nearest, exact for 0 <= x <= 65025.
constexpr uint32_t Div255(uint32_t x) {
    const uint32_t t = x + 128;
    return (t + (t >> 8)) >> 8;
}

// One pixel blended by an explicit alpha a (0 to 255), by the same arithmetic as the row kernels.
constexpr TColor32 BlendPixelBy(TColor32 front, TColor32 back, uint32_t a) {
    TColor32 result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t f = (front >> shift) & 0xFF;
        const uint32_t b = (back >> shift) & 0xFF;
        result |= Div255(f * a + b * (255 - a)) << shift;
    }
    return result;
}

constexpr TColor32 BlendPixel(TColor32 front, TColor32 back) { return BlendPixelBy(front, back, front >> 24); }

// The effective alpha of a pixel drawn with a master alpha: (alpha / 255) * (master / 255).
constexpr uint32_t CombineAlpha(uint32_t alpha, uint32_t master) { return Div255(alpha * master); }

constexpr TColor32 BlendPixelMaster(TColor32 front, TColor32 back, uint8_t master) {
    return BlendPixelBy(front, back, CombineAlpha(front >> 24, master));
}

// dst[i] := BlendPixel(src[i], dst[i]). src and dst must not overlap.
void BlendRow(const TColor32* src, TColor32* dst, std::size_t count);
// dst[i] := BlendPixelMaster(src[i], dst[i], master). src and dst must not overlap.
void BlendRowMaster(const TColor32* src, TColor32* dst, std::size_t count, uint8_t master);
// dst[i] := colour.
void FillRow(TColor32* dst, std::size_t count, TColor32 colour);
// dst[i] |= 0xFF000000.
void OpaqueRow(TColor32* dst, std::size_t count);

} // namespace vorlandite::raster

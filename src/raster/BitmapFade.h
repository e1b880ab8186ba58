#pragma once
// Whole-frame blends by one master alpha, the frames of a crossfade or a fade through black.

#include "raster/TBitmap32.h"

#include <cstdint>

namespace vorlandite::raster {

// target := front, read as if every pixel's alpha were 255, blended by `master` over back, or over
// transparent black when back is null: per pixel BlendPixelBy(front | 0xFF000000, back, master),
// the arithmetic of the row kernels. Only the part that all the surfaces share is drawn.
void BlendOpaqueFrame(TBitmap32& target, const TBitmap32& front, const TBitmap32* back, uint8_t master);

} // namespace vorlandite::raster

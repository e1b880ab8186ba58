#pragma once
// Colour values of the payload and settings are 0x00BBGGRR; a value whose top byte is 0x80 names
// a system colour by its low byte; 0x1FFFFFFF means "no colour". Surfaces use TColor32.

#include "raster/TBitmap32.h"

#include <cstdint>

namespace vorlandite::raster {

inline constexpr uint32_t kNoColour = 0x1FFFFFFFu;

// The fixed table that stands in for the desktop's system colours (index = low byte of a system
// colour value), as 0x00BBGGRR. Indices beyond the table resolve to black.
uint32_t SystemColour(int index);

// System colours resolved; then 0xFF000000 | red << 16 | green << 8 | blue with red, green and
// blue the low, middle and high byte. The top byte of an ordinary value is ignored, so
// kNoColour converts to opaque white.
TColor32 ToColor32(uint32_t colour);

} // namespace vorlandite::raster

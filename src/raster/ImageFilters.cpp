#include "raster/ImageFilters.h"

#include "raster/ColorConversion.h"

namespace vorlandite::raster {

uint8_t GreyValue(TColor32 pixel) {
    const uint32_t blue = pixel & 0xFF;
    const uint32_t green = (pixel >> 8) & 0xFF;
    const uint32_t red = (pixel >> 16) & 0xFF;
    // Ten times the weighted sum, exactly; then divide by ten rounding halves to even.
    const uint32_t tenfold = 3 * blue + 6 * green + red;
    uint32_t value = tenfold / 10;
    const uint32_t remainder = tenfold % 10;
    if (remainder > 5 || (remainder == 5 && (value & 1) != 0))
        ++value;
    return uint8_t(value);
}

void ApplyImageFilter(TBitmap32& surface, uint32_t bits) {
    if (bits & kFilterMirror)
        surface.Mirror();
    if (bits & kFilterFlip)
        surface.Flip();
    if (bits & kFilterGrey) {
        for (TColor32& pixel : surface.Pixels()) {
            const uint32_t v = GreyValue(pixel);
            pixel = (pixel & 0xFF000000u) | v << 16 | v << 8 | v;
        }
    }
}

void MakeColorTransparent(TBitmap32& surface, TColor32 key, uint32_t backgroundColour) {
    const TColor32 replacement = ToColor32(backgroundColour) & 0x00FFFFFFu;
    for (TColor32& pixel : surface.Pixels())
        if (pixel == key)
            pixel = replacement;
}

} // namespace vorlandite::raster

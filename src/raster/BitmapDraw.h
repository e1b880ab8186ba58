#pragma once
// Drawing one surface onto another, with explicit options (the TBitmap32::DrawTo members use the
// source surface's own drawing properties). Everything is clipped to both surfaces; a source
// that is the target itself is read from a copy.

#include "raster/Geometry.h"
#include "raster/TBitmap32.h"

#include <cstdint>

namespace vorlandite::raster {

struct DrawOptions {
    DrawMode mode = DrawMode::Opaque;
    uint8_t masterAlpha = 255;  // used in Blend mode only
    StretchFilter filter = StretchFilter::Nearest;
    // Read the source as if every pixel's alpha were 255 (the source itself is not changed).
    bool sourceOpaque = false;
};

// The whole source with its top-left corner at (x, y) of the target.
void DrawBitmap(TBitmap32& target, int x, int y, const TBitmap32& source, const DrawOptions& options);

// The source rectangle stretched into the destination rectangle. Empty or inverted rectangles
// draw nothing. Each destination pixel samples the source at its centre; pixels whose sample
// falls outside the source surface are left alone, and bilinear neighbours beyond the source
// rectangle or surface repeat its edge pixels. Equal sizes copy pixels 1:1 under both filters.
void StretchBitmap(TBitmap32& target, const Rect& destination, const TBitmap32& source, const Rect& sourceRect,
                   const DrawOptions& options);

// Copies the rectangle from the source to the same place of the target, pixels and alpha as they
// are, clipped to both surfaces (inverted rectangles copy nothing). The presenters' and the
// effects' plain copy: no drawing properties apply.
void CopyRect(TBitmap32& target, const TBitmap32& source, const Rect& rect);
// The source rectangle onto the destination rectangle, opaquely, replicating pixels when the
// sizes differ (StretchBitmap with default options: a surface left in blending mode by a fade
// does not change a copy).
void CopyRect(TBitmap32& target, const Rect& destination, const TBitmap32& source, const Rect& sourceRect);

// Applies the draw mode to one run of ready source pixels (copy, blend or blend with master).
void ComposeRow(const TColor32* src, TColor32* dst, std::size_t count, const DrawOptions& options);

} // namespace vorlandite::raster

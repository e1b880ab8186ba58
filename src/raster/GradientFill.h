#pragma once
// The two-colour gradient painted behind every item. Eight styles, each a sequence of solid
// colour bands painted in order, later bands over earlier ones; band edges and colours follow
// exact integer arithmetic (MulDiv with halves away from zero), so a background is reproducible
// pixel for pixel.

#include "raster/Geometry.h"
#include "raster/TBitmap32.h"

#include <cstdint>

namespace vorlandite::raster {

enum class GradientStyle : int {
    Vertical = 1,            // 256 horizontal bands, start colour at the top
    Horizontal = 2,          // 256 vertical bands, start colour at the left
    Elliptic = 3,            // 156 nested ellipses, start colour outside
    Rectangular = 4,         // 256 nested rectangles, start colour at the border
    MirroredVertical = 5,    // start colour at top and bottom, end colour in the middle row
    MirroredHorizontal = 6,  // start colour at left and right, end colour in the middle column
    Pinwheel = 7,            // four fans of thin triangles around the centre
    DoubleDiagonal = 8,      // start colour in two corners, end colour along the other diagonal
};

// Colour of band i of D + 1 bands, from start (i = 0) to end (i = D); colours are 0x00BBGGRR,
// the result is an opaque TColor32.
TColor32 GradientBandColour(int i, int d, uint32_t startColour, uint32_t endColour);

// Box of ellipse i (0 to 155) of the elliptic style for a width x height area: the start box
// (-W/4, -H/4, W + W/4 + 4, H + H/4 + 4) moved inwards i + 1 times by (W/2 + W/4) / 155 and
// (H/2 + H/4) / 155 per side, in real numbers, then truncated.
Rect GradientEllipseBox(int i, int width, int height);

// Paints (0, 0)-(rect.right, rect.bottom) of the canvas (clipped to it) with the gradient of the
// given style (1 to 8) from startColour to endColour (0x00BBGGRR; the top byte is ignored, no
// system colours). rect.left and rect.top are not used. Pixels that no band covers are white;
// an unknown style leaves the whole area white.
void GradientFill(TBitmap32& canvas, int style, uint32_t startColour, uint32_t endColour, const Rect& rect);

} // namespace vorlandite::raster

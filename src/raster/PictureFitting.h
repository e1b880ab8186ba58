#pragma once
// Placing pictures on frames: fitting a picture into an area with its aspect ratio, drawing it
// scaled into a rectangle through an optional mask, and the background picture drawn tiled,
// fitted or centred.

#include "raster/Geometry.h"
#include "raster/TBitmap32.h"

namespace vorlandite::raster {

// The largest rectangle of aspect ratio w : h inside W x H, centred. Any size 0 gives
// (0, 0, W, H). Sizes are rounded to nearest, halves to even.
Rect FitRect(int areaWidth, int areaHeight, int width, int height);

// Draws the source scaled (bilinear) into rectangle r of the target through an optional mask
// (its blue channel becomes the picture's opacity, scaled into the same rectangle). Unless
// opaque, transparent source pixels stay transparent; with opaque, the source itself is made
// fully opaque first (its alpha is reset in place). The mask may be null.
void StretchPictureOnto(TBitmap32& source, TBitmap32& target, const Rect& r, const TBitmap32* mask, bool opaque);

// Replaces every pixel's alpha with the blue channel of the mask scaled (bilinear) to the
// surface's size. A null mask does nothing.
void ApplyMaskAlpha(TBitmap32& surface, const TBitmap32* mask);

enum class BackgroundMode : int { Tiled = 0, Fitted = 1, Centred = 2 };

// Draws the picture over the width x height area of the canvas: tiled (mode 0), fitted
// (mode 1) or centred (any other mode; fitted when larger than the area). Unscaled drawing
// honours the picture's own alpha; fitted drawing makes the picture opaque (the caller's
// picture is not changed).
void DrawBackgroundPicture(TBitmap32& canvas, int width, int height, int mode, const TBitmap32& picture);

} // namespace vorlandite::raster

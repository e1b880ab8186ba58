#pragma once
// Moving pixels between surfaces and Qt images. TColor32 has the layout of Format_ARGB32, so a
// surface can be wrapped without a copy.

#include "base/Result.h"
#include "raster/TBitmap32.h"

#include <QImage>

class QPainter;
class QRect;

namespace vorlandite::raster {

// A read-only QImage on the surface's own pixels (valid while the surface keeps its size).
QImage WrapConst(const TBitmap32& bitmap);

// A surface holding the image's pixels: alpha 255 unless the image itself carries alpha.
Result<TBitmap32> FromQImage(const QImage& image);

// A deep copy of the surface as a Format_ARGB32 image.
QImage ToQImage(const TBitmap32& bitmap);

// Paints the surface at the painter's origin as opaque RGB (its alpha means nothing on a screen)
// and fills the rest of `area` black: what a show window paints, with no background drawn first.
void PaintOpaque(QPainter& painter, const QRect& area, const TBitmap32& bitmap);

} // namespace vorlandite::raster

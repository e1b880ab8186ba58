#pragma once
// The shapes of the ellipse effects 71 to 76, apart from their frame loop so that the geometry
// of each frame can be checked on its own.

#include "raster/Geometry.h"
#include "raster/Region.h"

namespace vorlandite::transitions {

// One frame of an ellipse effect: the rounded rectangle it paints through (if any) and whether
// the effect ends after this frame.
struct EllipseFrame {
    bool hasShape = false;
    raster::Rect rect;  // as computed: may be inverted, which names the same rectangle
    int cornerWidth = 0;
    int cornerHeight = 0;
    bool done = false;
};

// Frame i (from 0) of ellipse effect subIndex (1 to 6) on a W x H picture in N steps. Other
// sub-indexes have no shape and are done at once.
EllipseFrame EllipseFrameAt(int subIndex, int width, int height, int steps, int i);

// The pixels frame i paints with the new picture: the frame's shape limited to the picture
// (effect 75 counts one row more), or for "Ellipse In" the picture outside the shape. Empty when
// the frame has no shape.
raster::Region EllipseFrameRegion(int subIndex, int width, int height, int steps, int i);

} // namespace vorlandite::transitions

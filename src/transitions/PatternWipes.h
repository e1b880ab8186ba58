#pragma once
// The geometry of the pattern wipes, kept apart from their frame loops (RunTriangleFamily and
// RunRandomPiecesFamily in Families.h) so that single frames can be checked.

#include "raster/Geometry.h"

#include <vector>

namespace vorlandite {
class IRandomSource;
}

namespace vorlandite::transitions {

// A filled triangle; its corners may lie outside the picture, and a flat one covers nothing.
struct Triangle {
    raster::Point A, B, c;
    friend bool operator==(const Triangle&, const Triangle&) = default;
};

// Replaces `out` by the triangles whose union frame `frame` (0 for the first) of triangle wipe
// `subIndex` (1 to 19, effects 77 to 95) paints on a width x height picture in `steps` steps.
// For "Triangles" (sub-index 11) `frame` is the counter after its jump to steps + 1.
void TriangleWipeShapes(int subIndex, int frame, int width, int height, int steps, std::vector<Triangle>& out);

// Exchanges the element at each position, first to last, with the element at a uniformly random
// position of the whole list.
void ShufflePieces(std::vector<raster::Point>& pieces, IRandomSource& random);

} // namespace vorlandite::transitions

#pragma once
// The box placement shared by the logo and the captions: a position code picks an edge or the
// centre of the target, and two margins move the box inward from that edge.
//
//   code 0, 1, 2: top-left, top-right, top-centre
//   code 3, 4, 5: bottom-left, bottom-right, bottom-centre
//   any other   : centred both ways (the margins are simply added)

#include "raster/Geometry.h"

namespace vorlandite::slideshow {

struct OverlayPosition {
    int code = 0;
    int marginX = 0;
    int marginY = 0;
};

// Top-left corner of a boxWidth x boxHeight box on a targetWidth x targetHeight target.
// Halving truncates toward zero, so a box wider than the target sticks out further on the
// right. Coordinates that would leave the int range (hostile margins) are clamped.
raster::Point PositionBox(const OverlayPosition& position, int boxWidth, int boxHeight, int targetWidth,
                          int targetHeight);

} // namespace vorlandite::slideshow

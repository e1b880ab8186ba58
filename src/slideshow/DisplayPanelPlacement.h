#pragma once
// `PlaceDisplayPanel` as a computation: where the panel that shows a video or a Flash movie
// goes on the screen, given the movie's natural size. The panel is a child of the main window
// and is clipped by it, so a rectangle that reaches past the screen is fine.

#include "raster/Geometry.h"
#include "base/RandomSource.h"

namespace vorlandite::slideshow {

// The panel's rectangle (left, top, left + width, top + height) for a movie whose natural
// display rectangle is source, on a screenWidth x screenHeight screen, by size-and-position mode.
// The sizes come out one pixel larger than the movie in the unscaled and fitted modes: the
// player's display rectangle counts its right and bottom edges in, and stored shows were framed
// with that. Random offsets are drawn top before left when the movie fits, left before top when
// it is fitted; an offset with no room is 0.
raster::Rect DisplayPanelRect(int mode, const raster::Rect& source, int screenWidth, int screenHeight,
                              IRandomSource& random);

} // namespace vorlandite::slideshow

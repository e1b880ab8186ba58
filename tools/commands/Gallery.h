#pragma once
// `vorlandite gallery --out DIR [--size WxH] [--steps N]`: runs every transition effect, 1 to
// 120, between two built-in sample pictures and writes each as the looping animated GIF
// DIR/effect-NNN.gif, plus DIR/index.html that shows them all with their numbers and names, so
// that an author can choose effects by looking at them.

#include "raster/TBitmap32.h"

#include <ostream>
#include <span>
#include <string>

namespace vorlandite::tools {

// `args` holds the arguments after the command's name.
int RunGallery(std::span<const std::string> args, std::ostream& out, std::ostream& err);

// The two sample pictures the gallery changes between (width and height at least 1): a blue
// vertical gradient with a yellow disc and "OLD", and a red elliptic gradient with a green
// triangle and "NEW".
raster::TBitmap32 GalleryOldPicture(int width, int height);
raster::TBitmap32 GalleryNewPicture(int width, int height);

} // namespace vorlandite::tools

#pragma once
// Writing a surface as an 8-bit RGB PNG file (alpha dropped), for the commands that render
// pictures.

#include "base/Result.h"
#include "raster/TBitmap32.h"

#include <string>

namespace vorlandite::tools {

enum class PngChannels { Rgb, Rgba };

// Writes the surface to path, with or without its alpha channel; a failed write removes the
// partial file.
Status WritePng(const raster::TBitmap32& bitmap, const std::string& path, PngChannels channels);

} // namespace vorlandite::tools

#pragma once
// `vorlandite decode IN -o OUT.png [--frame I]`: decodes a picture by its extension with the
// engine's own decoders and writes it as a PNG with alpha, so what the engine would show can be
// looked at.

#include "base/Result.h"
#include "raster/TBitmap32.h"

#include <filesystem>
#include <ostream>
#include <span>
#include <string>

namespace vorlandite::tools {

int RunDecode(std::span<const std::string> args, std::ostream& out, std::ostream& err);

} // namespace vorlandite::tools

#pragma once
// `vorlandite render-background --style S --from C1 --to C2 --size WxH -o OUT.png`: one of the
// eight gradient backgrounds, painted exactly as the engine paints it, as an RGB PNG.

#include <ostream>
#include <span>
#include <string>

namespace vorlandite::tools {

// `args` holds the arguments after the command's name.
int RunRenderBackground(std::span<const std::string> args, std::ostream& out, std::ostream& err);

} // namespace vorlandite::tools

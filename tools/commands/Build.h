#pragma once
// `vorlandite build MANIFEST.json -o OUT [--engine PATH]`: makes a screensaver, a copy of the
// engine with the payload that the manifest describes appended to it.

#include <ostream>
#include <span>
#include <string>

namespace vorlandite::tools {

int RunBuild(std::span<const std::string> args, std::ostream& out, std::ostream& err);

} // namespace vorlandite::tools

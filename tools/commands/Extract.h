#pragma once
// `vorlandite extract FILE DIR`: writes every item and picture of a screensaver file into DIR,
// byte for byte what the engine's own extraction produces.

#include <ostream>
#include <span>
#include <string>

namespace vorlandite::tools {

int RunExtract(std::span<const std::string> args, std::ostream& out, std::ostream& err);

} // namespace vorlandite::tools

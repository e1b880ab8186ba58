#pragma once
// `vorlandite port FILE -o NEW`: a screensaver for this engine made from any file that carries a
// payload (one built by an older engine, or for Windows with the same layout): this engine
// followed by FILE's payload, byte for byte.

#include <filesystem>
#include <ostream>
#include <span>
#include <string>

namespace vorlandite::tools {

int RunPort(std::span<const std::string> args, std::ostream& out, std::ostream& err);

// vorlandite-engine in the folder of the running program (the build tree and an installed
// layout both keep the two side by side).
std::filesystem::path EngineBesideThisProgram();

} // namespace vorlandite::tools

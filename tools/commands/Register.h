#pragma once
// `vorlandite register FILE [--name NAME]` and `vorlandite unregister FILE`: make a screensaver
// file available to the desktop's screensaver settings (xscreensaver's programs list, MATE's
// screensaver entries) and take it back; register also prints how to start it from a bare
// window manager's session (xss-lock, xautolock, xsecurelock).

#include <ostream>
#include <span>
#include <string>

namespace vorlandite::tools {

int RunRegister(std::span<const std::string> args, std::ostream& out, std::ostream& err);
int RunUnregister(std::span<const std::string> args, std::ostream& out, std::ostream& err);

} // namespace vorlandite::tools

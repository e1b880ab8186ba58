#pragma once
// `vorlandite record SCREENSAVER --size WxH --seconds T --out DIR [--seed S] [--monitors 1|2]
// [--frames] [--contact-sheet FILE]`: runs the show of a screensaver file without a screen, on
// virtual time, with the user's stored settings as the show itself reads them, and writes what
// happened as DIR/events.jsonl (and, with --frames, the screen after each item has come in).

#include <ostream>
#include <span>
#include <string>

namespace vorlandite::tools {

// `args` holds the arguments after the command's name.
int RunRecord(std::span<const std::string> args, std::ostream& out, std::ostream& err);

} // namespace vorlandite::tools

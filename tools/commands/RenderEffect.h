#pragma once
// `vorlandite render-effect --effect E --steps N --from OLD.png --to NEW.png --out DIR [--seed S]`:
// runs one transition effect from one picture to another through the engine and its worker
// thread, on a virtual clock (no waiting), and writes the target after every frame as
// DIR/frame-0000.png, frame-0001.png, ... and after the closing copy as DIR/final.png. Prints
// {"effect": E, "frames": COUNT} with the effect that ran.

#include <ostream>
#include <span>
#include <string>

namespace vorlandite::tools {

// `args` holds the arguments after the command's name.
int RunRenderEffect(std::span<const std::string> args, std::ostream& out, std::ostream& err);

} // namespace vorlandite::tools

#pragma once
// `vorlandite inspect FILE [--json]`: what a screensaver file carries, read the way the engine
// reads it.

#include "base/Result.h"
#include "payload/ContainerReader.h"

#include <ostream>
#include <span>
#include <string>

namespace vorlandite::tools {

int RunInspect(std::span<const std::string> args, std::ostream& out, std::ostream& err);

// Header, strings and the four record tables of the file at `path`.
Result<payload::Payload> ReadPayloadFile(const std::string& path);

// The readable form: title, counts, sections, then one line per item.
std::string PayloadSummary(const payload::Payload& payload);

} // namespace vorlandite::tools

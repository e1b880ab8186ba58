#pragma once
// `vorlandite play FILE [ENGINE ARGUMENTS...]`: this engine run on the payload of FILE, as if
// the engine were FILE: the show, its settings (under the payload's title) and the ".EXE" rule of
// FILE's name. The engine learns the file from $VORLANDITE_PAYLOAD_FILE and replaces this process,
// so signals reach it directly and the exit status is its own.

#include "base/Result.h"

#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace vorlandite::tools {

int RunPlay(std::span<const std::string> args, std::ostream& out, std::ostream& err);

// The environment variable the engine reads its payload's file from.
inline constexpr char kPayloadFileVariable[] = "VORLANDITE_PAYLOAD_FILE";

// What `play` starts: the engine, its arguments (argv[0] first) and the absolute path of the file
// whose payload it shows.
struct PlayLaunch {
    std::string engine;
    std::vector<std::string> argv;
    std::string payloadFile;
};

// Checks FILE's payload as the engine would read it (the reader's reason when it cannot be read)
// and works out the launch; `args` as given to `play`.
Result<PlayLaunch> PreparePlay(std::span<const std::string> args, const std::string& engine);

} // namespace vorlandite::tools

#pragma once
// Runs a program to completion or a deadline, for tests of whole executables.

#include <string>
#include <vector>

namespace vorlandite::testing {

struct ProcessResult {
    bool timedOut = false;
    int exitCode = -1;   // when it exited normally
    int signal = 0;      // when a signal ended it (a deadline kill included)
    std::string out;
    std::string err;
};

// `environment` entries ("NAME=value") are added to the current environment.
ProcessResult RunProcess(const std::vector<std::string>& argv, double timeoutSeconds,
                         const std::vector<std::string>& environment = {});

} // namespace vorlandite::testing

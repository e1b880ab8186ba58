#pragma once
// Helpers for the CLI tests: a scratch folder, whole-file reads and writes, and running a
// command in-process with its output captured.

#include "CommandLine.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vorlandite::tools::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& path, std::string_view bytes);
std::string ReadFile(const std::filesystem::path& path);

// Names of the entries of a folder, sorted.
std::vector<std::string> ListFolder(const std::filesystem::path& folder);

struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

CommandResult RunCommand(CommandFunction command, std::vector<std::string> args);

} // namespace vorlandite::tools::testing

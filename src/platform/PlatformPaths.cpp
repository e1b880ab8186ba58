#include "platform/PlatformPaths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlandite::platform {
namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : fallback;
}

std::string HomeFolder() { return EnvOr("HOME", "/tmp"); }

// Makes `path` a private directory of ours, or says why it cannot be one.
Status EnsurePrivateDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return MakeError("cannot create " + path + ": " + std::strerror(errno));
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return MakeError("cannot inspect " + path + ": " + std::strerror(errno));
    if (S_ISLNK(st.st_mode) || !S_ISDIR(st.st_mode))
        return MakeError(path + " is not a directory of its own");
    if (st.st_uid != ::geteuid())
        return MakeError(path + " belongs to another user");
    if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0)
        return MakeError("cannot make " + path + " private: " + std::strerror(errno));
    return {};
}

} // namespace

Result<std::string> TempFolder() {
    std::string base = EnvOr("XDG_RUNTIME_DIR", EnvOr("TMPDIR", "/tmp"));
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    std::string folder = base + "/vorlandite-" + std::to_string(::geteuid());
    if (Status s = EnsurePrivateDirectory(folder); !s)
        return s.error();
    return folder + "/";
}

std::string WindowsFolder() {
    std::string folder = EnvOr("XDG_DATA_HOME", HomeFolder() + "/.local/share") + "/vorlandite";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder;
}

int OsVersionCode() { return -1; }

std::string OwnExecutablePath() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : program.string();
}

} // namespace vorlandite::platform

#include "platform/PlatformPaths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <pwd.h>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlandite::platform {
namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : fallback;
}

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

// The per-user folder, without creating anything.
std::string UserTempFolderPath() {
    std::string base = EnvOr("XDG_RUNTIME_DIR", EnvOr("TMPDIR", "/tmp"));
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/vorlandite-" + std::to_string(::geteuid());
}

// A process folder's name is the process id in decimal and nothing else.
std::optional<pid_t> ProcessOfFolder(const std::string& name) {
    if (name.empty() || name.size() > 10 || name.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const long long value = std::stoll(name);
    if (value <= 0 || value > std::numeric_limits<pid_t>::max())
        return std::nullopt;
    return pid_t(value);
}

} // namespace

Result<std::string> TempFolder() {
    const std::string user = UserTempFolderPath();
    if (Status s = EnsurePrivateDirectory(user); !s)
        return s.error();
    const std::string own = user + "/" + std::to_string(::getpid());
    if (Status s = EnsurePrivateDirectory(own); !s)
        return s.error();
    return own + "/";
}

void RemoveTempFolder() {
    const std::string own = UserTempFolderPath() + "/" + std::to_string(::getpid());
    struct stat st {};
    // Only a real directory of ours: never follow a link someone put there.
    if (::lstat(own.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(own, ignored);
}

int RemoveStaleTempFolders() {
    const std::string user = UserTempFolderPath();
    struct stat st {};
    if (::lstat(user.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return 0;
    int removed = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(user, error)) {
        const std::optional<pid_t> pid = ProcessOfFolder(entry.path().filename().string());
        if (!pid || *pid == ::getpid() || !entry.is_directory(error) || entry.is_symlink(error))
            continue;
        // EPERM means the process exists (another user's, after a pid was reused): keep it.
        if (::kill(*pid, 0) == 0 || errno != ESRCH)
            continue;
        std::error_code ignored;
        if (std::filesystem::remove_all(entry.path(), ignored) > 0)
            ++removed;
    }
    return removed;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/tmp";
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

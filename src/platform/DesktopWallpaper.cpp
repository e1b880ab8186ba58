#include "platform/DesktopWallpaper.h"

#include "base/AsciiCase.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vorlandite::platform {

namespace {

constexpr std::string_view kGnomeSchema = "org.gnome.desktop.background";
constexpr std::string_view kLastImageSuffix = "/last-image";
constexpr std::string_view kImageStyleSuffix = "/image-style";
// xfdesktop's image styles.
constexpr int kXfceCentred = 1;
constexpr int kXfceStretched = 3;

bool DesktopNamed(std::string_view currentDesktop, std::initializer_list<std::string_view> names) {
    const std::string lower = ToAsciiLower(currentDesktop);
    std::size_t start = 0;
    while (start <= lower.size()) {
        std::size_t end = lower.find(':', start);
        if (end == std::string::npos)
            end = lower.size();
        const std::string_view entry = std::string_view(lower).substr(start, end - start);
        for (std::string_view name : names)
            if (entry == name)
                return true;
        start = end + 1;
    }
    return false;
}

bool Succeeds(ICommandRunner& runner, const std::vector<std::string>& arguments, std::string* output = nullptr) {
    auto result = runner.Run(arguments);
    if (!result.ok() || result->exitCode != 0)
        return false;
    if (output)
        *output = result->output;
    return true;
}

bool GnomeUsable(ICommandRunner& runner) {
    std::string output;
    return runner.Exists("gsettings") &&
           Succeeds(runner, {"gsettings", "writable", std::string(kGnomeSchema), "picture-uri"}, &output) &&
           output.rfind("true", 0) == 0;
}

bool XfceUsable(ICommandRunner& runner) {
    return runner.Exists("xfconf-query") && Succeeds(runner, {"xfconf-query", "-c", "xfce4-desktop", "-l"});
}

// Reads the child's output until it ends or the deadline passes; false on timeout.
bool ReadUntilEnd(int fd, std::string& output, std::chrono::steady_clock::time_point deadline) {
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                 std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd pfd{fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, int(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return true;
        // Desktop tools print a few lines; a runaway child is not allowed to fill memory.
        if (output.size() < (1u << 20))
            output.append(buffer, std::size_t(n));
    }
}

} // namespace

bool SystemCommandRunner::Exists(const std::string& program) {
    if (program.empty())
        return false;
    if (program.find('/') != std::string::npos)
        return ::access(program.c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!dirs.empty()) {
        const std::size_t colon = dirs.find(':');
        std::string dir(dirs.substr(0, colon));
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
        if (dir.empty())
            continue;
        if (::access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

Result<CommandResult> SystemCommandRunner::Run(const std::vector<std::string>& arguments) {
    if (arguments.empty())
        return MakeError("no program");
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return MakeError("cannot create a pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> words = arguments;
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        return MakeError("cannot start " + arguments.front());
    }
    CommandResult result;
    const bool ended = ReadUntilEnd(pipeFds[0], result.output,
                                    std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_));
    ::close(pipeFds[0]);
    if (!ended)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!ended)
        return MakeError(arguments.front() + " did not end in time");
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string_view WallpaperFacilityName(WallpaperFacility facility) {
    switch (facility) {
    case WallpaperFacility::Gnome: return "gnome";
    case WallpaperFacility::Kde: return "kde";
    case WallpaperFacility::Xfce: return "xfce";
    case WallpaperFacility::Feh: return "feh";
    case WallpaperFacility::None: break;
    }
    return "none";
}

WallpaperFacility DetectWallpaperFacility(ICommandRunner& runner, std::string_view currentDesktop) {
    // GNOME's tools are often installed beside other desktops, so the session's own name comes first.
    if (DesktopNamed(currentDesktop, {"gnome", "unity", "budgie", "pantheon", "gnome-classic", "gnome-flashback"}) &&
        runner.Exists("gsettings"))
        return WallpaperFacility::Gnome;
    if (DesktopNamed(currentDesktop, {"kde"}) && runner.Exists("plasma-apply-wallpaperimage"))
        return WallpaperFacility::Kde;
    if (DesktopNamed(currentDesktop, {"xfce"}) && runner.Exists("xfconf-query"))
        return WallpaperFacility::Xfce;

    if (GnomeUsable(runner))
        return WallpaperFacility::Gnome;
    if (runner.Exists("plasma-apply-wallpaperimage"))
        return WallpaperFacility::Kde;
    if (XfceUsable(runner))
        return WallpaperFacility::Xfce;
    if (runner.Exists("feh"))
        return WallpaperFacility::Feh;
    return WallpaperFacility::None;
}

std::string FileUri(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            uri += char(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

DesktopWallpaper::DesktopWallpaper(ICommandRunner& runner, std::string currentDesktop)
    : runner_(runner), currentDesktop_(std::move(currentDesktop)) {}

void DesktopWallpaper::Apply(const std::string& path, bool stretched) {
    switch (DetectWallpaperFacility(runner_, currentDesktop_)) {
    case WallpaperFacility::Gnome: {
        const std::string schema(kGnomeSchema);
        const std::string uri = FileUri(path);
        (void)runner_.Run({"gsettings", "set", schema, "picture-uri", uri});
        // Older GNOME has no dark variant; its failure changes nothing.
        (void)runner_.Run({"gsettings", "set", schema, "picture-uri-dark", uri});
        (void)runner_.Run({"gsettings", "set", schema, "picture-options", stretched ? "stretched" : "centered"});
        break;
    }
    case WallpaperFacility::Kde:
        // Plasma keeps the fill mode of the user's wallpaper settings.
        (void)runner_.Run({"plasma-apply-wallpaperimage", path});
        break;
    case WallpaperFacility::Xfce:
        ApplyXfce(path, stretched);
        break;
    case WallpaperFacility::Feh:
        (void)runner_.Run({"feh", stretched ? "--bg-scale" : "--bg-center", path});
        break;
    case WallpaperFacility::None:
        break;
    }
}

void DesktopWallpaper::ApplyXfce(const std::string& path, bool stretched) {
    std::string listing;
    if (!Succeeds(runner_, {"xfconf-query", "-c", "xfce4-desktop", "-l"}, &listing))
        return;
    const std::string style = std::to_string(stretched ? kXfceStretched : kXfceCentred);
    std::size_t start = 0;
    while (start < listing.size()) {
        std::size_t end = listing.find('\n', start);
        if (end == std::string::npos)
            end = listing.size();
        std::string property = listing.substr(start, end - start);
        start = end + 1;
        while (!property.empty() && (property.back() == '\r' || property.back() == ' '))
            property.pop_back();
        if (property.size() <= kLastImageSuffix.size() || !property.ends_with(kLastImageSuffix))
            continue;
        // Every monitor and workspace has its own image.
        (void)runner_.Run({"xfconf-query", "-c", "xfce4-desktop", "-p", property, "-s", path});
        const std::string styleProperty =
            property.substr(0, property.size() - kLastImageSuffix.size()) + std::string(kImageStyleSuffix);
        if (!Succeeds(runner_, {"xfconf-query", "-c", "xfce4-desktop", "-p", styleProperty, "-s", style}))
            (void)runner_.Run(
                {"xfconf-query", "-c", "xfce4-desktop", "-p", styleProperty, "-n", "-t", "int", "-s", style});
    }
}

void SessionDesktopWallpaper::Apply(const std::string& path, bool stretched) {
    SystemCommandRunner runner;
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    DesktopWallpaper(runner, desktop ? desktop : "").Apply(path, stretched);
}

} // namespace vorlandite::platform

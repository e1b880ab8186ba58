#pragma once
// Applying a picture file as the desktop wallpaper through the desktop's own facility. The
// per-user wallpaper values are written by the caller first; this only tells the running desktop.
// A session without a known facility is silently left alone.

#include "base/Result.h"

#include <string>
#include <string_view>
#include <vector>

namespace vorlandite::platform {

struct CommandResult {
    int exitCode = -1;
    std::string output;  // what the program wrote to its standard output
};

// Runs desktop tools without a shell (arguments are never interpreted).
class ICommandRunner {
public:
    virtual ~ICommandRunner() = default;
    // The program is found on PATH (or is an executable path).
    virtual bool Exists(const std::string& program) = 0;
    // Fails when the program cannot be started or does not end in time.
    virtual Result<CommandResult> Run(const std::vector<std::string>& arguments) = 0;
};

class SystemCommandRunner final : public ICommandRunner {
public:
    explicit SystemCommandRunner(int timeoutMs = 5000) : timeoutMs_(timeoutMs) {}
    bool Exists(const std::string& program) override;
    Result<CommandResult> Run(const std::vector<std::string>& arguments) override;

private:
    int timeoutMs_;
};

enum class WallpaperFacility { None, Gnome, Kde, Xfce, Feh };
std::string_view WallpaperFacilityName(WallpaperFacility facility);

// The session's desktop (XDG_CURRENT_DESKTOP, a colon-separated list) decides when it names one
// whose tool is installed; otherwise the first facility found in the order GNOME, KDE, XFCE, feh.
WallpaperFacility DetectWallpaperFacility(ICommandRunner& runner, std::string_view currentDesktop);

// "file://" + the path with every byte outside the unreserved set percent-encoded.
std::string FileUri(std::string_view path);

class IDesktopWallpaper {
public:
    virtual ~IDesktopWallpaper() = default;
    // Centred (not tiled, origin 0, 0) or stretched over the whole desktop. Silent on failure.
    virtual void Apply(const std::string& path, bool stretched) = 0;
};

class DesktopWallpaper final : public IDesktopWallpaper {
public:
    // `currentDesktop`: the session's XDG_CURRENT_DESKTOP.
    DesktopWallpaper(ICommandRunner& runner, std::string currentDesktop);
    void Apply(const std::string& path, bool stretched) override;

private:
    void ApplyXfce(const std::string& path, bool stretched);

    ICommandRunner& runner_;
    std::string currentDesktop_;
};

// The session's own desktop, found afresh each time (the user may switch sessions).
class SessionDesktopWallpaper final : public IDesktopWallpaper {
public:
    void Apply(const std::string& path, bool stretched) override;
};

// Records every request (tests).
class FakeDesktopWallpaper final : public IDesktopWallpaper {
public:
    struct Request {
        std::string path;
        bool stretched;
    };
    void Apply(const std::string& path, bool stretched) override { requests.push_back({path, stretched}); }
    std::vector<Request> requests;
};

} // namespace vorlandite::platform

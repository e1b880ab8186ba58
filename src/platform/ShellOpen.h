#pragma once
// Opening the author's addresses (web address, exit link, banner links) with the desktop's
// default action, and the older browser-launch road that two system generations need.
//
// Failures are silent by design: nobody is told when an address cannot be opened.

#include <functional>
#include <string>
#include <vector>

namespace vorlandite::platform {

class IShellOpen {
public:
    virtual ~IShellOpen() = default;
    // `address` is UTF-8, used as stored (a bare host name gets the web scheme on the way).
    virtual void Open(const std::string& address) = 0;
};

// Records what it was asked to open (tests).
class FakeShellOpen final : public IShellOpen {
public:
    void Open(const std::string& address) override { opened.push_back(address); }
    std::vector<std::string> opened;
};

// What the browser-launch road needs of the system; replaced in tests.
struct BrowserLauncher {
    std::function<bool(const std::string& path)> fileExists;
    // Starts the command line, waits for it to end; its exit code, 0 when it cannot start.
    std::function<int(const std::string& commandLine)> launchAndWait;
    // The program files folder with a trailing separator; empty when the system has none.
    std::string programFilesDir;
};

// The launcher of this system: no program files folder, real files and processes.
BrowserLauncher SystemBrowserLauncher();

// The browser's quoted path, one blank, then the address unchanged.
std::string BrowserCommandLine(const BrowserLauncher& launcher, const std::string& address);

// Starts the browser on the address and waits until it has ended.
void OpenInBrowser(const BrowserLauncher& launcher, const std::string& address);

// Starts a command line (first word, possibly in double quotes, is the program; the rest is split
// at blanks) without a shell, so nothing in the address is interpreted; waits for it to end.
// Its exit code, or 0 when it cannot be started.
int LaunchAndWait(const std::string& commandLine);

// The exit link when a full-screen run ends: on the two generations that need it (codes 5 and
// 6) through the waiting browser launch, everywhere else through the shell, at once. An empty
// link opens nothing. `exitLink` is UTF-8.
void OpenExitLink(const std::string& exitLink, int osVersionCode, IShellOpen& shell,
                  const BrowserLauncher& launcher);

} // namespace vorlandite::platform

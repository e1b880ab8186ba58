#include "platform/ShellOpen.h"

#include <cerrno>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace vorlandite::platform {

namespace {

constexpr int kWindows2000 = 5;
constexpr int kWindowsXP = 6;

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> words;
    std::size_t i = 0;
    const std::size_t n = commandLine.size();
    while (i < n) {
        while (i < n && commandLine[i] == ' ')
            ++i;
        if (i >= n)
            break;
        std::string word;
        if (commandLine[i] == '"') {
            const std::size_t close = commandLine.find('"', i + 1);
            word = commandLine.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
            i = close == std::string::npos ? n : close + 1;
        } else {
            const std::size_t blank = commandLine.find(' ', i);
            word = commandLine.substr(i, blank == std::string::npos ? std::string::npos : blank - i);
            i = blank == std::string::npos ? n : blank;
        }
        words.push_back(std::move(word));
    }
    return words;
}

} // namespace

BrowserLauncher SystemBrowserLauncher() {
    BrowserLauncher launcher;
    launcher.fileExists = [](const std::string& path) {
        std::error_code ec;
        return std::filesystem::is_regular_file(path, ec);
    };
    launcher.launchAndWait = LaunchAndWait;
    return launcher;
}

std::string BrowserCommandLine(const BrowserLauncher& launcher, const std::string& address) {
    std::string browser = launcher.programFilesDir + "Internet Explorer\\iexplore.exe";
    if (!launcher.fileExists || !launcher.fileExists(browser))
        browser = "explorer";
    return "\"" + browser + "\" " + address;
}

void OpenInBrowser(const BrowserLauncher& launcher, const std::string& address) {
    if (launcher.launchAndWait)
        (void)launcher.launchAndWait(BrowserCommandLine(launcher, address));
}

int LaunchAndWait(const std::string& commandLine) {
    std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty() || words.front().empty())
        return 0;
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return 0;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return 0;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 0;
}

void OpenExitLink(const std::string& exitLink, int osVersionCode, IShellOpen& shell, const BrowserLauncher& launcher) {
    if (exitLink.empty())
        return;
    if (osVersionCode == kWindows2000 || osVersionCode == kWindowsXP)
        OpenInBrowser(launcher, exitLink);
    else
        shell.Open(exitLink);
}

} // namespace vorlandite::platform

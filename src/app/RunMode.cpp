#include "app/RunMode.h"

#include <charconv>

namespace vorlandite::app {
namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool IsExeExtension(std::string_view ext) {
    if (ext.size() != 4)
        return false;
    return ext[0] == '.' && AsciiUpper(ext[1]) == 'E' && AsciiUpper(ext[2]) == 'X' && AsciiUpper(ext[3]) == 'E';
}

bool IsOption(std::string_view argument, std::string_view name) {
    // Both the X toolkit's single dash and the double dash of today's programs.
    if (argument.size() > 2 && argument.substr(0, 2) == "--")
        argument.remove_prefix(2);
    else if (argument.size() > 1 && argument[0] == '-')
        argument.remove_prefix(1);
    else
        return false;
    return argument == name;
}

// The screensaver hosts' own conventions; true when they decided the mode.
bool DecideHostedMode(const std::vector<std::string>& arguments, const char* xscreensaverWindow,
                      RunModeDecision& decision) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (!IsOption(arguments[i], "window-id"))
            continue;
        decision.mode = RunMode::HostedShow;
        decision.hostWindowSource = arguments[i];
        if (i + 1 < arguments.size())
            decision.hostWindow = ParseWindowHandle(arguments[i + 1]);
        return true;
    }
    const bool hostWindowSet = xscreensaverWindow != nullptr && *xscreensaverWindow != '\0';
    for (const std::string& argument : arguments) {
        if (!IsOption(argument, "root"))
            continue;
        if (hostWindowSet) {
            decision.mode = RunMode::HostedShow;
            decision.hostWindowSource = "XSCREENSAVER_WINDOW";
            decision.hostWindow = ParseWindowHandle(xscreensaverWindow);
        } else {
            // No host window: the whole screen is ours, as with "/s".
            decision.mode = RunMode::Show;
            decision.switchLetter = 'S';
        }
        return true;
    }
    if (arguments.empty() && hostWindowSet) {
        decision.mode = RunMode::HostedShow;
        decision.hostWindowSource = "XSCREENSAVER_WINDOW";
        decision.hostWindow = ParseWindowHandle(xscreensaverWindow);
        return true;
    }
    return false;
}

} // namespace

std::string FileExtension(std::string_view path) {
    std::size_t slash = path.find_last_of('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.find_last_of('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

char SwitchLetter(std::string_view firstArgument) {
    return firstArgument.size() >= 2 ? AsciiUpper(firstArgument[1]) : '\0';
}

std::optional<uint64_t> ParseWindowHandle(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty())
        return std::nullopt;
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

RunModeDecision DecideRunMode(std::string_view engineFilePath, const std::vector<std::string>& arguments,
                              const char* xscreensaverWindow) {
    RunModeDecision decision;
    decision.switchLetter = arguments.empty() ? '\0' : SwitchLetter(arguments[0]);
    if (arguments.size() >= 2)
        decision.windowHandle = ParseWindowHandle(arguments[1]);

    if (IsExeExtension(FileExtension(engineFilePath))) {
        // A program-mode start never looks at the command line for its mode.
        decision.programMode = true;
        decision.mode = RunMode::Show;
        return decision;
    }
    if (DecideHostedMode(arguments, xscreensaverWindow, decision))
        return decision;
    switch (decision.switchLetter) {
    case 'P': decision.mode = RunMode::Preview; break;
    case 'S': decision.mode = RunMode::Show; break;
    case 'A': decision.mode = RunMode::PasswordChange; break;
    default: decision.mode = RunMode::Configuration; break;
    }
    return decision;
}

} // namespace vorlandite::app

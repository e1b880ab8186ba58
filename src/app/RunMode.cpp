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

RunModeDecision DecideRunMode(std::string_view engineFilePath, const std::vector<std::string>& arguments) {
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
    switch (decision.switchLetter) {
    case 'P': decision.mode = RunMode::Preview; break;
    case 'S': decision.mode = RunMode::Show; break;
    case 'A': decision.mode = RunMode::PasswordChange; break;
    default: decision.mode = RunMode::Configuration; break;
    }
    return decision;
}

} // namespace vorlandite::app

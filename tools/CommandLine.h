#pragma once
// What every `vorlandite` subcommand shares: its signature, its exit codes, how it reports a
// problem, and a small argument parser.
//
// A command writes only to the streams it is given, so the tests run it in-process with string
// streams. Output that depends on the whole input is built first and written at the end, so a
// command that fails leaves stdout empty.

#include "base/Result.h"

#include <charconv>
#include <map>
#include <optional>
#include <utility>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorlandite::tools {

inline constexpr int kExitOk = 0;
inline constexpr int kExitBadInput = 1;  // one "vorlandite: ..." line on stderr
inline constexpr int kExitUsage = 2;     // usage text on stderr

// `args` holds the arguments after the command's own name.
using CommandFunction = int (*)(std::span<const std::string> args, std::ostream& out, std::ostream& err);

// Runs a command so that nothing escapes it: an exception (out of memory, a library's own)
// becomes a "vorlandite: ..." line and kExitBadInput.
int RunGuarded(CommandFunction command, std::span<const std::string> args, std::ostream& out, std::ostream& err);

// Prints "vorlandite: <message>" and returns kExitBadInput.
int ReportFailure(std::ostream& err, std::string_view message);

// Prints "vorlandite: <problem>" and the command's usage, and returns kExitUsage.
int ReportUsage(std::ostream& err, std::string_view problem, std::string_view usage);

struct OptionRule {
    std::string_view name;   // "--json"
    std::string_view alias;  // "-o", or empty
    bool takesValue = false;
};

struct ParsedArguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string, std::less<>> options;  // by OptionRule::name
    bool help = false;

    bool Has(std::string_view name) const { return options.find(name) != options.end(); }
};

// Options may stand anywhere; "--name=value" and "--name value" both work; "--" ends options.
// "--help" / "-h" set `help`. An unknown option, a missing value or a repeated option is an error.
Result<ParsedArguments> ParseArguments(std::span<const std::string> args, std::span<const OptionRule> options);

// The common start of every command: parses its arguments; a parse error prints the problem and
// the usage, --help prints the usage. Returns nullopt when the command is done already, with the
// exit code in exitCode.
std::optional<ParsedArguments> StartCommand(std::span<const std::string> args, std::span<const OptionRule> options,
                                            std::string_view usage, std::ostream& out, std::ostream& err,
                                            int& exitCode);

// The first of `required` that the arguments lack, or nullopt.
std::optional<std::string_view> MissingOption(const ParsedArguments& parsed,
                                              std::initializer_list<std::string_view> required);

// A number that is the whole text, nothing before or after it (integers in the given base).
template <class T>
std::optional<T> ParseWhole(std::string_view text, int base = 10) {
    T value{};
    const char* first = text.data();
    const char* last = text.data() + text.size();
    std::from_chars_result result;
    if constexpr (std::is_floating_point_v<T>)
        result = std::from_chars(first, last, value);
    else
        result = std::from_chars(first, last, value, base);
    if (text.empty() || result.ec != std::errc() || result.ptr != last)
        return std::nullopt;
    return value;
}

// "WxH" (or "WXH") with both sides from minSide to maxSide.
std::optional<std::pair<int, int>> ParseSize(std::string_view text, int minSide, int maxSide);

} // namespace vorlandite::tools

#include "CommandLine.h"

#include <exception>
#include <new>

namespace vorlandite::tools {

int RunGuarded(CommandFunction command, std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    try {
        return command(args, out, err);
    } catch (const std::bad_alloc&) {
        return ReportFailure(err, "out of memory");
    } catch (const std::exception& e) {
        return ReportFailure(err, e.what());
    } catch (...) {
        return ReportFailure(err, "unexpected failure");
    }
}

std::optional<ParsedArguments> StartCommand(std::span<const std::string> args, std::span<const OptionRule> options,
                                            std::string_view usage, std::ostream& out, std::ostream& err,
                                            int& exitCode) {
    auto parsed = ParseArguments(args, options);
    if (!parsed) {
        exitCode = ReportUsage(err, parsed.message(), usage);
        return std::nullopt;
    }
    if (parsed->help) {
        out << usage;
        exitCode = kExitOk;
        return std::nullopt;
    }
    return std::move(parsed).value();
}

std::optional<std::string_view> MissingOption(const ParsedArguments& parsed,
                                              std::initializer_list<std::string_view> required) {
    for (std::string_view name : required)
        if (!parsed.Has(name))
            return name;
    return std::nullopt;
}

std::optional<std::pair<int, int>> ParseSize(std::string_view text, int minSide, int maxSide) {
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos)
        return std::nullopt;
    const auto width = ParseWhole<int>(text.substr(0, x));
    const auto height = ParseWhole<int>(text.substr(x + 1));
    if (!width || !height || *width < minSide || *height < minSide || *width > maxSide || *height > maxSide)
        return std::nullopt;
    return std::pair{*width, *height};
}

int ReportFailure(std::ostream& err, std::string_view message) {
    err << "vorlandite: " << message << '\n';
    return kExitBadInput;
}

int ReportUsage(std::ostream& err, std::string_view problem, std::string_view usage) {
    err << "vorlandite: " << problem << '\n' << usage;
    return kExitUsage;
}

Result<ParsedArguments> ParseArguments(std::span<const std::string> args, std::span<const OptionRule> options) {
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
            continue;
        }
        std::string_view name = arg;
        std::string inlineValue;
        bool hasInlineValue = false;
        if (auto eq = name.find('='); name.starts_with("--") && eq != std::string_view::npos) {
            inlineValue = std::string(name.substr(eq + 1));
            name = name.substr(0, eq);
            hasInlineValue = true;
        }
        const OptionRule* known = nullptr;
        for (const OptionRule& o : options)
            if (name == o.name || (!o.alias.empty() && name == o.alias))
                known = &o;
        if (!known)
            return MakeError("unknown option " + std::string(name));
        if (parsed.Has(known->name))
            return MakeError("option " + std::string(known->name) + " given twice");
        std::string value;
        if (known->takesValue) {
            if (hasInlineValue) {
                value = inlineValue;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return MakeError("option " + std::string(name) + " needs a value");
            }
        } else if (hasInlineValue) {
            return MakeError("option " + std::string(name) + " takes no value");
        }
        parsed.options.emplace(std::string(known->name), std::move(value));
    }
    return parsed;
}

} // namespace vorlandite::tools

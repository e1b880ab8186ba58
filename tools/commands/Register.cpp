#include "commands/Register.h"

#include "CommandLine.h"
#include "base/Windows1252.h"
#include "commands/Inspect.h"
#include "platform/HostRegistration.h"

#include <filesystem>
#include <unistd.h>

namespace vorlandite::tools {
namespace {

constexpr std::string_view kRegisterUsage =
    "usage: vorlandite register FILE [--name NAME]\n"
    "\n"
    "Makes the screensaver FILE available to the desktop's screensaver settings:\n"
    "  xscreensaver  adds \"TITLE\"  /path/to/FILE --root to the programs of ~/.xscreensaver\n"
    "                (a new file starts from the system's list; nothing else in it changes)\n"
    "  MATE          writes $XDG_DATA_HOME/applications/screensavers/vorlandite-TITLE.desktop\n"
    "and prints the lines that start it with xss-lock, xautolock or xsecurelock. TITLE is the\n"
    "screensaver's title, or NAME. Registering again keeps one entry. Prints one line per file\n"
    "looked at. Exit 1 when FILE is not a screensaver or a file cannot be written.\n";

constexpr std::string_view kUnregisterUsage =
    "usage: vorlandite unregister FILE\n"
    "\n"
    "Takes back what `vorlandite register FILE` added: its entry in the programs of\n"
    "~/.xscreensaver (the file itself stays) and its MATE screensaver entry. FILE need not\n"
    "exist any more. Prints one line per file looked at.\n";

constexpr OptionRule kRegisterOptions[] = {{"--name", "", true}};

// Absolute, without "." segments or doubled separators: the hosts run the path as written, and
// unregister must find the same text register wrote.
std::string AbsolutePath(const std::string& file) {
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(file, ec);
    if (ec)
        path = file;
    return path.lexically_normal().string();
}

std::string Describe(const platform::HostRegistrationReport& report) {
    std::string text;
    for (const platform::HostFileChange& change : report.changes) {
        switch (change.kind) {
        case platform::HostFileChange::Kind::Created: text += "created " + change.path + ": " + change.detail; break;
        case platform::HostFileChange::Kind::Updated: text += "updated " + change.path + ": " + change.detail; break;
        case platform::HostFileChange::Kind::Removed:
            text += "removed " + change.path + " (" + change.detail + ")";
            break;
        case platform::HostFileChange::Kind::Unchanged:
            text += "nothing to change in " + change.path + ": " + change.detail;
            break;
        }
        text += '\n';
    }
    for (const std::string& note : report.notes)
        text += "note: " + note + '\n';
    return text;
}

// For a session without a screensaver daemon: what starts the show, and what locks the screen.
std::string BareSessionLines(const std::string& file) {
    const std::string quoted = platform::ShellQuoted(file);
    return "Without a desktop screensaver, from your session's start-up:\n"
           "  xss-lock -- " + quoted + " /s\n"
           "  xautolock -time 10 -locker " + platform::ShellQuoted(quoted + " /s") + "\n"
           "For a locked screen with this show as its saver (xsecurelock asks for the password):\n"
           "  XSECURELOCK_SAVER=" + quoted + " xsecurelock\n"
           "  xss-lock -- env XSECURELOCK_SAVER=" + quoted + " xsecurelock\n";
}

} // namespace

int RunRegister(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    int exitCode = kExitOk;
    auto parsed = StartCommand(args, kRegisterOptions, kRegisterUsage, out, err, exitCode);
    if (!parsed)
        return exitCode;
    if (parsed->positional.size() != 1)
        return ReportUsage(err, "register takes one FILE", kRegisterUsage);
    const std::string file = AbsolutePath(parsed->positional[0]);

    std::string title;
    if (parsed->Has("--name")) {
        title = platform::HostDisplayName(parsed->options.find("--name")->second);
        if (title.empty())
            return ReportUsage(err, "--name needs a name that is not blank", kRegisterUsage);
    }
    auto payload = ReadPayloadFile(file);
    if (!payload) {
        std::string reason = payload.message();
        if (reason.starts_with(file + ": "))
            reason.erase(0, file.size() + 2);
        return ReportFailure(err, "cannot register " + file + ": it is not a screensaver file (" + reason + ")");
    }
    if (title.empty())
        title = Cp1252ToUtf8(payload->strings.Title);
    if (auto problem = platform::UnusableHostPath(file))
        return ReportFailure(err, "cannot register " + file + ": " + *problem);

    auto where = platform::HostLocationsFromEnvironment();
    if (!where)
        return ReportFailure(err, where.message());
    auto report = platform::RegisterWithHosts(*where, title, file);
    if (!report)
        return ReportFailure(err, report.message());
    if (::access(file.c_str(), X_OK) != 0)
        report->notes.push_back(file + " is not executable, and the hosts start it as a program: chmod +x " +
                                platform::ShellQuoted(file));
    out << Describe(*report) << BareSessionLines(file);
    return kExitOk;
}

int RunUnregister(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    int exitCode = kExitOk;
    auto parsed = StartCommand(args, std::span<const OptionRule>{}, kUnregisterUsage, out, err, exitCode);
    if (!parsed)
        return exitCode;
    if (parsed->positional.size() != 1)
        return ReportUsage(err, "unregister takes one FILE", kUnregisterUsage);
    const std::string file = AbsolutePath(parsed->positional[0]);

    auto where = platform::HostLocationsFromEnvironment();
    if (!where)
        return ReportFailure(err, where.message());
    auto report = platform::UnregisterFromHosts(*where, file);
    if (!report)
        return ReportFailure(err, report.message());
    out << Describe(*report);
    return kExitOk;
}

} // namespace vorlandite::tools

#include "commands/Play.h"

#include "CommandLine.h"
#include "commands/Inspect.h"
#include "commands/Port.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace vorlandite::tools {
namespace {

constexpr std::string_view kUsage =
    "usage: vorlandite play FILE [/s | /c | /p ID | --window-id ID | --root]\n"
    "\n"
    "Runs this engine on the payload at the end of FILE, as if the engine were FILE: a\n"
    "screensaver made by another engine (a Windows one with this payload layout included)\n"
    "plays without being copied. The arguments after FILE go to the engine unchanged and choose\n"
    "its mode as on its own command line (no argument: the configuration dialog; a FILE named\n"
    "*.exe starts as a program, whatever follows). Settings are those stored under the\n"
    "payload's title. The exit status is the engine's; 1 when FILE carries no readable payload.\n";

} // namespace

Result<PlayLaunch> PreparePlay(std::span<const std::string> args, const std::string& engine) {
    const std::string& file = args.front();
    if (auto payload = ReadPayloadFile(file); !payload)
        return payload.error();
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
    if (ec)
        return MakeError("cannot resolve " + file + ": " + ec.message());
    PlayLaunch launch;
    launch.engine = engine;
    launch.payloadFile = absolute.lexically_normal().string();
    launch.argv.push_back(engine);
    launch.argv.insert(launch.argv.end(), args.begin() + 1, args.end());
    return launch;
}

int RunPlay(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    // Everything after FILE belongs to the engine ("/s", "--window-id 0x..."), so only FILE and
    // a leading --help are read here.
    if (args.empty())
        return ReportUsage(err, "play takes a FILE", kUsage);
    if (args.front() == "--help" || args.front() == "-h") {
        out << kUsage;
        return kExitOk;
    }
    if (args.front().empty() || args.front()[0] == '-')
        return ReportUsage(err, "play takes a FILE first, then the engine's arguments", kUsage);

    auto launch = PreparePlay(args, EngineBesideThisProgram().string());
    if (!launch)
        return ReportFailure(err, launch.message());

    out.flush();
    err.flush();
    if (::setenv(kPayloadFileVariable, launch->payloadFile.c_str(), 1) != 0)
        return ReportFailure(err, std::string("cannot set the environment: ") + std::strerror(errno));
    std::vector<char*> argv;
    for (std::string& a : launch->argv)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(launch->engine.c_str(), argv.data());
    const int error = errno;
    ::unsetenv(kPayloadFileVariable);
    return ReportFailure(err, "cannot start the engine " + launch->engine + ": " + std::strerror(error));
}

} // namespace vorlandite::tools

// vorlandite: the authoring and inspection tool for screensaver files.
//
// Each subcommand is one function in commands/; the table below is the whole dispatch, so a
// new command is one line here.

#include "CommandLine.h"
#include "commands/Build.h"
#include "commands/Decode.h"
#include "commands/Extract.h"
#include "commands/Gallery.h"
#include "commands/Inspect.h"
#include "commands/Play.h"
#include "commands/Port.h"
#include "commands/Record.h"
#include "commands/Register.h"
#include "commands/RenderBackground.h"
#include "commands/RenderEffect.h"
#include "commands/RenderMedia.h"

#include <csignal>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace vorlandite::tools;

struct Command {
    std::string_view name;
    std::string_view summary;
    CommandFunction run;
};

constexpr Command kCommands[] = {
    {"inspect", "print what a screensaver file carries (--json: every field)", RunInspect},
    {"extract", "write a screensaver's items and pictures into a folder", RunExtract},
    {"build", "make a screensaver: the engine plus the payload a manifest describes", RunBuild},
    {"decode", "decode a picture by its extension and write it as PNG", RunDecode},
    {"render-background", "paint one of the eight gradient backgrounds as a PNG", RunRenderBackground},
    {"render-effect", "run one transition effect between two pictures and write its frames", RunRenderEffect},
    {"gallery", "render every transition effect as an animated GIF with an index page", RunGallery},
    {"record", "run a screensaver's show headless on virtual time and write its events", RunRecord},
    {"render-tune", "synthesise a short tune as a WAV file (the demo's melody)", RunRenderTune},
    {"render-clip", "encode a short test-pattern video as Motion JPEG in AVI", RunRenderClip},
    {"render-movie", "write a small Flash movie (the demo's movie)", RunRenderMovie},
    {"register", "make a screensaver selectable in xscreensaver's and MATE's settings", RunRegister},
    {"unregister", "take back what register added for a screensaver", RunUnregister},
    {"play", "run the show of any file that carries a payload, as if the engine were that file", RunPlay},
    {"port", "make a screensaver for this engine from another file's payload, byte for byte", RunPort},
};

std::string Usage() {
    std::string text = "usage: vorlandite COMMAND [ARGS...]\n\ncommands:\n";
    for (const Command& c : kCommands)
        text += "  " + std::string(c.name) + std::string(c.name.size() < 20 ? 20 - c.name.size() : 1, ' ') +
                std::string(c.summary) + "\n";
    text += "\n`vorlandite COMMAND --help` describes one command; `vorlandite --version` prints the version.\n";
    return text;
}

} // namespace

int main(int argc, char** argv) {
    // A closed pipe on stdout is a write error to report, not a reason to die by a signal.
    std::signal(SIGPIPE, SIG_IGN);

    if (argc < 2)
        return ReportUsage(std::cerr, "no command given", Usage());
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        std::cout << Usage();
        return kExitOk;
    }
    if (name == "--version") {
        std::cout << "vorlandite " VORLANDITE_VERSION "\n" << std::flush;
        return std::cout ? kExitOk : ReportFailure(std::cerr, "cannot write to standard output");
    }
    const Command* command = nullptr;
    for (const Command& c : kCommands)
        if (c.name == name)
            command = &c;
    if (!command)
        return ReportUsage(std::cerr, "unknown command " + std::string(name), Usage());

    const std::vector<std::string> args(argv + 2, argv + argc);
    int status = RunGuarded(command->run, args, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout && status == kExitOk)
        return ReportFailure(std::cerr, "cannot write to standard output");
    return status;
}

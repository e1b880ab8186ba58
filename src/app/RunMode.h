#pragma once
// How the engine decides what to do: from its own file name (".EXE" in any letter case runs the
// show as a program) or from the screensaver switch on the command line.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlandite::app {

enum class RunMode {
    Show,            // full-screen show: switch "S", or a program-mode start
    Preview,         // switch "P": inside the host window given as second argument
    PasswordChange,  // switch "A"
    Configuration,   // any other switch letter, an empty one, or no argument
    // Inside a window a screensaver host made (xscreensaver, mate-screensaver, xsecurelock):
    // --window-id ID, or --root with $XSCREENSAVER_WINDOW. The host owns input and locking.
    HostedShow,
};

struct RunModeDecision {
    RunMode mode = RunMode::Configuration;
    bool programMode = false;  // the engine file's extension is ".EXE"
    char switchLetter = '\0';  // '\0' when the first argument gives none
    // The second argument read as a window id, for preview and password change; nullopt when
    // missing or not a number.
    std::optional<uint64_t> windowHandle;
    // HostedShow: the host's window; nullopt when the id given is not a number.
    std::optional<uint64_t> hostWindow;
    // HostedShow: the option or variable that named the host window, for messages.
    std::string hostWindowSource;
};

// The extension of a file name: from its last dot (after the last '/') to the end, or "".
std::string FileExtension(std::string_view path);

// The switch letter of a first argument: upper-cased, its first character dropped whatever it
// is, the next character kept. "/s" -> 'S', "-S" -> 'S', "s" -> '\0', "/c:1234" -> 'C'.
char SwitchLetter(std::string_view firstArgument);

// A window id as X11 tools print it: decimal or 0x-hexadecimal, nothing else around it.
std::optional<uint64_t> ParseWindowHandle(std::string_view text);

// `arguments` excludes the program name. `xscreensaverWindow` is $XSCREENSAVER_WINDOW (null
// when unset). Before the switch letter, the screensaver hosts' conventions are looked for:
// "--window-id ID" / "-window-id ID" anywhere, then "--root" / "-root" anywhere (hosted in
// $XSCREENSAVER_WINDOW when that is set, else the ordinary show, as "/s"), then no arguments at
// all with $XSCREENSAVER_WINDOW set (how xsecurelock starts a saver).
RunModeDecision DecideRunMode(std::string_view engineFilePath, const std::vector<std::string>& arguments,
                              const char* xscreensaverWindow = nullptr);

} // namespace vorlandite::app

#pragma once
// Making a screensaver file known to the desktop's screensaver hosts, and taking it back.
//
// Two hosts keep a per-user list that a file can be added to:
// - xscreensaver reads the `programs:` resource of ~/.xscreensaver: one shell command per entry,
//   entries separated by "\n" escapes, physical lines joined by backslash-newline, an entry
//   optionally prefixed by "-" (disabled), a visual ("GL:") and a quoted display name. We edit
//   that text in place, so every other byte of the file stays as it was.
// - MATE's screensaver lists the .desktop files of category Screensaver under
//   $XDG_DATA_HOME/applications (its menu reads the default application folders), so one file
//   in applications/screensavers/ names the screensaver there.
// Both start the screensaver as `FILE --root` with $XSCREENSAVER_WINDOW set.
//
// The text functions are pure, so the tests can run them over real files' contents; the file
// functions below them read, decide and write (atomically) and report each file they touched.

#include "base/Result.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlandite::platform {

// ---- Text of the hosts' files --------------------------------------------------------------

// A display name fit for both hosts: control characters become blanks, runs of blanks one, the
// ends trimmed; '"' (which would end xscreensaver's quoted name) becomes '\'' and '\\' (which its
// settings tool writes back unescaped) becomes '/'. `name` is UTF-8.
std::string HostDisplayName(std::string_view name);

// The word a POSIX shell reads back as `word`: unchanged when it holds only characters no shell
// treats specially, else in single quotes ('"'"' for a quote: xscreensaver's settings tool writes
// the programs back without escaping, so a backslash would not survive it).
std::string ShellQuoted(std::string_view word);

// Why xscreensaver or a desktop entry could not run the screensaver at `absolutePath`, or
// nullopt when the path is fine: a control character cannot stand in either file, a backslash
// does not survive xscreensaver's settings tool, xscreensaver takes a command whose first word
// holds '=' for a variable assignment, and a desktop entry is UTF-8.
std::optional<std::string> UnusableHostPath(std::string_view absolutePath);

// The command both hosts run: the (shell-quoted) path, then --root.
std::string HostedCommand(std::string_view absolutePath);

// One entry of the programs resource as xscreensaver reads it.
struct XScreenSaverProgram {
    bool enabled = true;
    std::string visual;   // "GL", or empty
    std::string name;     // the quoted display name, or empty
    std::string command;  // the rest of the entry, trimmed
};

// The programs entries of a ~/.xscreensaver text (its last programs: resource, as xscreensaver
// takes the last), read by xscreensaver's own rules; nullopt when the text has none.
std::optional<std::vector<XScreenSaverProgram>> ReadXScreenSaverPrograms(std::string_view fileText);

// Whether `command` runs exactly `absolutePath` with --root (or the older -root) and nothing else,
// however it is quoted; runs of blanks count as one (see the .cpp).
bool RunsHosted(std::string_view command, std::string_view absolutePath);

// The system's default programs resource from the text of xscreensaver's app-defaults file,
// written as the user file has it ("programs:" and the value's lines as they stand there);
// nullopt when the text has none.
std::optional<std::string> SystemProgramsResource(std::string_view appDefaultsText);

// A new ~/.xscreensaver: a comment header and the programs resource, which is the system's
// (`systemPrograms`, from SystemProgramsResource) or an empty one. xscreensaver takes every
// setting the file leaves out from its app-defaults.
std::string NewXScreenSaverFile(std::string_view systemPrograms);

struct EditedText {
    std::string text;
    bool changed = false;
    std::string summary;  // what was done, for the user ("added ...", "already there", ...)
};

// Adds `"title"  <HostedCommand(absolutePath)>` after the last entry of the programs resource.
// An entry that already runs the path keeps its place, its "-" and its visual; only its name is
// brought up to date. A text without a programs resource gets `systemPrograms` (or an empty
// resource) appended first. Every byte outside the insertion stays as it was.
EditedText AddXScreenSaverProgram(std::string_view fileText, std::string_view systemPrograms, std::string_view title,
                                  std::string_view absolutePath);

// Removes every entry that runs the path with --root, with the separator and line break that
// AddXScreenSaverProgram put in with it, so an add followed by a remove gives the same bytes.
EditedText RemoveXScreenSaverProgram(std::string_view fileText, std::string_view absolutePath);

// "vorlandite-<slug>.desktop": lower-case ASCII letters and digits of the title, other runs as
// one '-', at most 48 characters; from the file's own name when the title has none of them.
std::string DesktopEntryFileName(std::string_view title, std::string_view absolutePath);

// The Exec argument for `path`, quoted and escaped by the desktop entry rules.
std::string DesktopExecArgument(std::string_view path);

// The .desktop text. `program` is what Exec and TryExec run (the file, or a link to it in a
// folder MATE runs screensavers from); X-Vorlandite-File names the file, so unregister finds it.
std::string DesktopEntryText(std::string_view title, std::string_view program, std::string_view absolutePath);

// The X-Vorlandite-File value of a .desktop text (string escapes resolved), or nullopt.
std::optional<std::string> DesktopEntrySource(std::string_view desktopText);

// ---- The user's files ----------------------------------------------------------------------

// Where the hosts' files are; from the environment by default, anywhere in tests.
struct HostLocations {
    std::string xscreensaverFile;            // $HOME/.xscreensaver
    std::string desktopEntryFolder;          // $XDG_DATA_HOME/applications/screensavers
    std::vector<std::string> appDefaults;    // xscreensaver's app-defaults files, first found wins
    std::vector<std::string> mateSaverDirs;  // the only folders MATE's screensaver runs programs from
};

// From HOME and XDG_DATA_HOME (a relative value is ignored, as the base-directory rules say);
// an error when HOME is unset.
Result<HostLocations> HostLocationsFromEnvironment();

// One file looked at: what happened to it, for one line of output.
struct HostFileChange {
    enum class Kind { Created, Updated, Removed, Unchanged };
    Kind kind = Kind::Unchanged;
    std::string path;
    std::string detail;
};

struct HostRegistrationReport {
    std::vector<HostFileChange> changes;
    std::vector<std::string> notes;  // what the user still has to do, if anything
};

// Adds the screensaver to ~/.xscreensaver and writes its .desktop file (both created when
// missing). `absolutePath` must be absolute and pass UnusableHostPath; `title` is UTF-8.
// Stops at the first file that cannot be read or written; files already written stay so.
Result<HostRegistrationReport> RegisterWithHosts(const HostLocations& where, std::string_view title,
                                                 std::string_view absolutePath);

// Takes back what RegisterWithHosts added for the path: its programs entries and its .desktop
// files. The ~/.xscreensaver file itself stays, even when register created it.
Result<HostRegistrationReport> UnregisterFromHosts(const HostLocations& where, std::string_view absolutePath);

// `text` into `path` through a temporary file in the same folder (synced, then renamed over the
// target), with the mode of the file it replaces (0644 for a new one). A symbolic link at `path`
// is followed, so the file it points at is the one replaced.
Status WriteFileAtomically(const std::string& path, std::string_view text);

} // namespace vorlandite::platform

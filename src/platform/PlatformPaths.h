#pragma once
// Where the engine keeps its files on this platform.

#include "base/Result.h"

#include <string>

namespace vorlandite::platform {

// The folder for this process's extracted items, with a trailing '/': "<pid>" inside the
// private per-user folder "vorlandite-<uid>" under $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp.
// Both are created 0700. An existing entry of either name is used only when it is a real
// directory (not a symlink) owned by this user; its mode is tightened to 0700. Otherwise the
// lookup fails: the fixed file names inside must never be reachable through a folder another
// user controls. A folder of its own per process keeps two engines running at once (one per
// monitor under a screensaver daemon, a preview beside a show) from showing or deleting each
// other's items under the same fixed names.
// Asked afresh on every call, so a folder removed while the show runs is made again.
Result<std::string> TempFolder();

// Removes this process's folder and everything in it (at exit). Nothing to remove is no error.
void RemoveTempFolder();

// Removes the folders left by processes that no longer exist (a crash, a kill -9). Returns how
// many were removed.
int RemoveStaleTempFolders();

// The user's home folder: $HOME, else the account's entry, else /tmp.
std::string HomeFolder();

// The folder that stands in for the Windows directory ($XDG_DATA_HOME/vorlandite, by default
// ~/.local/share/vorlandite), without a trailing separator; created when missing.
std::string WindowsFolder();

// The platform generation code of the payload's classification: -1, a platform it does not
// know, so every "code >= 5" branch takes its fallback.
int OsVersionCode();

// The running program's own file (empty when the system does not say).
std::string OwnExecutablePath();

} // namespace vorlandite::platform

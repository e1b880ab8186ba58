#pragma once
// Where the engine keeps its files on this platform.

#include "base/Result.h"

#include <string>

namespace vorlandite::platform {

// The private per-user folder for extracted items, with a trailing '/'. It lives under
// $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp, as "vorlandite-<uid>" and is created 0700. An
// existing entry of that name is used only when it is a real directory (not a symlink) owned
// by this user; its mode is tightened to 0700. Otherwise the lookup fails: the fixed file
// names inside must never be reachable through a folder another user controls.
// Asked afresh on every call, so a folder removed while the show runs is made again.
Result<std::string> TempFolder();

// The folder that stands in for the Windows directory ($XDG_DATA_HOME/vorlandite, by default
// ~/.local/share/vorlandite), without a trailing separator; created when missing.
std::string WindowsFolder();

// The platform generation code of the payload's classification: -1, a platform it does not
// know, so every "code >= 5" branch takes its fallback.
int OsVersionCode();

// The running program's own file (empty when the system does not say).
std::string OwnExecutablePath();

} // namespace vorlandite::platform

#include "platform/FlashControl.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

// The folder this copy of the engine takes its Flash runtime from. In the build tree it is the
// tree's own runtime folder; `cmake --install` writes the installed folder over it in the
// installed copies (cmake/Install.cmake), so no installed file keeps the build folder's path. A
// section of its own lets the install step find it without reading the rest of the file; it is
// writable data, not a constant, so the text is never folded into the code.
#ifndef VORLANDITE_FLASH_RUNTIME_DIR
#define VORLANDITE_FLASH_RUNTIME_DIR ""
#endif
static_assert(sizeof(VORLANDITE_FLASH_RUNTIME_DIR) <= vorlandite::platform::kFlashRuntimeDirCapacity,
              "the build folder's path is too long for the Flash runtime's place in the engine");
[[gnu::used, gnu::section(".vorlandite_flash_dir")]] char vorlandite_flash_runtime_dir
    [vorlandite::platform::kFlashRuntimeDirCapacity] = VORLANDITE_FLASH_RUNTIME_DIR;

namespace vorlandite::platform {
namespace {

namespace fs = std::filesystem;

bool IsRuntimeDir(const fs::path& dir) {
    std::error_code error;
    return fs::is_regular_file(dir / kFlashPluginFile, error) && fs::is_regular_file(dir / "ruffle" / "ruffle.js", error);
}

} // namespace

std::string BuiltInFlashRuntimeDir() {
    const char* text = vorlandite_flash_runtime_dir;
    // The bytes change after the link; the optimiser must not know what they are, even with
    // link-time optimisation.
    __asm__("" : "+r"(text));
    const std::string dir(text, strnlen(text, kFlashRuntimeDirCapacity));
    // Only an absolute path: a relative one would name a folder under whatever the current
    // directory happens to be.
    return fs::path(dir).is_absolute() ? dir : std::string();
}

std::optional<std::string> FindFlashRuntime() {
    if (const char* chosen = std::getenv("VORLANDITE_FLASH_RUNTIME")) {
        const std::string dir = chosen;
        if (dir.empty() || dir == "none" || !IsRuntimeDir(dir))
            return std::nullopt;
        return dir;
    }
    // Never beside the running program: that is the screensaver file, which may lie in any
    // folder (downloads, a shared folder) where others can put a library of their own.
    const std::string builtIn = BuiltInFlashRuntimeDir();
    if (!builtIn.empty() && IsRuntimeDir(builtIn))
        return builtIn;
    return std::nullopt;
}

bool FlashRuntimeInstalled() { return FindFlashRuntime().has_value(); }

bool RegisterFlashControl() { return FlashRuntimeInstalled(); }

} // namespace vorlandite::platform

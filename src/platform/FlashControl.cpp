#include "platform/FlashControl.h"
#include "platform/PlatformPaths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vorlandite::platform {
namespace {

namespace fs = std::filesystem;

bool IsRuntimeDir(const fs::path& dir) {
    std::error_code error;
    return fs::is_regular_file(dir / kFlashPluginFile, error) && fs::is_regular_file(dir / "ruffle" / "ruffle.js", error);
}

} // namespace

std::optional<std::string> FindFlashRuntime() {
    if (const char* chosen = std::getenv("VORLANDITE_FLASH_RUNTIME")) {
        const std::string dir = chosen;
        if (dir.empty() || dir == "none" || !IsRuntimeDir(dir))
            return std::nullopt;
        return dir;
    }
    const fs::path program = OwnExecutablePath();
    if (!program.empty() && IsRuntimeDir(program.parent_path() / "flash"))
        return (program.parent_path() / "flash").string();
#ifdef VORLANDITE_FLASH_RUNTIME_DIR
    if (IsRuntimeDir(VORLANDITE_FLASH_RUNTIME_DIR))
        return std::string(VORLANDITE_FLASH_RUNTIME_DIR);
#endif
    return std::nullopt;
}

bool FlashRuntimeInstalled() { return FindFlashRuntime().has_value(); }

bool RegisterFlashControl() { return FlashRuntimeInstalled(); }

} // namespace vorlandite::platform

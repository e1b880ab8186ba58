#include "platform/FlashControl.h"

namespace vorlandite::platform {

bool FlashRuntimeInstalled() { return false; }

bool RegisterFlashControl() { return FlashRuntimeInstalled(); }

} // namespace vorlandite::platform

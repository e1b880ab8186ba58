#pragma once
// The desktop picture a screensaver host keeps for the saver it runs. xscreensaver copies the
// screen under each saver window before it blanks it (the saver window on each monitor, or the
// whole screen for the settings dialog's preview) into a pixmap, and names that pixmap in the
// window's _SCREENSAVER_SCREENSHOT property (type PIXMAP, one item). By the time our show starts
// the screen itself is already black, so that pixmap is the only desktop there is to show.
//
// Opens its own connection from $DISPLAY, like the other X11 services of the show.

#include "base/Result.h"
#include "raster/TBitmap32.h"

#include <cstdint>
#include <optional>

namespace vorlandite::platform {

// The window the host asks its saver to draw on, from $XSCREENSAVER_WINDOW ("0x1a00007" or
// decimal). Nothing when the variable is unset, empty or not a window id.
std::optional<uint64_t> XScreenSaverWindowFromEnvironment();

// The host's screenshot for `window`, window-sized and opaque. A screenshot larger than the
// window (the whole screen) gives the part under the window; a smaller one (the screen changed
// size since) is centred. What it leaves uncovered is black, as the host's own savers show it.
// An error when there is no X server, no such window, no screenshot on it, or its pixmap is gone.
Result<raster::TBitmap32> X11HostScreenshot(uint64_t window);

} // namespace vorlandite::platform

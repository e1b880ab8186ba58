#pragma once
// X11 services of the show: holding off the desktop's own screensaver, and the questions the
// window code asks of the X server directly (is a window manager there, does a window exist).
// Each opens its own connection from $DISPLAY, so it works whatever the toolkit's platform is;
// without an X server every call does nothing and answers as for an empty desktop.

#include "platform/ScreenSaverInhibitor.h"

#include <cstdint>

struct _XDisplay;

namespace vorlandite::platform {

// Suspends the X server's screensaver for the show (the MIT-SCREEN-SAVER suspension where the
// server has it, else a saved and zeroed timeout) and restores it afterwards.
class X11ScreenSaverInhibitor final : public ScreenSaverInhibitor {
public:
    X11ScreenSaverInhibitor() = default;
    ~X11ScreenSaverInhibitor() override;
    X11ScreenSaverInhibitor(const X11ScreenSaverInhibitor&) = delete;
    X11ScreenSaverInhibitor& operator=(const X11ScreenSaverInhibitor&) = delete;

    void Suspend() override;
    void Restore() override;

private:
    _XDisplay* display_ = nullptr;  // held while suspended: the suspension lives with the connection
    bool usedExtension_ = false;
    int savedTimeout_ = 0, savedInterval_ = 0, savedBlanking_ = 0, savedExposures_ = 0;
};

// True when a window manager announces itself on the root window (_NET_SUPPORTING_WM_CHECK).
// Without one, a window must bypass the window manager to be placed and stacked as asked.
bool X11WindowManagerRunning();

// False once the X window is gone (or when there is no X server).
bool X11WindowExists(uint64_t window);

} // namespace vorlandite::platform

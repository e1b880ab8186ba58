#pragma once
// X11 services of the show: holding off the desktop's own screensaver, and the questions the
// window code asks of the X server directly (is a window manager there, does a window exist).
// Each opens its own connection from $DISPLAY, so it works whatever the toolkit's platform is;
// without an X server every call does nothing and answers as for an empty desktop.

#include "platform/ScreenSaverInhibitor.h"

#include <cstdint>
#include <optional>

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

struct X11WindowSize {
    int width = 0;
    int height = 0;
    bool operator==(const X11WindowSize&) const = default;
};

// Watches a window another program owns (a screensaver host's): its size, and whether it still
// exists. It keeps a connection of its own, since the window is asked about many times a second.
class X11WindowWatch final {
public:
    explicit X11WindowWatch(uint64_t window);
    ~X11WindowWatch();
    X11WindowWatch(const X11WindowWatch&) = delete;
    X11WindowWatch& operator=(const X11WindowWatch&) = delete;

    // The window's size now; nullopt once it is gone (or without an X server).
    std::optional<X11WindowSize> Size();

private:
    _XDisplay* display_ = nullptr;
    uint64_t window_ = 0;
};

} // namespace vorlandite::platform

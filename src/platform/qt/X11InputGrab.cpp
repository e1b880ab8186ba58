#include "platform/qt/X11InputGrab.h"

#include <QGuiApplication>

#include <X11/Xlib.h>

namespace vorlandite::platform {
namespace {

Display* ToolkitDisplay() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

} // namespace

X11InputGrab::~X11InputGrab() { Release(); }

bool X11InputGrab::Available() { return ToolkitDisplay() != nullptr; }

bool X11InputGrab::Grab(uint64_t window) {
    Display* display = ToolkitDisplay();
    if (!display || window == 0)
        return false;
    // owner_events: events for the program's own windows are reported to them as usual; all
    // others come to the show window. Grabbing again while held only renews the grab.
    keyboard_ = XGrabKeyboard(display, Window(window), True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    const unsigned int events = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
    pointer_ = XGrabPointer(display, Window(window), True, events, GrabModeAsync, GrabModeAsync, 0, 0, CurrentTime) ==
               GrabSuccess;
    return keyboard_ && pointer_;
}

void X11InputGrab::Release() {
    if (!keyboard_ && !pointer_)
        return;
    if (Display* display = ToolkitDisplay()) {
        if (keyboard_)
            XUngrabKeyboard(display, CurrentTime);
        if (pointer_)
            XUngrabPointer(display, CurrentTime);
        XFlush(display);
    }
    keyboard_ = pointer_ = false;
}

} // namespace vorlandite::platform

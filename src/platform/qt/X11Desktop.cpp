#include "platform/qt/X11Desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <cstdlib>

namespace vorlandite::platform {
namespace {

// A bad window id must come back as an answer, not end the process through Xlib's default
// handler. Only used around our own short requests on our own connection.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

Display* OpenDisplay() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name)
        return nullptr;
    return XOpenDisplay(name);
}

} // namespace

X11ScreenSaverInhibitor::~X11ScreenSaverInhibitor() { Restore(); }

void X11ScreenSaverInhibitor::Suspend() {
    if (display_)
        return;
    display_ = OpenDisplay();
    if (!display_)
        return;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    usedExtension_ = XScreenSaverQueryExtension(display_, &eventBase, &errorBase) &&
                     XScreenSaverQueryVersion(display_, &major, &minor) && (major > 1 || (major == 1 && minor >= 1));
    if (usedExtension_) {
        XScreenSaverSuspend(display_, True);
    } else {
        XGetScreenSaver(display_, &savedTimeout_, &savedInterval_, &savedBlanking_, &savedExposures_);
        XSetScreenSaver(display_, 0, savedInterval_, savedBlanking_, savedExposures_);
    }
    XFlush(display_);
}

void X11ScreenSaverInhibitor::Restore() {
    if (!display_)
        return;
    if (usedExtension_)
        XScreenSaverSuspend(display_, False);
    else
        XSetScreenSaver(display_, savedTimeout_, savedInterval_, savedBlanking_, savedExposures_);
    XCloseDisplay(display_);  // flushes
    display_ = nullptr;
}

bool X11WindowManagerRunning() {
    Display* display = OpenDisplay();
    if (!display)
        return false;
    auto* previous = XSetErrorHandler(IgnoreXError);
    bool running = false;
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check != None) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type, &format,
                               &count, &after, &data) == Success &&
            data) {
            // The property must name a live window: a crashed manager leaves a stale one.
            if (type == XA_WINDOW && format == 32 && count == 1) {
                XWindowAttributes attributes;
                running = XGetWindowAttributes(display, *reinterpret_cast<Window*>(data), &attributes) != 0;
            }
            XFree(data);
        }
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return running;
}

bool X11WindowExists(uint64_t window) {
    if (window == 0)
        return false;
    Display* display = OpenDisplay();
    if (!display)
        return false;
    auto* previous = XSetErrorHandler(IgnoreXError);
    XWindowAttributes attributes;
    const bool exists = XGetWindowAttributes(display, Window(window), &attributes) != 0;
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return exists;
}

X11WindowWatch::X11WindowWatch(uint64_t window) : window_(window) {
    if (window != 0)
        display_ = OpenDisplay();
}

X11WindowWatch::~X11WindowWatch() {
    if (display_)
        XCloseDisplay(display_);
}

std::optional<X11WindowSize> X11WindowWatch::Size() {
    if (!display_)
        return std::nullopt;
    auto* previous = XSetErrorHandler(IgnoreXError);
    XWindowAttributes attributes;
    const bool exists = XGetWindowAttributes(display_, Window(window_), &attributes) != 0;
    XSync(display_, False);
    XSetErrorHandler(previous);
    if (!exists)
        return std::nullopt;
    return X11WindowSize{attributes.width, attributes.height};
}

} // namespace vorlandite::platform

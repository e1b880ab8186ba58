#include "platform/X11TestScreen.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vorlandite::testing {

unsigned long CreateColouredWindow(Display* display, int x, int y, int width, int height, uint32_t rgb,
                                   unsigned long parent) {
    const Window window = XCreateSimpleWindow(display, parent ? Window(parent) : DefaultRootWindow(display), x, y,
                                              unsigned(width), unsigned(height), 0, 0, rgb);
    XMapWindow(display, window);
    XSync(display, False);
    return window;
}

namespace {

// Fills the pixmap from a function of the position, through one XPutImage of 32-bit pixels.
template <class PixelAt>
void PutPixels(Display* display, Pixmap pixmap, int width, int height, int depth, PixelAt pixelAt) {
    int screen = DefaultScreen(display);
    XVisualInfo info;
    Visual* visual = DefaultVisual(display, screen);
    if (XMatchVisualInfo(display, screen, depth, TrueColor, &info))
        visual = info.visual;
    XImage* image = XCreateImage(display, visual, unsigned(depth), ZPixmap, 0, nullptr, unsigned(width),
                                 unsigned(height), 32, 0);
    image->data = static_cast<char*>(std::calloc(std::size_t(image->bytes_per_line) * std::size_t(height), 1));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            XPutPixel(image, x, y, pixelAt(x, y));
    GC gc = XCreateGC(display, pixmap, 0, nullptr);
    XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, unsigned(width), unsigned(height));
    XFreeGC(display, gc);
    XDestroyImage(image);  // frees the data too
    XSync(display, False);
}

} // namespace

unsigned long CreatePositionPixmap(Display* display, int width, int height) {
    const int depth = DefaultDepth(display, DefaultScreen(display));
    const Pixmap pixmap = XCreatePixmap(display, DefaultRootWindow(display), unsigned(width), unsigned(height),
                                        unsigned(depth));
    PutPixels(display, pixmap, width, height, depth, [](int x, int y) { return PositionColour(x, y); });
    return pixmap;
}

unsigned long CreateBandedPixmap(Display* display, int width, int height, int depth,
                                 const std::vector<unsigned long>& pixels) {
    const Pixmap pixmap = XCreatePixmap(display, DefaultRootWindow(display), unsigned(width), unsigned(height),
                                        unsigned(depth));
    const int band = width / int(pixels.size());
    PutPixels(display, pixmap, width, height, depth, [&](int x, int) {
        const std::size_t index = std::min<std::size_t>(std::size_t(x / band), pixels.size() - 1);
        return pixels[index];
    });
    return pixmap;
}

void FreePixmap(Display* display, unsigned long pixmap) {
    XFreePixmap(display, Pixmap(pixmap));
    XSync(display, False);
}

void SetScreenshotProperty(Display* display, unsigned long window, unsigned long pixmap) {
    const Atom property = XInternAtom(display, "_SCREENSAVER_SCREENSHOT", False);
    const unsigned long value = pixmap;  // format 32 is handed over as longs
    XChangeProperty(display, Window(window), property, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
    XSync(display, False);
}

void SetMistypedScreenshotProperty(Display* display, unsigned long window) {
    const Atom property = XInternAtom(display, "_SCREENSAVER_SCREENSHOT", False);
    const char text[] = "0x1234";
    XChangeProperty(display, Window(window), property, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text), int(std::strlen(text)));
    XSync(display, False);
}

unsigned long FindWindowWithProperty(Display* display, const char* name) {
    const Atom property = XInternAtom(display, name, True);
    if (property == None)
        return 0;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return 0;
    unsigned long found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        int propertyCount = 0;
        Atom* properties = XListProperties(display, children[i], &propertyCount);
        for (int p = 0; p < propertyCount; ++p)
            if (properties[p] == property)
                found = children[i];
        if (properties)
            XFree(properties);
    }
    if (children)
        XFree(children);
    return found;
}

} // namespace vorlandite::testing

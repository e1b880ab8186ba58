#include "platform/qt/X11HostScreenshot.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace vorlandite::platform {
namespace {

// Requests about a foreign window and pixmap may fail at any moment (the host can free them);
// a failure is an answer here, not the end of the process through Xlib's default handler.
bool xErrorSeen = false;
int NoteXError(Display*, XErrorEvent*) {
    xErrorSeen = true;
    return 0;
}

// The connection, with our error handler for as long as it is open.
class Connection {
public:
    Connection() {
        const char* name = std::getenv("DISPLAY");
        if (name && *name)
            display_ = XOpenDisplay(name);
        if (display_) {
            previous_ = XSetErrorHandler(NoteXError);
            xErrorSeen = false;
        }
    }
    ~Connection() {
        if (!display_)
            return;
        XSync(display_, False);
        XSetErrorHandler(previous_);
        XCloseDisplay(display_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* get() const { return display_; }
    // True when a request since the last call failed.
    bool Failed() {
        XSync(display_, False);
        const bool failed = xErrorSeen;
        xErrorSeen = false;
        return failed;
    }

private:
    Display* display_ = nullptr;
    int (*previous_)(Display*, XErrorEvent*) = nullptr;
};

std::string Hex(uint64_t id) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(id));
    return text;
}

// The pixmap named by the window's _SCREENSAVER_SCREENSHOT property, or None.
Pixmap ScreenshotPixmap(Display* display, Window window) {
    const Atom property = XInternAtom(display, "_SCREENSAVER_SCREENSHOT", True);
    if (property == None)
        return None;  // no client has ever named it: no host saved anything
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Pixmap pixmap = None;
    if (XGetWindowProperty(display, window, property, 0, 1, False, XA_PIXMAP, &type, &format, &count, &after, &data) ==
            Success &&
        data) {
        if (type == XA_PIXMAP && format == 32 && count == 1 && after == 0)
            pixmap = Pixmap(*reinterpret_cast<unsigned long*>(data));  // format 32 comes as longs
        XFree(data);
    }
    return pixmap;
}

// One direction of the copy: `length` pixels from `from` in the screenshot to `to` in the window.
struct Span {
    int from = 0, to = 0, length = 0;
};

// A window at least as long as the screenshot gets all of it, centred (it was taken of this
// window, or the screen has shrunk since); a shorter one the part under it, clipped.
Span Place(int windowPosition, int windowLength, int shotLength) {
    if (windowLength >= shotLength)
        return {0, (windowLength - shotLength) / 2, shotLength};
    const int from = std::max(windowPosition, 0);
    const int end = std::min(windowPosition + windowLength, shotLength);
    return {from, from - windowPosition, std::max(end - from, 0)};
}

// 8 bits of a pixel's channel, whatever its mask's width and place.
uint32_t Channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const uint32_t value = uint32_t((pixel & mask) >> shift);
    return bits >= 8 ? value >> (bits - 8) : (value * 255u + ((1u << bits) - 1) / 2) / ((1u << bits) - 1);
}

// The TrueColor visual the pixmap's pixels are to be read by: the window's own when the depths
// agree, else any of that depth on the window's screen.
std::optional<Visual*> VisualForDepth(Display* display, const XWindowAttributes& window, int depth) {
    if (window.depth == depth && window.visual && window.visual->c_class == TrueColor)
        return window.visual;
    XVisualInfo info;
    if (XMatchVisualInfo(display, XScreenNumberOfScreen(window.screen), depth, TrueColor, &info))
        return info.visual;
    return std::nullopt;
}

struct ImageDeleter {
    void operator()(XImage* image) const { XDestroyImage(image); }
};

void CopyPixels(XImage& image, const Visual& visual, raster::TBitmap32& target, int toX, int toY) {
    const bool plainBgrx = image.bits_per_pixel == 32 && image.byte_order == LSBFirst &&
                           visual.red_mask == 0xFF0000 && visual.green_mask == 0xFF00 && visual.blue_mask == 0xFF;
    for (int y = 0; y < image.height; ++y) {
        auto row = target.Scanline(toY + y).subspan(std::size_t(toX), std::size_t(image.width));
        if (plainBgrx) {
            // Our own pixel layout, but for the alpha byte the server leaves undefined.
            const auto* source = reinterpret_cast<const uint32_t*>(image.data + std::ptrdiff_t(y) * image.bytes_per_line);
            for (int x = 0; x < image.width; ++x)
                row[std::size_t(x)] = source[x] | 0xFF000000u;
        } else {
            for (int x = 0; x < image.width; ++x) {
                const unsigned long pixel = XGetPixel(&image, x, y);
                row[std::size_t(x)] = 0xFF000000u | Channel(pixel, visual.red_mask) << 16 |
                                      Channel(pixel, visual.green_mask) << 8 | Channel(pixel, visual.blue_mask);
            }
        }
    }
}

} // namespace

std::optional<uint64_t> XScreenSaverWindowFromEnvironment() {
    const char* text = std::getenv("XSCREENSAVER_WINDOW");
    if (!text || !std::isdigit(static_cast<unsigned char>(*text)))
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const unsigned long long id = std::strtoull(text, &end, 0);
    // X resource ids have 29 bits; anything else is not a window.
    if (errno != 0 || *end != '\0' || id == 0 || id > 0x1FFFFFFFull)
        return std::nullopt;
    return uint64_t(id);
}

Result<raster::TBitmap32> X11HostScreenshot(uint64_t window) {
    if (window == 0 || window > 0x1FFFFFFFull)
        return MakeError("no host window");
    Connection connection;
    Display* display = connection.get();
    if (!display)
        return MakeError("no X server to ask for the host's screenshot");
    const Window host = Window(window);
    XWindowAttributes attributes;
    const bool exists = XGetWindowAttributes(display, host, &attributes) != 0;
    if (connection.Failed() || !exists)
        return MakeError("the host window " + Hex(window) + " does not exist");
    const Pixmap pixmap = ScreenshotPixmap(display, host);
    if (connection.Failed() || pixmap == None)
        return MakeError("the host saved no screenshot for window " + Hex(window));

    Window root = None;
    int ignoredX = 0, ignoredY = 0;
    unsigned int shotWidth = 0, shotHeight = 0, border = 0, depth = 0;
    const bool there =
        XGetGeometry(display, pixmap, &root, &ignoredX, &ignoredY, &shotWidth, &shotHeight, &border, &depth) != 0;
    if (connection.Failed() || !there)
        return MakeError("the host's screenshot " + Hex(pixmap) + " is gone");
    const auto visual = VisualForDepth(display, attributes, int(depth));
    if (!visual)
        return MakeError("the host's screenshot has no true-colour pixels (depth " + std::to_string(depth) + ")");

    // Where the window's inside lies on the screen (it may be a child of another window).
    int windowX = 0, windowY = 0;
    Window child = None;
    XTranslateCoordinates(display, host, attributes.root, 0, 0, &windowX, &windowY, &child);
    if (connection.Failed())
        return MakeError("the host window " + Hex(window) + " does not exist");

    auto made = raster::TBitmap32::Create(attributes.width, attributes.height);
    if (!made)
        return made.error();
    raster::TBitmap32 picture = std::move(made).value();
    picture.Clear(0xFF000000u);
    const Span across = Place(windowX, attributes.width, int(shotWidth));
    const Span down = Place(windowY, attributes.height, int(shotHeight));
    if (across.length <= 0 || down.length <= 0)
        return picture;  // the window lies beside the screenshot: nothing of it to show
    std::unique_ptr<XImage, ImageDeleter> image(XGetImage(display, pixmap, across.from, down.from,
                                                          unsigned(across.length), unsigned(down.length), AllPlanes,
                                                          ZPixmap));
    if (connection.Failed() || !image)
        return MakeError("the host's screenshot " + Hex(pixmap) + " cannot be read");
    CopyPixels(*image, **visual, picture, across.to, down.to);
    return picture;
}

} // namespace vorlandite::platform

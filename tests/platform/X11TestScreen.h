#pragma once
// What the tests of our X11 code set up on a private X server (tests/e2e/XSession.h starts it):
// coloured windows, pixmaps with known pixels, the properties a screensaver host sets (RandR
// monitors: XSession.h). Xlib stays in X11TestScreen.cpp: its macros collide with our names.

#include <cstdint>
#include <vector>

struct _XDisplay;
using Display = _XDisplay;

namespace vorlandite::testing {

// A mapped window filled with one colour (0xRRGGBB on a 24-bit screen), a child of `parent`
// (root when 0).
unsigned long CreateColouredWindow(Display* display, int x, int y, int width, int height, uint32_t rgb,
                                   unsigned long parent = 0);

// The colour CreatePositionPixmap gives pixel (x, y), 0 <= x < 512, 0 <= y < 256: never black,
// so a copied pixel and the black around it cannot be confused.
constexpr uint32_t PositionColour(int x, int y) {
    return 0x800000u | uint32_t(x >> 8) << 16 | uint32_t(x & 0xFF) << 8 | uint32_t(y & 0xFF);
}
// A pixmap of the screen's default depth (24) whose every pixel tells its position.
unsigned long CreatePositionPixmap(Display* display, int width, int height);
// A pixmap of the given depth filled with raw pixel values: `pixels` left to right in bands of
// equal width, the last band taking what is left.
unsigned long CreateBandedPixmap(Display* display, int width, int height, int depth,
                                 const std::vector<unsigned long>& pixels);
void FreePixmap(Display* display, unsigned long pixmap);

// The host's note of its screenshot as xscreensaver writes it: _SCREENSAVER_SCREENSHOT, type
// PIXMAP, format 32, one item.
void SetScreenshotProperty(Display* display, unsigned long window, unsigned long pixmap);
// The same property of type STRING, as nothing we expect would write it.
void SetMistypedScreenshotProperty(Display* display, unsigned long window);

// A child of the root window that has the property `name`, or 0.
unsigned long FindWindowWithProperty(Display* display, const char* name);

} // namespace vorlandite::testing

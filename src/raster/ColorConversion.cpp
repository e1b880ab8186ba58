#include "raster/ColorConversion.h"

#include <array>

namespace vorlandite::raster {

namespace {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

// A calm light desktop scheme: white windows with black text, light grey controls and a blue
// selection. There is no desktop colour scheme to ask on this platform, and captions and logo
// keys that name a system colour should still come out readable and stable.
constexpr std::array<uint32_t, 31> kSystemColours{
    Rgb(200, 200, 200),  //  0 scroll bar
    Rgb(58, 110, 165),   //  1 desktop background
    Rgb(0, 84, 153),     //  2 active caption
    Rgb(191, 205, 219),  //  3 inactive caption
    Rgb(240, 240, 240),  //  4 menu
    Rgb(255, 255, 255),  //  5 window
    Rgb(100, 100, 100),  //  6 window frame
    Rgb(0, 0, 0),        //  7 menu text
    Rgb(0, 0, 0),        //  8 window text
    Rgb(255, 255, 255),  //  9 caption text
    Rgb(180, 180, 180),  // 10 active border
    Rgb(244, 247, 252),  // 11 inactive border
    Rgb(171, 171, 171),  // 12 application workspace
    Rgb(0, 120, 215),    // 13 highlight
    Rgb(255, 255, 255),  // 14 highlight text
    Rgb(240, 240, 240),  // 15 button face
    Rgb(160, 160, 160),  // 16 button shadow
    Rgb(109, 109, 109),  // 17 grey (disabled) text
    Rgb(0, 0, 0),        // 18 button text
    Rgb(67, 78, 84),     // 19 inactive caption text
    Rgb(255, 255, 255),  // 20 button highlight
    Rgb(105, 105, 105),  // 21 3-D dark shadow
    Rgb(227, 227, 227),  // 22 3-D light
    Rgb(0, 0, 0),        // 23 tooltip text
    Rgb(255, 255, 225),  // 24 tooltip background
    Rgb(181, 181, 181),  // 25 (unused slot)
    Rgb(0, 102, 204),    // 26 hot-tracked item
    Rgb(185, 209, 234),  // 27 gradient of the active caption
    Rgb(215, 228, 242),  // 28 gradient of the inactive caption
    Rgb(0, 120, 215),    // 29 highlighted menu item
    Rgb(240, 240, 240),  // 30 menu bar
};

} // namespace

uint32_t SystemColour(int index) {
    if (index < 0 || index >= int(kSystemColours.size()))
        return 0;
    return kSystemColours[std::size_t(index)];
}

TColor32 ToColor32(uint32_t colour) {
    if ((colour & 0xFF000000u) == 0x80000000u)
        colour = SystemColour(int(colour & 0xFF));
    const uint32_t red = colour & 0xFF;
    const uint32_t green = (colour >> 8) & 0xFF;
    const uint32_t blue = (colour >> 16) & 0xFF;
    return 0xFF000000u | red << 16 | green << 8 | blue;
}

} // namespace vorlandite::raster

#pragma once
// The exit banner: the author's picture window when a full-screen run ends. At most once per
// run; every failure on the way means no banner, without a message.
//
// This part extracts and decodes the picture and places the window; the window itself (its
// clicks and its modal loop) is handed in, so the show's code needs no widget library.

#include "payload/ContainerReader.h"
#include "raster/Geometry.h"
#include "raster/TBitmap32.h"

#include <functional>
#include <string>

namespace vorlandite::slideshow {

struct ExitBannerPicture {
    raster::TBitmap32 picture;
    raster::Rect bounds;    // the window's place on the screen, the picture's own size
    bool handCursor = false; // a click leads somewhere: the banner has a link
};

// Centred: left (SW - width) div 2, top (SH - height) div 2, truncating toward zero (a banner
// larger than the screen gets a negative corner).
raster::Rect ExitBannerPlacement(int width, int height, int screenWidth, int screenHeight);

class ExitBanner {
public:
    // Shows the window modally and returns when the user has closed it.
    using ShowModal = std::function<void(const ExitBannerPicture&)>;

    // Returns at once when a banner window was made before in this run, or when the payload has
    // no exit banner. Otherwise extracts the banner (compressed) to "SSEB" + ExitBannerExt in
    // `tempFolder` and leaves it there, decodes it by that extension and shows it. True when the
    // window was shown.
    bool DisplayExitBanner(const payload::Payload& payload, const std::string& screensaverPath,
                           const std::string& tempFolder, int screenWidth, int screenHeight,
                           const ShowModal& showModal);

    bool WindowMade() const { return windowMade_; }

private:
    bool windowMade_ = false;
};

} // namespace vorlandite::slideshow

#include "slideshow/DisplayPanelPlacement.h"

#include "raster/PictureFitting.h"
#include "slideshow/Placement.h"

namespace vorlandite::slideshow {

namespace {

using raster::TRect;

TRect Sized(int left, int top, int width, int height) { return TRect{left, top, left + width, top + height}; }

TRect FittedPanel(int w, int h, int screenWidth, int screenHeight) {
    const TRect r = raster::FitRect(screenWidth, screenHeight, w + 1, h + 1);
    return Sized(r.Left, r.Top, r.Width() + 1, r.Height() + 1);
}

} // namespace

TRect DisplayPanelRect(int mode, const TRect& source, int screenWidth, int screenHeight,
                       IRandomSource& random) {
    const int w = source.Width();
    const int h = source.Height();
    const bool fits = screenWidth >= w && screenHeight >= h;
    switch (mode) {
    case kStretchFill:
        return TRect{0, 0, screenWidth, screenHeight};
    case kStretchFit:
        return FittedPanel(w, h, screenWidth, screenHeight);
    case kStretchCentre:
    case kStretchCentreShrink:
        if (fits) {
            const int width = source.Right + 1;
            const int height = source.Bottom + 1;
            return Sized(screenWidth / 2 - width / 2, screenHeight / 2 - height / 2, width, height);
        }
        return FittedPanel(w, h, screenWidth, screenHeight);
    default:
        if (fits) {
            const int width = source.Right + 1;
            const int height = source.Bottom + 1;
            const int top = random.Random(screenHeight - height);
            const int left = random.Random(screenWidth - width);
            return Sized(left, top, width, height);
        }
        const TRect r = raster::FitRect(screenWidth, screenHeight, w, h);
        const int width = r.Width();
        const int left = random.Random(screenWidth - width);
        const int height = r.Height();
        const int top = random.Random(screenHeight - height);
        return Sized(left, top, width, height);
    }
}

} // namespace vorlandite::slideshow

#include "slideshow/DisplayPanelPlacement.h"

#include "raster/PictureFitting.h"
#include "slideshow/Placement.h"

namespace vorlandite::slideshow {

namespace {

using raster::Rect;

Rect FittedPanel(int w, int h, int screenWidth, int screenHeight) {
    const Rect r = raster::FitRect(screenWidth, screenHeight, w + 1, h + 1);
    return RectAt(r.left, r.top, r.Width() + 1, r.Height() + 1);
}

} // namespace

Rect DisplayPanelRect(int mode, const Rect& source, int screenWidth, int screenHeight,
                      IRandomSource& random) {
    const int w = source.Width();
    const int h = source.Height();
    const bool fits = screenWidth >= w && screenHeight >= h;
    switch (mode) {
    case kStretchFill:
        return Rect{0, 0, screenWidth, screenHeight};
    case kStretchFit:
        return FittedPanel(w, h, screenWidth, screenHeight);
    case kStretchCentre:
    case kStretchCentreShrink:
        if (fits) {
            const int width = source.right + 1;
            const int height = source.bottom + 1;
            return RectAt(screenWidth / 2 - width / 2, screenHeight / 2 - height / 2, width, height);
        }
        return FittedPanel(w, h, screenWidth, screenHeight);
    default:
        if (fits) {
            const int width = source.right + 1;
            const int height = source.bottom + 1;
            const int top = random.Random(screenHeight - height);
            const int left = random.Random(screenWidth - width);
            return RectAt(left, top, width, height);
        }
        const Rect r = raster::FitRect(screenWidth, screenHeight, w, h);
        const int width = r.Width();
        const int left = random.Random(screenWidth - width);
        const int height = r.Height();
        const int top = random.Random(screenHeight - height);
        return RectAt(left, top, width, height);
    }
}

} // namespace vorlandite::slideshow

#include "slideshow/Placement.h"

#include "raster/PictureFitting.h"

#include <cstdlib>

namespace vorlandite::slideshow {

namespace {

using raster::Rect;

// Scaled to fit the window with the aspect ratio kept. The scaled side is computed with
// truncating integer arithmetic and then halved on each side of the centre, so an odd size
// comes out one pixel smaller: that is how stored shows have always been framed.
Rect FitCentred(int width, int height, int pictureWidth, int pictureHeight) {
    // W / IW > H / IH, compared exactly by cross-multiplying.
    if (int64_t(width) * pictureHeight > int64_t(height) * pictureWidth) {
        const int q = int(int64_t(pictureWidth) * height / pictureHeight);
        return Rect{width / 2 - q / 2, 0, width / 2 + q / 2, height};
    }
    const int q = int(int64_t(pictureHeight) * width / pictureWidth);
    return Rect{0, height / 2 - q / 2, width, height / 2 + q / 2};
}

Rect Centred(int width, int height, int pictureWidth, int pictureHeight) {
    return RectAt((width - pictureWidth) / 2, (height - pictureHeight) / 2, pictureWidth, pictureHeight);
}

// Unscaled at a random place; a picture larger than the window is shifted left or up by a
// random amount instead, so some part of it is always on screen.
Rect RandomUnscaled(int width, int height, int pictureWidth, int pictureHeight, IRandomSource& random) {
    const int ex = width - pictureWidth;
    const int ey = height - pictureHeight;
    int rx = random.Random(std::abs(ex));
    if (ex <= 0)
        rx = -rx;
    int ry = random.Random(std::abs(ey));
    if (ey <= 0)
        ry = -ry;
    return RectAt(rx, ry, pictureWidth, pictureHeight);
}

// Fitted, then moved at random along the axis that has room left.
Rect RandomFitted(int width, int height, int pictureWidth, int pictureHeight, IRandomSource& random) {
    Rect r = raster::FitRect(width, height, pictureWidth, pictureHeight);
    if (r.left > 0) {
        const int t = random.Random(2 * r.left);
        r.right = r.right - r.left + t;
        r.left = t;
    }
    if (r.top > 0) {
        const int u = random.Random(2 * r.top);
        r.bottom = r.bottom - r.top + u;
        r.top = u;
    }
    return r;
}

bool LargerThan(int width, int height, int pictureWidth, int pictureHeight) {
    return pictureWidth > width || pictureHeight > height;
}

} // namespace

int EffectiveStretch(int itemStretch, int settingStretch) { return itemStretch != -1 ? itemStretch : settingStretch; }

Rect PicturePlacement(int mode, int width, int height, int pictureWidth, int pictureHeight,
                      IRandomSource& random) {
    if (pictureWidth <= 0 || pictureHeight <= 0)
        return Rect{0, 0, width, height};
    switch (mode) {
    case kStretchFill:
        return Rect{0, 0, width, height};
    case kStretchFit:
        return FitCentred(width, height, pictureWidth, pictureHeight);
    case kStretchCentreShrink:
        if (LargerThan(width, height, pictureWidth, pictureHeight))
            return raster::FitRect(width, height, pictureWidth, pictureHeight);
        return Centred(width, height, pictureWidth, pictureHeight);
    case kStretchCentre:
        return Centred(width, height, pictureWidth, pictureHeight);
    case kStretchRandomShrink:
        if (LargerThan(width, height, pictureWidth, pictureHeight))
            return RandomFitted(width, height, pictureWidth, pictureHeight, random);
        return RandomUnscaled(width, height, pictureWidth, pictureHeight, random);
    case kStretchRandom:
        return RandomUnscaled(width, height, pictureWidth, pictureHeight, random);
    default:
        return RandomFitted(width, height, pictureWidth, pictureHeight, random);
    }
}

} // namespace vorlandite::slideshow

#pragma once
// Where a picture item lands on the frame, by its size-and-position mode, and which monitor the
// next picture item goes to. Pure computations: the window size, the picture size and the
// program's random generator come in, a rectangle comes out.

#include "raster/Geometry.h"
#include "base/RandomSource.h"

#include <cstdint>

namespace vorlandite::slideshow {

// Size-and-position modes of the item record and the "Stretch" setting.
enum StretchMode : int {
    kStretchFit = 0,           // scaled up or down to fit, aspect kept, centred
    kStretchFill = 1,          // stretched over the whole window
    kStretchCentre = 2,        // unscaled, centred, cut when larger
    kStretchRandom = 3,        // unscaled at a random position, cut when larger
    kStretchCentreShrink = 4,  // unscaled and centred; scaled down to fit when larger
    kStretchRandomShrink = 5,  // unscaled at random; scaled down to fit and moved at random when larger
};

// The width x height rectangle whose top-left corner is (left, top).
inline raster::Rect RectAt(int left, int top, int width, int height) {
    return raster::Rect{left, top, left + width, top + height};
}

// The item record's Stretch, unless it is -1 ("use the setting").
int EffectiveStretch(int itemStretch, int settingStretch);

// The rectangle of a width x height window that a pictureWidth x pictureHeight picture is drawn
// into. Random modes draw x before y. Any mode outside 0 to 5 fits the picture and moves it at
// random. A picture without area fills the window (there is no aspect ratio to keep).
raster::Rect PicturePlacement(int mode, int width, int height, int pictureWidth, int pictureHeight,
                              IRandomSource& random);

// The monitor alternation of picture items. With two or more monitors the picture items take
// turns, the first going to the main monitor; with one, every item goes there. Videos and Flash
// movies always play on the main monitor and do not take a turn.
class MonitorAlternation {
public:
    // The monitor for the next picture item: true for the main one.
    bool NextPictureOnPrimary(bool multiMonitor) {
        usePrimary_ = multiMonitor ? !usePrimary_ : true;
        return usePrimary_;
    }
    bool UsePrimaryMonitor() const { return usePrimary_; }

private:
    bool usePrimary_ = false;
};

} // namespace vorlandite::slideshow

#pragma once
// Bands: rectangles that move over the picture and reveal the new picture where they pass.
//
// A band is anchored at (x, y) and extends (w, h) from there; a negative w or h extends left or
// up. Each step forms the band's rectangle at its current position, clipped to the surface, and
// only then moves the anchor by (dx, dy), so the first step shows the band where it starts. A
// band that lies wholly outside the surface has both rectangles (0, 0, 0, 0); one that touches
// the surface's edge from outside (x = W with w > 0) counts as visible with an empty rectangle.
//
// TFoldFade is a soft band: besides its rectangle it prepares a fade surface of w x h pixels
// holding the new picture's pixels under the band with a gradient of alpha values, which the
// fade band pass blends over the old picture.

#include "raster/Geometry.h"
#include "raster/TBitmap32.h"

#include <cstdint>
#include <vector>

namespace vorlandite {
class IRandomSource;
}

namespace vorlandite::transitions {

class TFold {
public:
    // Anchor, extent, step count, anchor movement per step, and the surface the band copies from
    // (its size is taken now and clips the rectangles).
    void Init(int x0, int y0, int w, int h, int steps, double dx, double dy, const raster::TBitmap32* source);

    // One step, see above. Returns whether steps remain; a band without steps left returns
    // false and keeps the rectangles of its last step.
    bool Step();

    int StepsLeft() const { return stepsLeft_; }
    double X() const { return x_; }
    double Y() const { return y_; }
    const raster::TBitmap32* Source() const { return source_; }
    // The clipped band of the last step; (0, 0, 0, 0) when it was not visible.
    const raster::Rect& Rect() const { return rect_; }
    const raster::Rect& CopyRect() const { return copyRect_; }

protected:
    // Steps 1 to 4 of a band step: count down, form and clip the rectangle, judge visibility.
    // Returns false when there was no step left. `visible` and `more` report the step.
    bool FormRect(bool& visible, bool& more);
    void Move();

    int surfaceWidth_ = 0;
    int surfaceHeight_ = 0;
    int stepsLeft_ = 0;
    double x_ = 0, y_ = 0;
    double w_ = 0, h_ = 0;
    double dx_ = 0, dy_ = 0;
    const raster::TBitmap32* source_ = nullptr;
    raster::Rect rect_;
    raster::Rect copyRect_;
};

// Gradient kinds of a soft band: where its alpha is 255 and where it falls to 0. Any other kind
// gives every pixel its own random alpha.
enum : int {
    kFadeOpaqueLeft = 1,    // 255 at the left column, 0 at the right
    kFadeOpaqueRight = 2,   // 0 at the left, 255 at the right
    kFadeOpaqueTop = 3,     // 255 at the top row, 0 at the bottom
    kFadeOpaqueBottom = 4,  // 0 at the top, 255 at the bottom
};

class TFoldFade : public TFold {
public:
    // As TFold::Init with the new picture as source, plus the gradient kind. The fade surface
    // gets w x h pixels (negative sizes give an empty one). `random` feeds the random kind.
    void Init(int x0, int y0, int w, int h, int steps, double dx, double dy, const raster::TBitmap32* source,
              int kind, IRandomSource* random = nullptr);

    // A band step; when the band is visible, the source's pixels under the rectangle are copied
    // to the fade surface's top-left corner and the whole fade surface gets its alpha gradient.
    bool Step();

    int Kind() const { return kind_; }
    const raster::TBitmap32& FadeSurface() const { return fade_; }

private:
    void ApplyAlpha();

    raster::TBitmap32 fade_;
    int kind_ = 0;
    IRandomSource* random_ = nullptr;
    // The gradient along its axis (columns for kinds 1 and 2, rows for 3 and 4); it never
    // changes, so it is computed once.
    std::vector<uint8_t> gradient_;
};

} // namespace vorlandite::transitions

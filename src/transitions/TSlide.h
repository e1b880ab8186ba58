#pragma once
// A piece of a picture sliding into (or out of) its home rectangle, its window.
//
// The piece holds an offset (x, y) from home that changes by (dx, dy) per step. Each step shows
// the window's content shifted by the offset and clipped to the window: the destination and
// source rectangles of the step. Positions are reals and are rounded (to nearest, ties to even)
// only when a rectangle is formed, so a piece that starts at -W and moves by W/N arrives exactly
// home after N steps whatever the floating error.

#include "raster/Geometry.h"
#include "raster/TBitmap32.h"

namespace vorlandite::transitions {

class TSlide {
public:
    // Start offset, step count, offset change per step, the window (right and bottom exclusive)
    // and the surface the piece shows (NEW, or OLD for pieces of the old picture).
    void Init(double x0, double y0, int steps, double dx, double dy, int left, int top, int right, int bottom,
              const raster::TBitmap32* source);

    // One step: moves, then forms the rectangles. A piece pushed wholly out of its window has
    // both rectangles (0, 0, 0, 0). Returns whether steps remain; a piece without steps left
    // returns false and keeps the rectangles of its last step.
    bool Step();

    int StepsLeft() const { return stepsLeft_; }
    double X() const { return x_; }
    double Y() const { return y_; }
    const raster::TBitmap32* Source() const { return source_; }
    // The home rectangle.
    raster::Rect Window() const { return {left_, top_, right_, bottom_}; }
    const raster::Rect& DestinationRect() const { return destinationRect_; }
    const raster::Rect& SourceRect() const { return sourceRect_; }

private:
    int stepsLeft_ = 0;
    double x_ = 0, y_ = 0;
    double dx_ = 0, dy_ = 0;
    int left_ = 0, right_ = 0, top_ = 0, bottom_ = 0;
    const raster::TBitmap32* source_ = nullptr;
    raster::Rect destinationRect_;
    raster::Rect sourceRect_;
};

} // namespace vorlandite::transitions

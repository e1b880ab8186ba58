#include "transitions/TSlide.h"

#include "raster/RasterMath.h"

#include <utility>

namespace vorlandite::transitions {
namespace {

struct Ends {
    int Destination0, Destination1, Source0, source1;
};

// One axis: the window [low, high) shifted by the offset and clipped to the window.
Ends ShiftAxis(double offset, int low, int high) {
    if (offset < 0) {
        const int end = raster::RoundHalfEven(high + offset);
        return {low, end, low + high - end, high};
    }
    const int start = raster::RoundHalfEven(low + offset);
    return {start, high, low, high + low - start};
}

raster::Rect Sorted(int left, int top, int right, int bottom) {
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    return {left, top, right, bottom};
}

} // namespace

void TSlide::Init(double x0, double y0, int steps, double dx, double dy, int left, int top, int right, int bottom,
                  const raster::TBitmap32* source) {
    x_ = x0;
    y_ = y0;
    stepsLeft_ = steps;
    dx_ = dx;
    dy_ = dy;
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
    source_ = source;
    destinationRect_ = {};
    sourceRect_ = {};
}

bool TSlide::Step() {
    if (stepsLeft_ <= 0)
        return false;
    --stepsLeft_;
    x_ += dx_;
    y_ += dy_;
    const Ends h = ShiftAxis(x_, left_, right_);
    const Ends v = ShiftAxis(y_, top_, bottom_);
    // Visibility is judged on the ends as computed: a piece pushed past its window has them
    // crossed.
    const bool visible = h.Destination1 >= h.Destination0 && v.Destination1 >= v.Destination0;
    if (visible) {
        destinationRect_ = Sorted(h.Destination0, v.Destination0, h.Destination1, v.Destination1);
        sourceRect_ = Sorted(h.Source0, v.Source0, h.source1, v.source1);
    } else {
        destinationRect_ = {};
        sourceRect_ = {};
    }
    return stepsLeft_ > 0;
}

} // namespace vorlandite::transitions

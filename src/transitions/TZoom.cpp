#include "transitions/TZoom.h"

#include "raster/RasterMath.h"

namespace vorlandite::transitions {

using raster::RoundHalfEven;

void TZoom::Init(int x0, int y0, int w0, int h0, int steps, double vL, double vT, double vR, double vB, int sL,
                 int sT, int sR, int sB, const raster::TBitmap32* source) {
    x_ = x0;
    y_ = y0;
    w_ = w0;
    h_ = h0;
    stepsLeft_ = steps;
    vL_ = vL;
    vT_ = vT;
    vR_ = vR;
    vB_ = vB;
    sL_ = sL;
    sT_ = sT;
    sR_ = sR;
    sB_ = sB;
    source_ = source;
    destinationRect_ = {};
    sourceRect_ = {};
}

bool TZoom::Step() {
    if (stepsLeft_ <= 0)
        return false;
    --stepsLeft_;
    x_ += vL_;
    y_ += vT_;
    w_ += vR_ - vL_;
    h_ += vB_ - vT_;
    destinationRect_ = {RoundHalfEven(x_), RoundHalfEven(y_), RoundHalfEven(x_ + w_), RoundHalfEven(y_ + h_)};
    sourceRect_ = {sL_, sT_, sR_, sB_};
    return stepsLeft_ > 0;
}

} // namespace vorlandite::transitions

#pragma once
// A fixed rectangle of the new picture stretched into a rectangle whose four edges move by their
// own speeds, one step per frame. The destination is given as origin and size in reals and is
// rounded when formed; it is neither sorted nor clipped (the stretched copy clips).

#include "raster/Geometry.h"
#include "raster/TBitmap32.h"

namespace vorlandite::transitions {

class TZoom {
public:
    // Start rectangle as origin and size, step count, per-step movement of the left, top, right
    // and bottom edges, the source rectangle, and the surface it is taken from.
    void Init(int x0, int y0, int w0, int h0, int steps, double vL, double vT, double vR, double vB, int sL, int sT,
              int sR, int sB, const raster::TBitmap32* source);

    // Moves the edges, then forms the rectangles. Returns whether steps remain; a zoom without
    // steps left returns false and keeps the rectangles of its last step.
    bool Step();

    int StepsLeft() const { return stepsLeft_; }
    const raster::TBitmap32* Source() const { return source_; }
    const raster::Rect& DestinationRect() const { return destinationRect_; }
    const raster::Rect& SourceRect() const { return sourceRect_; }

private:
    int stepsLeft_ = 0;
    double x_ = 0, y_ = 0, w_ = 0, h_ = 0;
    double vL_ = 0, vR_ = 0, vT_ = 0, vB_ = 0;
    int sL_ = 0, sT_ = 0, sR_ = 0, sB_ = 0;
    const raster::TBitmap32* source_ = nullptr;
    raster::Rect destinationRect_;
    raster::Rect sourceRect_;
};

} // namespace vorlandite::transitions

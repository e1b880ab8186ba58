// Box out and box in (effects 69 and 70): a centred box with the picture's aspect ratio grows
// over the old picture showing the new one, or shrinks showing the old picture inside while the
// new one surrounds it.
//
// Ellipse regions (effects 71 to 76): the new picture is painted into WORK through a rounded
// rectangle that grows from the centre ("Out"), shrinks with the new picture outside it ("In"),
// or grows as a half ellipse from one edge until it spans the picture and then loses its
// corners. WORK keeps everything painted, so each frame only adds to the last one.

#include "transitions/BoxEllipseFamily.h"

#include "raster/BitmapDraw.h"
#include "raster/RasterMath.h"
#include "transitions/Families.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vorlandite::transitions {

using raster::RoundHalfEven;
using raster::Rect;
using raster::Region;

namespace {

// Change of the box's half-width per frame: W div N, at least one pixel.
int BoxStep(int width, int steps) { return std::max(width / steps, 1); }

Rect CentredBox(int width, int height, int halfWidth, int halfHeight) {
    const int cx = width / 2;
    const int cy = height / 2;
    return {cx - halfWidth, cy - halfHeight, cx + halfWidth, cy + halfHeight};
}

enum : int {
    kEllipseOut = 1,
    kEllipseIn = 2,
    kEllipseFromLeft = 3,
    kEllipseFromRight = 4,
    kEllipseFromUp = 5,
    kEllipseFromBottom = 6,
};

} // namespace

void RunBoxOut(TTransThread& thread, int) {
    const int W = thread.Width();
    const int H = thread.Height();
    const Rect picture{0, 0, W, H};
    const int d = BoxStep(W, thread.Steps());
    const double ratio = double(H) / W;
    // The last box may reach beyond the picture; only its part on the picture is shown.
    for (int f = d; f < W / 2 + d && !thread.Aborted(); f += d) {
        thread.BeginFrame();
        const Rect box = Intersect(CentredBox(W, H, f, RoundHalfEven(f * ratio)), picture);
        thread.SetRects(box, box);
        thread.CopyFromNew();
        thread.WaitFramePeriod();
    }
}

void RunBoxIn(TTransThread& thread, int) {
    const int W = thread.Width();
    const int H = thread.Height();
    const Rect picture{0, 0, W, H};
    const int d = BoxStep(W, thread.Steps());
    const double ratio = double(H) / W;
    raster::TBitmap32& work = thread.Work();
    // Each frame is the new picture with the old one in the box. The boxes only shrink, so
    // instead of redrawing all of NEW every frame, WORK starts as NEW and gets NEW back only
    // where the previous box was: the frame is the same.
    raster::CopyRect(work, thread.New(), picture);
    Rect previous;
    for (int f = W / 2; f > 0 && !thread.Aborted(); f -= d) {
        thread.BeginFrame();
        const Rect box = Intersect(CentredBox(W, H, f, RoundHalfEven(f * ratio)), picture);
        raster::CopyRect(work, thread.New(), previous);
        raster::CopyRect(work, thread.Old(), box);
        previous = box;
        thread.SetRects(picture, picture);
        thread.CopyFromWork();
        thread.WaitFramePeriod();
    }
}

EllipseFrame EllipseFrameAt(int subIndex, int width, int height, int steps, int i) {
    const int W = width;
    const int N = steps;
    // "From Up" works on a picture one row taller, so that its half ellipse reaches the bottom.
    const int H = subIndex == kEllipseFromUp ? height + 1 : height;
    const int cx = W / 2;
    const int cy = height / 2;
    const int sx = int(std::ceil(double(W) / N));
    const int sy = int(std::ceil(double(H) / N));
    // Corner sizes shrinking to nothing once the half ellipse spans the picture.
    const auto shrinking = [N, i](int extent) {
        return std::max(0, extent - int(std::ceil((i - 0.9 * N) * (double(extent) / N) * 2)));
    };

    EllipseFrame frame;
    const auto shape = [&frame](Rect rect, int cornerWidth, int cornerHeight) {
        frame.hasShape = true;
        frame.rect = rect;
        frame.cornerWidth = cornerWidth;
        frame.cornerHeight = cornerHeight;
    };
    // The edge effects: a half ellipse while it grows (i > 0 and sx x i <= W), then the full
    // span with shrinking corners. "From Bottom" decides by the horizontal test as well.
    const bool growing = i > 0 && int64_t(sx) * i <= W;
    const bool spanning = int64_t(sx) * i > W;
    switch (subIndex) {
    case kEllipseOut:
        if (i > 0)
            shape({cx - sx * i, cy - sy * i, cx + sx * i, cy + sy * i}, W, H);
        frame.done = i > N / 1.5;
        break;
    case kEllipseIn: {
        const int k = RoundHalfEven(N / 1.5 - i);
        shape({cx - sx * k, cy - sy * k, cx + sx * k, cy + sy * k}, W, H);
        frame.done = i > N / 1.5;
        break;
    }
    case kEllipseFromLeft:
        if (growing)
            shape({-sx * i, 0, std::min(W, sx * i), H + 1}, W, H);
        else if (spanning)
            shape({-W, 0, W, H + 1}, shrinking(W), shrinking(H));
        frame.done = i > 1.5 * N;
        break;
    case kEllipseFromRight:
        if (growing)
            shape({W - std::min(W, sx * i), 0, W + sx * i, H + 1}, W, H);
        else if (spanning)
            shape({0, 0, 2 * W, H + 1}, shrinking(W), shrinking(H));
        frame.done = i > 1.5 * N;
        break;
    case kEllipseFromUp: {
        const bool growingDown = i > 0 && int64_t(sy) * i <= H;
        if (growingDown)
            shape({0, -sy * i, W + 1, std::min(H, sy * i)}, W, H);
        else if (int64_t(sy) * i > H)
            shape({0, -H, W + 1, H}, shrinking(W), shrinking(H));
        frame.done = i > 1.5 * N;
        break;
    }
    case kEllipseFromBottom:
        if (growing)
            shape({0, H - std::min(H, sy * i), W + 1, H + sy * i}, W, H);
        else if (spanning)
            shape({0, 0, W + 1, 2 * H}, shrinking(W), shrinking(H));
        frame.done = i > 1.5 * N;
        break;
    default: frame.done = true; break;
    }
    return frame;
}

Region EllipseFrameRegion(int subIndex, int width, int height, int steps, int i) {
    const EllipseFrame frame = EllipseFrameAt(subIndex, width, height, steps, i);
    if (!frame.hasShape)
        return {};
    // Reversed coordinates name the same rectangle ("Ellipse In" runs k below 0 with few steps).
    const Region shape =
        Region::FromRoundRect(raster::Normalised(frame.rect), frame.cornerWidth, frame.cornerHeight);
    const int pictureHeight = subIndex == kEllipseFromUp ? height + 1 : height;
    const Region picture = Region::FromRect({0, 0, width, pictureHeight});
    return subIndex == kEllipseIn ? shape.Xored(picture) : shape.Intersected(picture);
}

void RunEllipseFamily(TTransThread& thread, int subIndex) {
    const int W = thread.Width();
    const int H = thread.Height();
    const int N = thread.Steps();
    const Rect picture{0, 0, W, H};
    raster::TBitmap32& work = thread.Work();
    raster::CopyRect(work, thread.Old(), picture);
    bool done = false;
    for (int i = 0; !thread.Aborted() && !done; ++i) {
        thread.BeginFrame();
        const Region region = EllipseFrameRegion(subIndex, W, H, N, i);
        if (!region.IsEmpty())
            raster::CopyThroughRegion(work, thread.New(), region);
        done = EllipseFrameAt(subIndex, W, H, N, i).done;
        thread.SetRects(picture, picture);
        thread.CopyFromWork();
        thread.WaitFramePeriod();
    }
}

} // namespace vorlandite::transitions

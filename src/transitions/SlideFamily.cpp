// Slides (effects 1 to 22): the whole new picture, its halves, its quarters, or ten columns or
// rows of it slide into place, each piece within its own home rectangle; "Door Open" instead
// slides the two halves of the old picture apart while two bands paint the new picture into the
// widening gap. The cascading effects (14, 16, 19, 20) start each further piece a quarter of the
// picture further away and give it S = N div 4 more steps at the same speed, so the pieces arrive
// one after another.

#include "transitions/SlideFamily.h"

#include "raster/RasterMath.h"
#include "transitions/Families.h"
#include "transitions/ObjectPasses.h"

#include <cmath>
#include <cstdint>

namespace vorlandite::transitions {

using raster::RoundHalfEven;
using raster::TBitmap32;

void BuildSlidePieces(int subIndex, int width, int height, int steps, const TBitmap32* newPicture,
                      const TBitmap32* oldPicture, SlidePieces& pieces) {
    pieces.slideCount = 0;
    pieces.bandCount = 0;
    const int W = width;
    const int H = height;
    const int N = steps;
    const int hw = W / 2;
    const int hh = H / 2;
    const int S = N / 4;
    const double stepX = double(W) / N;  // W/N
    const double stepY = double(H) / N;  // H/N
    const double halfStepX = stepX / 2;  // W/N/2
    const double halfStepY = stepY / 2;  // H/N/2
    // Boundaries of ten columns or rows, k = 0 to 10 (64-bit: k x W may not fit an int).
    const auto col = [W](int k) { return int(int64_t(k) * W / 10); };
    const auto row = [H](int k) { return int(int64_t(k) * H / 10); };

    const auto slide = [&](double x0, double y0, int count, double dx, double dy, int left, int top, int right,
                           int bottom, const TBitmap32* source) {
        if (pieces.slideCount < SlidePieces::kMaxSlides)
            pieces.slides[std::size_t(pieces.slideCount++)].Init(x0, y0, count, dx, dy, left, top, right, bottom,
                                                                 source);
    };
    const auto fromNew = [&](double x0, double y0, double dx, double dy, int left, int top, int right, int bottom) {
        slide(x0, y0, N, dx, dy, left, top, right, bottom, newPicture);
    };
    // Cascades: piece k (1 to 10) starts 0.75 of the picture's extent further out per piece.
    const auto cascadeStart = [](int extent, int k) {
        return RoundHalfEven(0.75 * extent * (k - 1) - double(extent) * k);
    };
    const auto cascadeStartFar = [](int extent, int j) {
        return RoundHalfEven(double(extent) * j - 0.75 * extent * (j - 1));
    };

    switch (subIndex) {
    case 1: fromNew(-W, -H, stepX, stepY, 0, 0, W, H); break;
    case 2: fromNew(W, -H, -stepX, stepY, 0, 0, W, H); break;
    case 3: fromNew(W, H, -stepX, -stepY, 0, 0, W, H); break;
    case 4: fromNew(-W, H, stepX, -stepY, 0, 0, W, H); break;
    case 5: fromNew(-W, 0, stepX, 0, 0, 0, W, H); break;
    case 6: fromNew(W, 0, -stepX, 0, 0, 0, W, H); break;
    case 7: fromNew(0, H, 0, -stepY, 0, 0, W, H); break;
    case 8: fromNew(0, -H, 0, stepY, 0, 0, W, H); break;
    case 9:  // Door Close
        fromNew((-W) / 2, 0, halfStepX, 0, 0, 0, hw, H);
        fromNew(W / 2, 0, -halfStepX, 0, hw, 0, W, H);
        break;
    case 10: {  // Door Open: the old halves start where their first step shows them at home.
        slide(RoundHalfEven(halfStepX), 0, N, -halfStepX, 0, 0, 0, hw, H, oldPicture);
        slide(RoundHalfEven(-halfStepX), 0, N, halfStepX, 0, hw, 0, W, H, oldPicture);
        const int bandWidth = int(std::ceil(halfStepX));
        pieces.bands[0].Init(hw - 1, 0, bandWidth, H, N, halfStepX, 0, newPicture);
        // The band that paints leftwards needs one step more to reach column 0.
        pieces.bands[1].Init(hw + 1, 0, -bandWidth, H, N + 1, -halfStepX, 0, newPicture);
        pieces.bandCount = 2;
        break;
    }
    case 11:  // Close From Corners
        fromNew((-W) / 2, (-H) / 2, halfStepX, halfStepY, 0, 0, hw, hh);
        fromNew(W / 2, (-H) / 2, -halfStepX, halfStepY, hw, 0, W, hh);
        fromNew((-W) / 2, H / 2, halfStepX, -halfStepY, 0, hh, hw, H);
        fromNew(W / 2, H / 2, -halfStepX, -halfStepY, hw, hh, W, H);
        break;
    case 12:  // Iris Close: from the left, the top, the bottom and the right.
        fromNew((-W) / 2, 0, halfStepX, 0, 0, 0, hw, hh);
        fromNew(0, (-H) / 2, 0, halfStepY, hw, 0, W, hh);
        fromNew(0, H / 2, 0, -halfStepY, 0, hh, hw, H);
        fromNew(W / 2, 0, -halfStepX, 0, hw, hh, W, H);
        break;
    case 13:  // Sliding Jaws Vertical: even columns from the top, then odd ones from the bottom.
        for (int k = 1; k <= 5; ++k)
            fromNew(0, -H, 0, stepY, col(2 * k - 2), 0, col(2 * k - 1), H);
        for (int k = 1; k <= 5; ++k)
            fromNew(0, H, 0, -stepY, col(2 * k - 1), 0, col(2 * k), H);
        break;
    case 14:  // Falling Columns
        for (int k = 1; k <= 10; ++k)
            slide(0, cascadeStart(H, k), (k - 1) * S + N, 0, stepY, col(k - 1), 0, col(k), H, newPicture);
        break;
    case 15:  // Sliding Jaws Horizontal: even rows from the left, then odd ones from the right.
        for (int k = 1; k <= 5; ++k)
            fromNew(-W, 0, stepX, 0, 0, row(2 * k - 2), W, row(2 * k - 1));
        for (int k = 1; k <= 5; ++k)
            fromNew(W, 0, -stepX, 0, 0, row(2 * k - 1), W, row(2 * k));
        break;
    case 16:  // Sliding Columns
        for (int k = 1; k <= 10; ++k)
            slide(cascadeStart(W, k), 0, (k - 1) * S + N, stepX, 0, 0, row(k - 1), W, row(k), newPicture);
        break;
    case 17:  // Vertical Two Part Slide
        fromNew(0, -H, 0, stepY, 0, 0, hw, H);
        fromNew(0, H, 0, -stepY, hw, 0, W, H);
        break;
    case 18:  // Horizontal Two Part Slide
        fromNew(-W, 0, stepX, 0, 0, 0, W, hh);
        fromNew(W, 0, -stepX, 0, 0, hh, W, H);
        break;
    case 19:  // Sliding Columns From Sides: each row split on a diagonal, left parts first.
        for (int k = 1; k <= 10; ++k)
            slide(cascadeStart(W, k), 0, (k - 1) * S + N, stepX, 0, 0, row(k - 1),
                  RoundHalfEven(W - (k - 1) * 0.1 * W), row(k), newPicture);
        for (int j = 1; j <= 10; ++j)
            slide(cascadeStartFar(W, j), 0, (j - 1) * S + N, -stepX, 0, RoundHalfEven(j * 0.1 * W), row(10 - j), W,
                  row(11 - j), newPicture);
        break;
    case 20:  // Sliding Columns From Up & Bottom: lower parts start one row above the split.
        for (int k = 1; k <= 10; ++k)
            slide(0, cascadeStart(H, k), (k - 1) * S + N, 0, stepY, col(k - 1), 0, col(k),
                  RoundHalfEven(H - (k - 1) * 0.1 * H), newPicture);
        for (int j = 1; j <= 10; ++j)
            slide(0, cascadeStartFar(H, j), (j - 1) * S + N, 0, -stepY, col(10 - j), RoundHalfEven(j * 0.1 * H) - 1,
                  col(11 - j), H, newPicture);
        break;
    case 21:  // Blinds Slide Right: each tenth slides its own content by one strip width.
        for (int k = 1; k <= 10; ++k)
            fromNew(-std::ceil(W / 10.0), 0, (W / 10.0) / N, 0, col(k - 1), 0, col(k), H);
        break;
    case 22:  // Blinds Slide Left
        for (int k = 1; k <= 10; ++k)
            fromNew(std::ceil(W / 10.0), 0, -(W / 10.0) / N, 0, col(k - 1), 0, col(k), H);
        break;
    default: break;
    }
}

void RunSlideFamily(TTransThread& thread, int subIndex) {
    SlidePieces pieces;
    BuildSlidePieces(subIndex, thread.Width(), thread.Height(), thread.Steps(), &thread.New(), &thread.Old(), pieces);
    for (;;) {
        thread.BeginFrame();
        if (!RunSlidePass(thread, pieces.ActiveSlides(), pieces.ActiveBands()) || thread.Aborted())
            break;
        thread.WaitFramePeriod();
    }
}

} // namespace vorlandite::transitions

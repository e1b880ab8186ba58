// Unfold and line bands (effects 23 to 64): every effect is a set of bands that paint the new
// picture wherever they pass and leave it there. One wide band unfolds the picture; several make
// jaws, columns and corners; bands half (or a quarter) as wide as their step leave stripes of the
// old picture that a second band fills from the other side or on a second pass.
//
// Bands that should start late are placed one or more picture sizes outside the picture and
// given the matching number of extra steps; bands anchored at the far edge with a negative size
// take one step more than N, the last one painting at most a sliver at the near edge. The effect
// lasts as many frames as its band with the most steps.

#include "raster/RasterMath.h"
#include "transitions/Families.h"
#include "transitions/ObjectPasses.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

namespace vorlandite::transitions {

using raster::RoundHalfEven;
using raster::TBitmap32;

namespace {

int CeilOf(double v) { return int(std::ceil(v)); }

// The family's bands for one run, in painting order.
struct UnfoldBands {
    static constexpr int kMaxBands = 64;
    std::array<TFold, kMaxBands> bands;
    int count = 0;

    std::span<TFold> Active() { return {bands.data(), std::size_t(count)}; }
};

// Where a stripe of the thirty-two line effects starts on its axis of extent E.
enum class LineStart {
    Near,    // at 0, painting forwards: N steps
    Far,     // at E, painting backwards: N + 1 steps
    Before,  // at -E, painting forwards, enters after N steps: 2N steps
    Beyond,  // at 2E, painting backwards, enters after N steps: 2N + 1 steps
};

// Odd and even stripes of effects 47 to 51 (rows) and, in the same order, 52 to 56 (columns).
constexpr LineStart kLineStarts[5][2] = {
    {LineStart::Near, LineStart::Before},  // from the near side, even stripes on a second pass
    {LineStart::Far, LineStart::Beyond},   // from the far side, likewise
    {LineStart::Near, LineStart::Beyond},  // there, then back
    {LineStart::Far, LineStart::Before},   // there from the far side, then back
    {LineStart::Near, LineStart::Far},     // both sides at once
};

// Creates the bands of effect subIndex (1 to 42, the effect number minus 22) for a W x H picture
// in N steps. Other sub-indexes create none.
void BuildUnfoldBands(int subIndex, int width, int height, int steps, const TBitmap32* newPicture,
                      UnfoldBands& bands) {
    bands.count = 0;
    const int W = width;
    const int H = height;
    const int N = steps;
    const int hw = W / 2;
    const int hh = H / 2;
    const double stepX = double(W) / N;  // W/N
    const double stepY = double(H) / N;  // H/N
    const double halfX = stepX / 2;      // W/N/2 = W/(2N) = W/2/N
    const double halfY = stepY / 2;
    const int bandX = CeilOf(stepX);     // a band that moves by W/N without gaps
    const int bandY = CeilOf(stepY);
    // Left edges of ten columns (tops of ten rows), k = 1 to 10.
    const auto tenthX = [W](int k) { return RoundHalfEven(double(k - 1) * W / 10); };
    const auto tenthY = [H](int k) { return RoundHalfEven(double(k - 1) * H / 10); };
    // Line counts. Pictures one pixel wide or high, or fewer than four steps for the downloads,
    // would give no lines at all and a step of infinite size: one line is the least.
    const int linesX = std::max(1, std::min(N, hw));
    const int linesY = std::max(1, std::min(N, hh));

    const auto add = [&](int x0, int y0, int w, int h, int count, double dx, double dy) {
        if (bands.count < UnfoldBands::kMaxBands)
            bands.bands[std::size_t(bands.count++)].Init(x0, y0, w, h, count, dx, dy, newPicture);
    };

    switch (subIndex) {
    case 1: add(0, 0, bandX, H, N, stepX, 0); break;          // Unfold From Left
    case 2: add(W, 0, -bandX, H, N + 1, -stepX, 0); break;    // Unfold From Right
    case 3: add(0, 0, W, bandY, N, 0, stepY); break;          // Unfold From Up
    case 4: add(0, H, W, -bandY, N + 1, 0, -stepY); break;    // Unfold From Bottom
    // From a corner: a vertical and a horizontal band move diagonally together, forming the two
    // inner edges of a rectangle that grows out of the corner.
    case 5:  // Unfold From Up Left
        add(0, -H, bandX, H, N, stepX, stepY);
        add(-W, 0, W + bandX, bandY, N, stepX, stepY);
        break;
    case 6:  // Unfold From Up Right
        add(W, -H, -bandX, H, N + 1, -stepX, stepY);
        add(2 * W, 0, -W - bandX, bandY, N + 1, -stepX, stepY);
        break;
    case 7:  // Unfold From Bottom Right
        add(W, 2 * H, -bandX, -H, N + 1, -stepX, -stepY);
        add(2 * W, H, -W - bandX, -bandY, N + 1, -stepX, -stepY);
        break;
    case 8:  // Unfold From Bottom Left
        add(0, 2 * H, bandX, -H, N + 1, stepX, -stepY);
        add(-W, H, W + bandX, -bandY, N + 1, stepX, -stepY);
        break;
    case 9:  // Unfold From Both Sides
        add(0, 0, CeilOf(halfX), H, N, halfX, 0);
        add(W, 0, -CeilOf(halfX), H, N + 1, -halfX, 0);
        break;
    case 10:  // Unfold From Middle To Sides
        add(hw, 0, CeilOf(halfX), H, N, halfX, 0);
        add(hw, 0, -CeilOf(halfX), H, N + 1, -halfX, 0);
        break;
    case 11:  // Unfold From All Corners: quarters slide in from outside the four corners.
        add((-W) / 2, (-H) / 2, hw, hh, N + 1, halfX, halfY);
        add(W + hw, H + hh, (-W) / 2, (-H) / 2, N + 1, -halfX, -halfY);
        add(W + hw, (-H) / 2, (-W) / 2, hh, N + 2, -halfX, halfY);
        add((-W) / 2, H + hh, hw, (-H) / 2, N + 2, halfX, -halfY);
        break;
    case 12:  // Unfolding Iris: quarters swept from the left, the top, the right and the bottom.
        add(0, 0, CeilOf(halfX), CeilOf(H / 2.0), N + 1, halfX, 0);
        add(hw, 0, CeilOf(W / 2.0), CeilOf(halfY), N + 1, 0, halfY);
        add(W, hh, CeilOf(halfX), CeilOf(H / 2.0), N + 1, -halfX, 0);
        add(0, H, CeilOf(W / 2.0), CeilOf(halfY), N + 1, 0, -halfY);
        break;
    case 13:  // Unfolding Vertical Jaws: odd columns from the top, even ones from the bottom.
        for (int k = 1; k <= 10; ++k) {
            if (k % 2 == 1)
                add(tenthX(k), 0, CeilOf(W / 10.0), bandY, N, 0, stepY);
            else
                add(tenthX(k), H, CeilOf(W / 10.0), -bandY, N + 1, 0, -stepY);
        }
        break;
    case 14:  // Unfolding Falling Columns: each column half a picture higher up than the last.
        for (int k = 1; k <= 10; ++k)
            add(tenthX(k), RoundHalfEven(-0.5 * H * (k - 1)), CeilOf(W / 10.0), bandY, (k - 1) * (N / 2) + N, 0,
                stepY);
        break;
    case 15:  // Unfolding Horizontal Jaws: odd rows from the left, even ones from the right.
        for (int k = 1; k <= 10; ++k) {
            if (k % 2 == 1)
                add(0, tenthY(k), bandX, CeilOf(H / 10.0), N, stepX, 0);
            else
                add(W, tenthY(k), -bandX, CeilOf(H / 10.0), N + 1, -stepX, 0);
        }
        break;
    case 16:  // Unfolding Horizontal Columns
        for (int k = 1; k <= 10; ++k)
            add(RoundHalfEven(-0.5 * W * (k - 1)), tenthY(k), bandX, CeilOf(H / 10.0), (k - 1) * (N / 2) + N, stepX,
                0);
        break;
    case 17:  // Vertical Two Part Unfold
        add(0, 0, hw, bandY, N, 0, stepY);
        add(hw, H, W, -bandY, N + 1, 0, -stepY);
        break;
    case 18:  // Horizontal Two Part Unfold
        add(0, 0, bandX, hh, N, stepX, 0);
        add(W, hh, -bandX, H, N + 1, -stepX, 0);
        break;
    case 19:  // Unfolding Columns Horizontally: each row split on a diagonal between the sides.
        for (int k = 1; k <= 10; ++k)
            add(RoundHalfEven(-0.25 * W * (k - 1)), int(int64_t(k - 1) * H / 10), CeilOf(stepX + 1),
                CeilOf(H / 10.0), RoundHalfEven(N + 0.15 * N * (k - 1)), stepX, 0);
        // The band for j = 1 runs along the row below the picture and paints nothing.
        for (int j = 1; j <= 10; ++j)
            add(RoundHalfEven(double(W) * j - 0.75 * W * (j - 1)), int(int64_t(11 - j) * H / 10), -CeilOf(stepX + 1),
                CeilOf(H / 10.0), RoundHalfEven(N + 0.15 * N * (j - 1)), -stepX, 0);
        break;
    case 20:  // Unfolding Columns Vertically
        for (int k = 1; k <= 10; ++k)
            add(int(int64_t(k - 1) * W / 10), RoundHalfEven(-0.25 * H * (k - 1)), CeilOf(W / 10.0),
                CeilOf(stepY + 1), RoundHalfEven(N + 0.15 * N * (k - 1)), 0, stepY);
        for (int j = 1; j <= 10; ++j)
            add(int(int64_t(11 - j) * W / 10), RoundHalfEven(double(H) * j - 0.75 * H * (j - 1)), CeilOf(W / 10.0),
                -bandY, RoundHalfEven(N + 0.15 * N * (j - 1)), 0, -stepY);
        break;
    // Lines: a band half as wide as its step leaves stripes of the old picture behind it, which
    // the other band fills from the opposite side or on its way back.
    case 21: {  // Vertical Lines From Sides
        const int M = linesX;
        add(0, 0, CeilOf(double(W) / M / 2), H, M, double(W) / M, 0);
        add(W, 0, -CeilOf(double(W) / M / 2), H, M, -double(W) / M, 0);
        break;
    }
    case 22: {  // Horizontal Lines From Up & Bottom
        const int M = linesY;
        add(0, 0, W, CeilOf(double(H) / M / 2), M, 0, double(H) / M);
        add(0, H, W, -CeilOf(double(H) / M / 2), M, 0, -double(H) / M);
        break;
    }
    case 23: {  // Vertical Lines From Left & Back
        const int M = linesX;
        add(0, 0, CeilOf(double(W) / M / 2), H, M, double(W) / M, 0);
        add(2 * W, 0, -CeilOf(double(W) / M / 2 + 1), H, 2 * M, -double(W) / M, 0);
        break;
    }
    case 24: {  // Horizontal Lines From Up & Back
        const int M = linesY;
        add(0, 0, W, CeilOf(double(H) / M / 2), M, 0, double(H) / M);
        add(0, 2 * H, W, -CeilOf(double(H) / M / 2 + 1), 2 * M, 0, -double(H) / M);
        break;
    }
    case 25: case 26: case 27: case 28: case 29:    // Horizontal lines: 32 rows
    case 30: case 31: case 32: case 33: case 34: {  // Vertical lines: 32 columns
        const bool vertical = subIndex >= 30;
        const LineStart* starts = kLineStarts[(subIndex - 25) % 5];
        const int extent = vertical ? H : W;
        const double step = double(extent) / N;
        const int band = CeilOf(step);
        const int stripe = CeilOf((vertical ? W : H) / 32.0);
        for (int k = 1; k <= 32; ++k) {
            int anchor = 0, size = band, count = N;
            double move = step;
            switch (starts[k % 2 == 1 ? 0 : 1]) {
            case LineStart::Near: break;
            case LineStart::Far:
                anchor = extent;
                size = -band;
                count = N + 1;
                move = -step;
                break;
            case LineStart::Before:
                anchor = -extent;
                count = 2 * N;
                break;
            case LineStart::Beyond:
                anchor = 2 * extent;
                size = -band;
                count = 2 * N + 1;
                move = -step;
                break;
            }
            const int across = (k - 1) * stripe;
            if (vertical)
                add(across, anchor, stripe, size, count, 0, move);
            else
                add(anchor, across, size, stripe, count, move, 0);
        }
        break;
    }
    // Cross lines: vertical and horizontal lines, each set filled on a second pass from the other
    // side. All four use the row count for both directions.
    case 35: case 36: case 37: case 38: {
        const int M = linesY;
        const double cellX = double(W) / M, cellY = double(H) / M;
        const int lineX = CeilOf(cellX / 2), lineY = CeilOf(cellY / 2);
        const int backX = CeilOf(cellX / 2 + 1), backY = CeilOf(cellY / 2 + 1);
        const bool fromRight = subIndex >= 37;   // 59, 60
        const bool fromBottom = subIndex % 2 == 1;  // 57, 59
        if (fromRight)
            add(W - 1, 0, -lineX, H, M, -cellX, 0);
        else
            add(0, 0, lineX, H, M, cellX, 0);
        if (fromBottom) {
            add(0, H - 1, W, -lineY, M, 0, -cellY);
            add(0, -H - 1, W, backY, 2 * M, 0, cellY);
        } else {
            add(0, 0, W, lineY, M, 0, cellY);
            add(0, 2 * H, W, -backY, 2 * M, 0, -cellY);
        }
        if (fromRight)
            add(-W - 1, 0, backX, H, 2 * M, cellX, 0);
        else
            add(2 * W, 0, -backX, H, 2 * M, -cellX, 0);
        break;
    }
    // Sweeps: column (row) k waits (k - 1) x D steps outside the picture, then crosses it in D
    // steps, alternately from either side.
    case 39: {  // Sweep From Left
        const int D = std::max(4, N / 3);
        for (int k = 1; k <= 10; ++k) {
            if (k % 2 == 1)
                add(tenthX(k), -(k - 1) * H, CeilOf(W / 10.0), CeilOf(double(H) / D), D * k, 0, double(H) / D);
            else
                add(tenthX(k), k * H, CeilOf(W / 10.0), -CeilOf(double(H) / D), D * k + 1, 0, -double(H) / D);
        }
        break;
    }
    case 40: {  // Sweep From Up
        const int D = std::max(4, N / 3);
        for (int k = 1; k <= 10; ++k) {
            if (k % 2 == 1)
                add(-(k - 1) * W, tenthY(k), CeilOf(double(W) / D), CeilOf(H / 10.0), D * k, double(W) / D, 0);
            else
                add(k * W, tenthY(k), -CeilOf(double(W) / D), CeilOf(H / 10.0), D * k + 1, -double(W) / D, 0);
        }
        break;
    }
    // Downloads: four bands a quarter of a cell wide cross the picture one after the other, each
    // painting the next quarter of every cell. Both count their cells by the height.
    case 41: case 42: {
        const int M = std::max(1, std::min(N / 4, H / 4));
        if (subIndex == 41) {
            const int q = CeilOf(double(W) / M / 4);
            for (int j = 0; j <= 3; ++j)
                add(j * (q - W), 0, q, H, (j + 1) * M, double(W) / M, 0);
        } else {
            const int q = CeilOf(double(H) / M / 4);
            for (int j = 0; j <= 3; ++j)
                add(0, j * (q - H), W, q, (j + 1) * M, 0, double(H) / M);
        }
        break;
    }
    default: break;
    }
}

} // namespace

void RunUnfoldFamily(TTransThread& thread, int subIndex) {
    UnfoldBands bands;
    BuildUnfoldBands(subIndex, thread.Width(), thread.Height(), thread.Steps(), &thread.New(), bands);
    for (;;) {
        thread.BeginFrame();
        if (!RunBandPass(thread, bands.Active()) || thread.Aborted())
            break;
        thread.WaitFramePeriod();
    }
}

} // namespace vorlandite::transitions

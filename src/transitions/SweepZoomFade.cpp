// Spiral sweeps (101, 102), zooms (103 to 114), fades (115, 116) and soft-edged wipes (117 to
// 120).
//
// The spiral paints one cell of the new picture per frame where a cell-sized rectangle lands as it
// runs along a rectangular spiral; at high speed it leaves gaps, which the engine's closing copy
// fills. The zooms stretch the new picture (or its halves or quarters) into growing rectangles.
// The fades compose every frame in WORK from whole pictures blended by one master alpha. The soft
// wipes run a hard band of the new picture with a gradient band a tenth of the picture wide just
// ahead of it.

#include "raster/BitmapFade.h"
#include "raster/RasterMath.h"
#include "transitions/Families.h"
#include "transitions/ObjectPasses.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

namespace vorlandite::transitions {

using raster::CeilDiv;
using raster::TBitmap32;
using raster::Rect;

namespace {

// ---------------------------------------------------------------------------------------------
// Spiral sweeps

// Positions in 64 bits: at N = 1 the speed is four picture heights per frame, and the cell may
// run far past the picture before it turns.
struct Spiral {
    int64_t x = 0, y = 0;
    int64_t vx = 0, vy = 0;
    int64_t left = 0, top = 0, right = 0, bottom = 0;
};

void RunSpiral(TTransThread& thread, bool insideOut) {
    const int W = thread.Width();
    const int H = thread.Height();
    const int N = thread.Steps();
    const int64_t hw = W / 2;
    const int64_t hh = H / 2;
    const int64_t cw = CeilDiv(W, 8);
    const int64_t ch = CeilDiv(H, 8);
    // Every turn widens the spiral by a cell (inside out) or narrows it by one (outside in).
    const int64_t grow = insideOut ? 1 : -1;

    Spiral s;
    if (insideOut) {
        s.x = s.left = hw - cw;
        s.y = s.top = hh - ch;
        s.right = hw;
        s.bottom = hh;
    } else {
        s.left = s.top = -1;
        s.right = W - cw + 1;
        s.bottom = H - ch + 1;
    }
    // The height sets the speed on both axes.
    s.vx = int64_t(std::ceil(double(H) / (double(N) / 4)));

    const Rect picture{0, 0, W, H};
    // Clamping to just outside the picture brings the cell's corners into int range and leaves
    // the clipped cell as it is.
    const auto clampX = [W](int64_t v) { return int(std::clamp<int64_t>(v, -1, int64_t(W) + 1)); };
    const auto clampY = [H](int64_t v) { return int(std::clamp<int64_t>(v, -1, int64_t(H) + 1)); };
    const int64_t lastFrame = 4 * int64_t(N);
    bool done = false;
    for (int64_t i = 0; !thread.Aborted() && !done && i <= lastFrame; ++i) {
        thread.BeginFrame();
        const Rect cell =
            raster::Intersect({clampX(s.x), clampY(s.y), clampX(s.x + cw), clampY(s.y + ch)}, picture);
        thread.SetRects(cell, cell);
        thread.CopyFromNew();
        thread.WaitFramePeriod();

        s.x += s.vx;
        s.y += s.vy;
        if (s.x >= s.right && s.vx > 0) {  // turn down
            s.top -= grow * ch;
            s.vy = s.vx;
            s.vx = 0;
            s.x = s.right;
        } else if (s.y >= s.bottom && s.vy > 0) {  // turn left
            s.right += grow * cw;
            s.vx = -s.vy;
            s.vy = 0;
            s.y = s.bottom;
        } else if (s.x <= s.left && s.vx < 0) {  // turn up
            s.bottom += grow * ch;
            s.vy = s.vx;
            s.vx = 0;
            s.x = s.left;
        } else if (s.y <= s.top && s.vy < 0) {  // turn right
            s.left -= grow * cw;
            s.vx = -s.vy;
            s.vy = 0;
            s.y = s.top;
        }
        done = insideOut ? (s.x <= 0 && s.y <= 0) : (s.right < s.left || s.bottom < s.top);
    }
}

// ---------------------------------------------------------------------------------------------
// Zooms

// Start rectangle (origin and size), edge velocities and source rectangle of one zoom.
struct ZoomSetup {
    int x0, y0, w0, h0;
    double vl, vt, vr, vb;
    Rect source;
};

constexpr std::size_t kMaxZooms = 4;

// The zooms of effect 102 + subIndex; returns how many were set up (0 for an unknown sub-index).
std::size_t ZoomSetups(int subIndex, int W, int H, int N, std::array<ZoomSetup, kMaxZooms>& out) {
    const int hw = W / 2;
    const int hh = H / 2;
    const double w = W, h = H, n = N;
    const Rect whole{0, 0, W, H};
    switch (subIndex) {
    case 1: out[0] = {hw, hh, 0, 0, -w / 2 / n, -h / 2 / n, w / 2 / n, h / 2 / n, whole}; return 1;  // Zoom In
    case 2: out[0] = {0, 0, 0, 0, 0, 0, w / n, h / n, whole}; return 1;         // From Up Left
    case 3: out[0] = {W, 0, 0, 0, -w / n, 0, 0, h / n, whole}; return 1;        // From Up Right
    case 4: out[0] = {0, H, 0, 0, 0, -h / n, w / n, 0, whole}; return 1;        // From Bottom Left
    case 5: out[0] = {W, H, 0, 0, -w / n, -h / n, 0, 0, whole}; return 1;       // From Bottom Right
    case 6: out[0] = {0, 0, 0, H, 0, 0, w / n, 0, whole}; return 1;             // From Left
    case 7: out[0] = {0, 0, W, 0, 0, 0, 0, h / n, whole}; return 1;             // From Up
    case 8: out[0] = {W, 0, 0, H, -w / n, 0, 0, 0, whole}; return 1;            // From Right
    case 9: out[0] = {0, H, W, 0, 0, -h / n, 0, 0, whole}; return 1;            // From Bottom
    case 10:  // Door Close Horizontal: each half grows from its own edge to the centre.
        out[0] = {0, 0, 0, H, 0, 0, w / n / 2, 0, {0, 0, hw, H}};
        out[1] = {W, 0, 0, H, -w / n / 2, 0, 0, 0, {hw, 0, W, H}};
        return 2;
    case 11:  // Door Close Vertical
        out[0] = {0, 0, W, 0, 0, 0, 0, h / n / 2, {0, 0, W, hh}};
        out[1] = {0, H, W, 0, 0, -h / n / 2, 0, 0, {0, hh, W, H}};
        return 2;
    case 12: {  // Quattro Zoom In: each quarter grows from its own centre.
        const double vx = w / 4 / n, vy = h / 4 / n;
        const int qx = W / 4, qy = H / 4;
        out[0] = {qx, qy, 0, 0, -vx, -vy, vx, vy, {0, 0, hw, hh}};
        out[1] = {hw + qx, qy, 0, 0, -vx, -vy, vx, vy, {hw, 0, W, hh}};
        out[2] = {qx, hh + qy, 0, 0, -vx, -vy, vx, vy, {0, hh, hw, H}};
        out[3] = {hw + qx, hh + qy, 0, 0, -vx, -vy, vx, vy, {hw, hh, W, H}};
        return 4;
    }
    default: return 0;
    }
}

// ---------------------------------------------------------------------------------------------
// Fades

// The pictures that fade in or out count as opaque. They are read that way rather than changed,
// so the engine's closing copy still shows the new picture exactly as it was passed in.
void RunFade(TTransThread& thread, bool toBlack) {
    const int d = std::max(765 / thread.Steps(), 1);
    TBitmap32& work = thread.Work();
    const Rect whole = work.BoundsRect();
    for (int v = d; v < 255 && !thread.Aborted(); v += d) {
        thread.BeginFrame();
        if (!toBlack) {
            raster::BlendOpaqueFrame(work, thread.New(), &thread.Old(), uint8_t(v));
        } else if (v > 126) {
            // The new picture rises from black over the second half of the values (from nothing
            // at 127).
            raster::BlendOpaqueFrame(work, thread.New(), nullptr, uint8_t(std::min(255, 2 * v - 254)));
        } else {
            raster::BlendOpaqueFrame(work, thread.Old(), nullptr, uint8_t(255 - 2 * v));
        }
        thread.SetRects(whole, whole);
        thread.CopyFromWork();
        thread.WaitFramePeriod();
    }
}

// ---------------------------------------------------------------------------------------------
// Soft-edged wipes

void SetUpSoftWipe(int subIndex, TTransThread& thread, TFold& band, TFoldFade& soft) {
    const int W = thread.Width();
    const int H = thread.Height();
    const int N = thread.Steps();
    const double stepX = double(W) / N;
    const double stepY = double(H) / N;
    const int bandWidth = int(CeilDiv(W, N));
    const int bandHeight = int(CeilDiv(H, N));
    // A tenth of the picture, counted exactly: a product with 0.1 lands a hair above whole
    // numbers (30 x 0.1 > 3) and would widen the soft band by a pixel.
    const int softWidth = int(CeilDiv(W, 10));
    const int softHeight = int(CeilDiv(H, 10));
    const TBitmap32* picture = &thread.New();
    IRandomSource* random = &thread.RandomSource();
    switch (subIndex) {
    case 1:  // From Left
        band.Init(0, 0, bandWidth, H, N, stepX, 0, picture);
        soft.Init(bandWidth, 0, softWidth, H, N, stepX, 0, picture, kFadeOpaqueLeft, random);
        break;
    case 2:  // From Right: the band paints leftwards and needs one step more to reach column 0.
        band.Init(W, 0, -bandWidth, H, N + 1, -stepX, 0, picture);
        soft.Init(W - bandWidth - softWidth, 0, softWidth, H, N, -stepX, 0, picture, kFadeOpaqueRight, random);
        break;
    case 3:  // From Up
        band.Init(0, 0, W, bandHeight, N, 0, stepY, picture);
        soft.Init(0, bandHeight, W, softHeight, N, 0, stepY, picture, kFadeOpaqueTop, random);
        break;
    case 4:  // From Bottom
        band.Init(0, H, W, -bandHeight, N + 1, 0, -stepY, picture);
        soft.Init(0, H - bandHeight - softHeight, W, softHeight, N, 0, -stepY, picture, kFadeOpaqueBottom, random);
        break;
    default: break;
    }
}

} // namespace

void RunSpiralFamily(TTransThread& thread, int subIndex) {
    if (subIndex == 1 || subIndex == 2)
        RunSpiral(thread, subIndex == 1);
}

void RunZoomFamily(TTransThread& thread, int subIndex) {
    std::array<ZoomSetup, kMaxZooms> setups{};
    const std::size_t count = ZoomSetups(subIndex, thread.Width(), thread.Height(), thread.Steps(), setups);
    if (count == 0)
        return;
    std::array<TZoom, kMaxZooms> zooms{};
    for (std::size_t k = 0; k < count; ++k) {
        const ZoomSetup& z = setups[k];
        zooms[k].Init(z.x0, z.y0, z.w0, z.h0, thread.Steps(), z.vl, z.vt, z.vr, z.vb, z.source.left, z.source.top,
                      z.source.right, z.source.bottom, &thread.New());
    }
    const std::span<TZoom> active(zooms.data(), count);
    for (;;) {
        thread.BeginFrame();
        if (!RunZoomPass(thread, active) || thread.Aborted())
            break;
        thread.WaitFramePeriod();
    }
}

void RunFadeFamily(TTransThread& thread, int subIndex) {
    if (subIndex == 1 || subIndex == 2)
        RunFade(thread, subIndex == 2);
}

void RunFadeUnfoldFamily(TTransThread& thread, int subIndex) {
    if (subIndex < 1 || subIndex > 4)
        return;
    std::array<TFold, 1> bands{};
    std::array<TFoldFade, 1> softBands{};
    SetUpSoftWipe(subIndex, thread, bands[0], softBands[0]);
    for (;;) {
        thread.BeginFrame();
        if (!RunFadeBandPass(thread, bands, softBands) || thread.Aborted())
            break;
        thread.WaitFramePeriod();
    }
}

} // namespace vorlandite::transitions

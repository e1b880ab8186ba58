// Line drop (effects 65 to 68): one band reveals the new picture from one edge, and the line of
// new pixels where the band will paint next is stretched over everything not yet revealed, so
// the picture seems to pour in from that edge.
//
// The band's last step is computed but never presented: the engine's closing copy completes the
// picture instead.

#include "raster/RasterMath.h"
#include "transitions/Families.h"
#include "transitions/TFold.h"

#include <algorithm>
#include <cmath>

namespace vorlandite::transitions {

namespace {

using raster::RoundHalfEven;
using raster::Rect;

enum class DropEdge { Left, Right, Top, Bottom };  // where the revealed part starts

struct LineDrop {
    DropEdge edge;
    bool Columns() const { return edge == DropEdge::Left || edge == DropEdge::Right; }
};

// Sub-index 1 to 4: "From Right" reveals from the left edge (the smear comes from the right),
// "From Left" from the right edge, "From Bottom" from the top, "From Up" from the bottom.
constexpr LineDrop kLineDrops[] = {
    {DropEdge::Left},
    {DropEdge::Right},
    {DropEdge::Top},
    {DropEdge::Bottom},
};

} // namespace

void RunLineDropFamily(TTransThread& thread, int subIndex) {
    if (subIndex < 1 || subIndex > int(std::size(kLineDrops)))
        return;
    const LineDrop drop = kLineDrops[subIndex - 1];
    const int W = thread.Width();
    const int H = thread.Height();
    const int N = thread.Steps();
    const double stepX = double(W) / N;
    const double stepY = double(H) / N;
    const int bandWidth = int(std::ceil(stepX));
    const int bandHeight = int(std::ceil(stepY));

    TFold band;
    switch (drop.edge) {
    case DropEdge::Left: band.Init(0, 0, bandWidth, H, N, stepX, 0, &thread.New()); break;
    case DropEdge::Right: band.Init(W, 0, -bandWidth, H, N, -stepX, 0, &thread.New()); break;
    case DropEdge::Top: band.Init(0, 0, W, bandHeight, N, 0, stepY, &thread.New()); break;
    case DropEdge::Bottom: band.Init(0, H, W, -bandHeight, N, 0, -stepY, &thread.New()); break;
    }

    for (;;) {
        thread.BeginFrame();
        if (!band.Step() || thread.Aborted())
            break;
        thread.SetRects(band.Rect(), band.Rect());
        thread.CopyFromNew();

        // p: where the band paints next. With steps finer than half a pixel it can round onto
        // the far edge, where the picture has no line; its last line is the leading one then.
        const int p = RoundHalfEven(drop.Columns() ? band.X() : band.Y());
        const int line = std::clamp(p, 0, (drop.Columns() ? W : H) - 1);
        Rect smear;
        switch (drop.edge) {
        case DropEdge::Left: smear = {p, 0, W, H}; break;
        case DropEdge::Right: smear = {0, 0, p, H}; break;
        case DropEdge::Top: smear = {0, p, W, H}; break;
        case DropEdge::Bottom: smear = {0, 0, W, p}; break;
        }
        const Rect source = drop.Columns() ? Rect{line, 0, line + 1, H} : Rect{0, line, W, line + 1};
        thread.SetRects(source, smear);
        thread.CopyFromNew();
        thread.WaitFramePeriod();
    }
}

} // namespace vorlandite::transitions

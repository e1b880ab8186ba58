#include "slideshow/PositionCodes.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace vorlandite::slideshow {

namespace {

enum class Edge { Near, Far, Centre };

// 64-bit so that a margin near the int limits cannot overflow before it is clamped.
int64_t Along(Edge edge, int64_t box, int64_t target, int64_t margin) {
    switch (edge) {
    case Edge::Near: return margin;
    case Edge::Far: return target - box - margin;
    case Edge::Centre: break;
    }
    return (target - box) / 2 + margin;
}

int ClampToInt(int64_t v) {
    return int(std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

raster::Point PositionBox(const OverlayPosition& position, int boxWidth, int boxHeight, int targetWidth,
                          int targetHeight) {
    Edge horizontal = Edge::Centre;
    Edge vertical = Edge::Centre;
    switch (position.code) {
    case 0: horizontal = Edge::Near; vertical = Edge::Near; break;
    case 1: horizontal = Edge::Far; vertical = Edge::Near; break;
    case 2: horizontal = Edge::Centre; vertical = Edge::Near; break;
    case 3: horizontal = Edge::Near; vertical = Edge::Far; break;
    case 4: horizontal = Edge::Far; vertical = Edge::Far; break;
    case 5: horizontal = Edge::Centre; vertical = Edge::Far; break;
    default: break;
    }
    return {ClampToInt(Along(horizontal, boxWidth, targetWidth, position.marginX)),
            ClampToInt(Along(vertical, boxHeight, targetHeight, position.marginY))};
}

} // namespace vorlandite::slideshow

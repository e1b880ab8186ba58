#pragma once
// Points and rectangles of the raster layer. Rectangles are (Left, Top, Right, Bottom) with Right
// and Bottom exclusive, so (0, 0, W, H) is a whole W x H surface and Right - Left is the width.

#include <algorithm>

namespace vorlandite::raster {

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    // Inverted rectangles count as empty: nothing is drawn into them.
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }

    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect MakeRect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }

// Intersection; an empty result keeps no meaningful coordinates beyond IsEmpty().
inline TRect Intersect(const TRect& a, const TRect& b) {
    return TRect{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                 std::min(a.Bottom, b.Bottom)};
}

// The rectangle with its corners sorted, so (10, 5, 2, 1) becomes (2, 1, 10, 5).
inline TRect Normalised(const TRect& r) {
    return TRect{std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
                 std::max(r.Top, r.Bottom)};
}

} // namespace vorlandite::raster

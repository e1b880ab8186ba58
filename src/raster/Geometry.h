#pragma once
// Points and rectangles of the raster layer. Rectangles are (Left, Top, Right, Bottom) with Right
// and Bottom exclusive, so (0, 0, W, H) is a whole W x H surface and Right - Left is the width.

#include <algorithm>

namespace vorlandite::raster {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    // Inverted rectangles count as empty: nothing is drawn into them.
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }

    friend bool operator==(const Rect&, const Rect&) = default;
};

inline Rect MakeRect(int left, int top, int right, int bottom) { return Rect{left, top, right, bottom}; }

// Intersection; an empty result keeps no meaningful coordinates beyond IsEmpty().
inline Rect Intersect(const Rect& a, const Rect& b) {
    return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

// The rectangle with its corners sorted, so (10, 5, 2, 1) becomes (2, 1, 10, 5).
inline Rect Normalised(const Rect& r) {
    return Rect{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                std::max(r.top, r.bottom)};
}

} // namespace vorlandite::raster

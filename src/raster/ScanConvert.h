#pragma once
// Exact scan conversion of the filled shapes the gradients and clipping regions are made of.
// Every shape is sampled at pixel centres: pixel (x, y) belongs to a shape when (x + 0.5, y + 0.5)
// lies inside it, a centre exactly on a left or top edge counting as inside and one on a right or
// bottom edge as outside. Polygon edges are evaluated in exact integer arithmetic from their own
// two end points, so two polygons that share an edge split its pixels without gap or overlap,
// whatever the order of painting.

#include "raster/Geometry.h"

#include <span>

namespace vorlandite::raster {

// Every shape answers RowSpan(y) for one row and RowSpans(top, bottom, out) for a run of rows
// (rows outside the shape get an empty span).

// The pixels [left, right) of one row; empty when right <= left.
struct Span {
    int left = 0;
    int right = 0;
    bool IsEmpty() const { return right <= left; }
    friend bool operator==(const Span&, const Span&) = default;
};

// An axis-aligned rectangle (an inverted one covers nothing).
struct RectShape {
    Rect rect;
    int Top() const { return rect.top; }
    int Bottom() const { return rect.bottom; }
    Span RowSpan(int y) const { return (y >= rect.top && y < rect.bottom) ? Span{rect.left, rect.right} : Span{}; }
    void RowSpans(int top, int bottom, Span* out) const {
        for (int y = top; y < bottom; ++y)
            out[y - top] = RowSpan(y);
    }
};

// A convex polygon with integer vertices, in any winding order. Degenerate (flat) polygons
// cover nothing. Coordinates are limited to +-2^30.
class ConvexPolygon {
public:
    explicit ConvexPolygon(std::span<const Point> vertices);
    // The rows [top, bottom) that can hold pixels.
    int Top() const { return top_; }
    int Bottom() const { return bottom_; }
    Span RowSpan(int y) const;
    // The spans of rows [top, bottom) into out[0 .. bottom - top), walking each edge with exact
    // integer steps instead of a division per row; equal to RowSpan row by row.
    void RowSpans(int top, int bottom, Span* out) const;

private:
    static constexpr int kMaxVertices = 8;
    Point vertices_[kMaxVertices];
    int count_ = 0;
    bool downwardEdgesAreRight_ = true;  // from the winding order
    int top_ = 0;
    int bottom_ = 0;
};

// The ellipse inscribed in a box (the box is sorted first, so an inverted box gives the ellipse
// of the same corners).
class EllipseShape {
public:
    explicit EllipseShape(const Rect& box);
    int Top() const { return box_.top; }
    int Bottom() const { return box_.bottom; }
    Span RowSpan(int y) const;
    void RowSpans(int top, int bottom, Span* out) const;

private:
    Rect box_;
    double centreX_ = 0, centreY_ = 0, radiusX_ = 0, radiusY_ = 0;
};

// A rectangle whose corners are rounded by quarter ellipses of cornerWidth x cornerHeight (each
// limited to the rectangle's own size, so a large corner gives an ellipse).
class RoundRectShape {
public:
    RoundRectShape(const Rect& rect, int cornerWidth, int cornerHeight);
    int Top() const { return rect_.top; }
    int Bottom() const { return rect_.bottom; }
    Span RowSpan(int y) const;
    void RowSpans(int top, int bottom, Span* out) const;

private:
    Rect rect_;
    double radiusX_ = 0, radiusY_ = 0;
};

} // namespace vorlandite::raster

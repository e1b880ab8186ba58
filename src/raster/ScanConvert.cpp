#include "raster/ScanConvert.h"

#include "raster/RasterMath.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace vorlandite::raster {

namespace {

// First pixel whose centre lies at or right of the point where the edge from a to b (a.y < b.y)
// crosses the centre line of row y. With X the crossing, pixel x qualifies when x + 0.5 >= X;
// 2X = num / den exactly, so x >= (num - den) / (2 den).
int EdgeCrossing(const Point& a, const Point& b, int y) {
    const int64_t den = int64_t(b.y) - a.y;
    const int64_t num = 2 * int64_t(a.x) * den + (int64_t(b.x) - a.x) * (2 * int64_t(y) + 1 - 2 * int64_t(a.y));
    return int(std::clamp<int64_t>(CeilDiv(num - den, 2 * den), INT_MIN, INT_MAX));
}

// First pixel whose centre is at or right of the real position x.
int FirstCentreAtOrAfter(double x) {
    return int(std::clamp(std::ceil(x - 0.5), double(INT_MIN), double(INT_MAX)));
}

} // namespace

ConvexPolygon::ConvexPolygon(std::span<const Point> vertices) {
    constexpr int kLimit = 1 << 30;
    count_ = int(std::min<std::size_t>(vertices.size(), kMaxVertices));
    if (count_ < 3) {
        count_ = 0;
        return;
    }
    top_ = INT_MAX;
    bottom_ = INT_MIN;
    int64_t twiceArea = 0;
    for (int i = 0; i < count_; ++i) {
        const Point p = vertices[std::size_t(i)];
        vertices_[i] = Point{std::clamp(p.x, -kLimit, kLimit), std::clamp(p.y, -kLimit, kLimit)};
        top_ = std::min(top_, vertices_[i].y);
        bottom_ = std::max(bottom_, vertices_[i].y);
    }
    for (int i = 0; i < count_; ++i) {
        const Point a = vertices_[i], b = vertices_[(i + 1) % count_];
        twiceArea += int64_t(a.x) * b.y - int64_t(b.x) * a.y;
    }
    if (twiceArea == 0) {
        count_ = 0;
        top_ = bottom_ = 0;
        return;
    }
    // With y growing downwards, a positive area means clockwise on screen: the edges that run
    // downwards form the right side of the outline.
    downwardEdgesAreRight_ = twiceArea > 0;
}

Span ConvexPolygon::RowSpan(int y) const {
    // A row's centre line (y + 0.5) never passes through a vertex, so each edge either crosses it
    // once or not at all, and a convex outline is crossed exactly twice or never.
    int left = INT_MAX;
    int right = INT_MIN;
    for (int i = 0; i < count_; ++i) {
        Point a = vertices_[i];
        Point b = vertices_[(i + 1) % count_];
        if (a.y == b.y)
            continue;
        if (a.y > b.y)
            std::swap(a, b);
        if (y < a.y || y >= b.y)
            continue;
        const int x = EdgeCrossing(a, b, y);
        left = std::min(left, x);
        right = std::max(right, x);
    }
    if (left >= right)
        return {};
    return {left, right};
}

void ConvexPolygon::RowSpans(int top, int bottom, Span* out) const {
    // Rows outside the outline are empty; inside, exactly one edge of each side crosses a row.
    const int first = std::clamp(top_, top, std::max(top, bottom));
    const int last = std::clamp(bottom_, first, std::max(top, bottom));
    for (int y = top; y < first; ++y)
        out[y - top] = Span{};
    for (int y = last; y < bottom; ++y)
        out[y - top] = Span{};
    for (int i = 0; i < count_; ++i) {
        Point a = vertices_[i];
        Point b = vertices_[(i + 1) % count_];
        if (a.y == b.y)
            continue;
        const bool downward = a.y < b.y;
        if (!downward)
            std::swap(a, b);
        int Span::*side = downward == downwardEdgesAreRight_ ? &Span::right : &Span::left;
        const int from = std::max(a.y, first);
        const int to = std::min(b.y, last);
        if (from >= to)
            continue;
        // As EdgeCrossing: x = ceil(n / d) with n = num - den, d = 2 den, kept as n = x * d - r,
        // 0 <= r < d; each row adds 2 (b.x - a.x) to n.
        const int64_t den = int64_t(b.y) - a.y;
        const int64_t d = 2 * den;
        const int64_t n =
            2 * int64_t(a.x) * den + (int64_t(b.x) - a.x) * (2 * int64_t(from) + 1 - 2 * int64_t(a.y)) - den;
        int64_t x = CeilDiv(n, d);
        int64_t r = x * d - n;
        const int64_t step = 2 * (int64_t(b.x) - a.x);
        const int64_t stepWhole = FloorDiv(step, d);
        const int64_t stepRest = step - stepWhole * d;  // 0 <= stepRest < d
        Span* row = out + (from - top);
        for (int y = from; y < to; ++y, ++row) {
            // The crossing lies between the edge's end points, inside the clamped coordinates.
            row->*side = int(x);
            x += stepWhole;
            r -= stepRest;
            if (r < 0) {
                r += d;
                ++x;
            }
        }
    }
}

EllipseShape::EllipseShape(const Rect& box) : box_(Normalised(box)) {
    centreX_ = (double(box_.left) + box_.right) / 2;
    centreY_ = (double(box_.top) + box_.bottom) / 2;
    radiusX_ = (double(box_.right) - box_.left) / 2;
    radiusY_ = (double(box_.bottom) - box_.top) / 2;
}

Span EllipseShape::RowSpan(int y) const {
    if (y < box_.top || y >= box_.bottom || radiusX_ <= 0)
        return {};
    const double dy = (y + 0.5 - centreY_) / radiusY_;
    const double halfWidth = radiusX_ * std::sqrt(std::max(0.0, 1 - dy * dy));
    return {FirstCentreAtOrAfter(centreX_ - halfWidth), FirstCentreAtOrAfter(centreX_ + halfWidth)};
}

void EllipseShape::RowSpans(int top, int bottom, Span* out) const {
    // Rows y and Top + Bottom - 1 - y lie symmetrically about the centre and get equal spans.
    for (int y = top; y < bottom; ++y) {
        const int64_t mirror = int64_t(box_.top) + box_.bottom - 1 - y;
        if (mirror < y && mirror >= top)
            out[y - top] = out[mirror - top];
        else
            out[y - top] = RowSpan(y);
    }
}

RoundRectShape::RoundRectShape(const Rect& rect, int cornerWidth, int cornerHeight) : rect_(rect) {
    radiusX_ = std::clamp<double>(cornerWidth, 0, std::max(0, rect.Width())) / 2;
    radiusY_ = std::clamp<double>(cornerHeight, 0, std::max(0, rect.Height())) / 2;
}

Span RoundRectShape::RowSpan(int y) const {
    if (rect_.IsEmpty() || y < rect_.top || y >= rect_.bottom)
        return {};
    if (radiusX_ <= 0 || radiusY_ <= 0)
        return {rect_.left, rect_.right};
    // Vertical distance of the row's centre into a corner zone, measured from the corner
    // ellipse's centre line; rows between the two zones are full width.
    const double centre = y + 0.5;
    double depth = 0;
    if (centre < rect_.top + radiusY_)
        depth = rect_.top + radiusY_ - centre;
    else if (centre > rect_.bottom - radiusY_)
        depth = centre - (rect_.bottom - radiusY_);
    const double dy = depth / radiusY_;
    const double inset = radiusX_ - radiusX_ * std::sqrt(std::max(0.0, 1 - dy * dy));
    return {FirstCentreAtOrAfter(rect_.left + inset), FirstCentreAtOrAfter(rect_.right - inset)};
}

void RoundRectShape::RowSpans(int top, int bottom, Span* out) const {
    for (int y = top; y < bottom; ++y)
        out[y - top] = RowSpan(y);
}

} // namespace vorlandite::raster

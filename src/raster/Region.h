#pragma once
// A clipping region as rows of pixel spans, without any windowing toolkit: rectangles, ellipses,
// convex polygons and rounded rectangles, combined by union, intersection, exclusive-or and
// difference. The transitions paint through regions; the shapes are sampled by the exact centre
// rule of ScanConvert.h, so regions of neighbouring shapes tile without gaps.

#include "raster/Geometry.h"
#include "raster/ScanConvert.h"
#include "raster/TBitmap32.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vorlandite::raster {

class Region {
public:
    Region() = default;  // empty

    static Region FromRect(const Rect& rect);
    static Region FromEllipse(const Rect& box);
    static Region FromConvexPolygon(std::span<const Point> vertices);
    static Region FromRoundRect(const Rect& rect, int cornerWidth, int cornerHeight);

    Region United(const Region& other) const;
    Region Intersected(const Region& other) const;
    Region Xored(const Region& other) const;
    Region Subtracted(const Region& other) const;

    bool IsEmpty() const { return spans_.empty(); }
    // The smallest rectangle holding every pixel; (0, 0, 0, 0) for an empty region.
    Rect BoundingBox() const;
    bool Contains(int x, int y) const;
    // Number of pixels.
    int64_t Area() const;

    // The sorted, disjoint, non-touching spans of row y (empty outside the region's rows).
    std::span<const Span> Row(int y) const;
    int Top() const { return top_; }
    int Bottom() const { return top_ + int(rowStart_.empty() ? 0 : rowStart_.size() - 1); }

private:
    template <class Shape>
    static Region FromShape(const Shape& shape);
    enum class Operation { Union, Intersection, Xor, Difference };
    Region Combine(const Region& other, Operation operation) const;
    void TrimEmptyRows();

    int top_ = 0;
    std::vector<uint32_t> rowStart_;  // spans of row top_ + k: [rowStart_[k], rowStart_[k + 1])
    std::vector<Span> spans_;
};

// Copies the pixels of the source inside the region onto the same positions of the target
// (clipped to both surfaces); pixels outside the region keep their value.
void CopyThroughRegion(TBitmap32& target, const TBitmap32& source, const Region& region);

} // namespace vorlandite::raster

#include "raster/Region.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace vorlandite::raster {

namespace {

// Appends op(a, b) of two sorted disjoint span lists, merging touching results.
template <class Op>
void CombineRow(std::span<const Span> a, std::span<const Span> b, Op op, std::vector<Span>& out) {
    // Walk the union of all span boundaries; between two boundaries membership is constant.
    std::size_t ia = 0, ib = 0;
    bool inA = false, inB = false;
    int position = INT_MIN;
    bool open = false;
    int openedAt = 0;
    const std::size_t firstOut = out.size();
    auto emit = [&](int left, int right) {
        if (left >= right)
            return;
        if (out.size() > firstOut && out.back().right == left)
            out.back().right = right;
        else
            out.push_back({left, right});
    };
    while (true) {
        // The next boundary of each list: the left edge of its next span when outside it, the
        // right edge of the current span when inside.
        const int nextA = ia < a.size() ? (inA ? a[ia].right : a[ia].left) : INT_MAX;
        const int nextB = ib < b.size() ? (inB ? b[ib].right : b[ib].left) : INT_MAX;
        const int next = std::min(nextA, nextB);
        if (next == INT_MAX)
            break;
        position = next;
        if (nextA == position) {
            if (inA)
                ++ia;
            inA = !inA;
        }
        if (nextB == position) {
            if (inB)
                ++ib;
            inB = !inB;
        }
        const bool inside = op(inA, inB);
        if (inside && !open) {
            open = true;
            openedAt = position;
        } else if (!inside && open) {
            open = false;
            emit(openedAt, position);
        }
    }
}

} // namespace

template <class Shape>
Region Region::FromShape(const Shape& shape) {
    // Rows far beyond any surface are dropped, so absurd coordinates cannot ask for gigabytes.
    constexpr int kRowLimit = 1 << 24;
    const int top = std::max(shape.Top(), -kRowLimit);
    const int bottom = std::min(shape.Bottom(), kRowLimit);
    Region region;
    if (bottom <= top)
        return region;
    region.top_ = top;
    region.rowStart_.reserve(std::size_t(bottom - top) + 1);
    region.rowStart_.push_back(0);
    std::vector<Span> rows(std::size_t(bottom - top));
    shape.RowSpans(top, bottom, rows.data());
    for (const Span& span : rows) {
        if (!span.IsEmpty())
            region.spans_.push_back(span);
        region.rowStart_.push_back(uint32_t(region.spans_.size()));
    }
    region.TrimEmptyRows();
    return region;
}

Region Region::FromRect(const Rect& rect) {
    if (rect.IsEmpty())
        return {};
    return FromShape(RectShape{rect});
}

Region Region::FromEllipse(const Rect& box) { return FromShape(EllipseShape(box)); }

Region Region::FromConvexPolygon(std::span<const Point> vertices) { return FromShape(ConvexPolygon(vertices)); }

Region Region::FromRoundRect(const Rect& rect, int cornerWidth, int cornerHeight) {
    return FromShape(RoundRectShape(rect, cornerWidth, cornerHeight));
}

void Region::TrimEmptyRows() {
    if (spans_.empty()) {
        *this = Region();
        return;
    }
    std::size_t first = 0;
    while (rowStart_[first + 1] == rowStart_[first])
        ++first;
    std::size_t last = rowStart_.size() - 1;  // one past the last row
    while (rowStart_[last - 1] == rowStart_[last])
        --last;
    rowStart_.erase(rowStart_.begin() + std::ptrdiff_t(last) + 1, rowStart_.end());
    rowStart_.erase(rowStart_.begin(), rowStart_.begin() + std::ptrdiff_t(first));
    top_ += int(first);
}

std::span<const Span> Region::Row(int y) const {
    if (y < Top() || y >= Bottom())
        return {};
    const std::size_t k = std::size_t(y - top_);
    return std::span<const Span>(spans_).subspan(rowStart_[k], rowStart_[k + 1] - rowStart_[k]);
}

Region Region::Combine(const Region& other, Operation operation) const {
    const auto op = [operation](bool a, bool b) {
        switch (operation) {
        case Operation::Union: return a || b;
        case Operation::Intersection: return a && b;
        case Operation::Xor: return a != b;
        case Operation::Difference: return a && !b;
        }
        return false;
    };
    Region result;
    const bool thisEmpty = IsEmpty(), otherEmpty = other.IsEmpty();
    if (thisEmpty && otherEmpty)
        return result;
    const int top = thisEmpty ? other.Top() : otherEmpty ? Top() : std::min(Top(), other.Top());
    const int bottom = thisEmpty ? other.Bottom() : otherEmpty ? Bottom() : std::max(Bottom(), other.Bottom());
    result.top_ = top;
    result.rowStart_.reserve(std::size_t(bottom - top) + 1);
    result.rowStart_.push_back(0);
    for (int y = top; y < bottom; ++y) {
        CombineRow(Row(y), other.Row(y), op, result.spans_);
        result.rowStart_.push_back(uint32_t(result.spans_.size()));
    }
    result.TrimEmptyRows();
    return result;
}

Region Region::United(const Region& other) const { return Combine(other, Operation::Union); }
Region Region::Intersected(const Region& other) const { return Combine(other, Operation::Intersection); }
Region Region::Xored(const Region& other) const { return Combine(other, Operation::Xor); }
Region Region::Subtracted(const Region& other) const { return Combine(other, Operation::Difference); }

Rect Region::BoundingBox() const {
    if (IsEmpty())
        return {};
    int left = INT_MAX, right = INT_MIN;
    for (const Span& s : spans_) {
        left = std::min(left, s.left);
        right = std::max(right, s.right);
    }
    return {left, Top(), right, Bottom()};
}

bool Region::Contains(int x, int y) const {
    for (const Span& s : Row(y))
        if (x >= s.left && x < s.right)
            return true;
    return false;
}

int64_t Region::Area() const {
    int64_t area = 0;
    for (const Span& s : spans_)
        area += int64_t(s.right) - s.left;
    return area;
}

void CopyThroughRegion(TBitmap32& target, const TBitmap32& source, const Region& region) {
    if (&target == &source)
        return;  // every pixel would be copied onto itself
    const int top = std::max(region.Top(), 0);
    const int bottom = std::min({region.Bottom(), target.Height(), source.Height()});
    const int width = std::min(target.Width(), source.Width());
    for (int y = top; y < bottom; ++y) {
        const TColor32* src = source.Scanline(y).data();
        TColor32* dst = target.Scanline(y).data();
        for (const Span& s : region.Row(y)) {
            const int left = std::max(s.left, 0);
            const int right = std::min(s.right, width);
            if (left < right)
                std::memcpy(dst + left, src + left, std::size_t(right - left) * sizeof(TColor32));
        }
    }
}

} // namespace vorlandite::raster

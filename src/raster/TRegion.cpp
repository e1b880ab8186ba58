#include "raster/TRegion.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace vorlandite::raster {

namespace {

struct RectRows {
    TRect Rect;
    int Top() const { return Rect.Top; }
    int Bottom() const { return Rect.Bottom; }
    void RowSpans(int top, int bottom, TSpan* out) const {
        for (int y = top; y < bottom; ++y)
            out[y - top] = TSpan{Rect.Left, Rect.Right};
    }
};

// Appends op(a, b) of two sorted disjoint span lists, merging touching results.
template <class Op>
void CombineRow(std::span<const TSpan> a, std::span<const TSpan> b, Op op, std::vector<TSpan>& out) {
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
        if (out.size() > firstOut && out.back().Right == left)
            out.back().Right = right;
        else
            out.push_back({left, right});
    };
    while (true) {
        // The next boundary of each list: the left edge of its next span when outside it, the
        // right edge of the current span when inside.
        const int nextA = ia < a.size() ? (inA ? a[ia].Right : a[ia].Left) : INT_MAX;
        const int nextB = ib < b.size() ? (inB ? b[ib].Right : b[ib].Left) : INT_MAX;
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
TRegion TRegion::FromShape(const Shape& shape) {
    // Rows far beyond any surface are dropped, so absurd coordinates cannot ask for gigabytes.
    constexpr int kRowLimit = 1 << 24;
    const int top = std::max(shape.Top(), -kRowLimit);
    const int bottom = std::min(shape.Bottom(), kRowLimit);
    TRegion region;
    if (bottom <= top)
        return region;
    region.top_ = top;
    region.rowStart_.reserve(std::size_t(bottom - top) + 1);
    region.rowStart_.push_back(0);
    std::vector<TSpan> rows(std::size_t(bottom - top));
    shape.RowSpans(top, bottom, rows.data());
    for (const TSpan& span : rows) {
        if (!span.IsEmpty())
            region.spans_.push_back(span);
        region.rowStart_.push_back(uint32_t(region.spans_.size()));
    }
    region.TrimEmptyRows();
    return region;
}

TRegion TRegion::FromRect(const TRect& rect) {
    if (rect.IsEmpty())
        return {};
    return FromShape(RectRows{rect});
}

TRegion TRegion::FromEllipse(const TRect& box) { return FromShape(TEllipseShape(box)); }

TRegion TRegion::FromConvexPolygon(std::span<const TPoint> vertices) { return FromShape(TConvexPolygon(vertices)); }

TRegion TRegion::FromRoundRect(const TRect& rect, int cornerWidth, int cornerHeight) {
    return FromShape(TRoundRectShape(rect, cornerWidth, cornerHeight));
}

void TRegion::TrimEmptyRows() {
    if (spans_.empty()) {
        *this = TRegion();
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

std::span<const TSpan> TRegion::Row(int y) const {
    if (y < Top() || y >= Bottom())
        return {};
    const std::size_t k = std::size_t(y - top_);
    return std::span<const TSpan>(spans_).subspan(rowStart_[k], rowStart_[k + 1] - rowStart_[k]);
}

TRegion TRegion::Combine(const TRegion& other, Operation operation) const {
    const auto op = [operation](bool a, bool b) {
        switch (operation) {
        case Operation::Union: return a || b;
        case Operation::Intersection: return a && b;
        case Operation::Xor: return a != b;
        case Operation::Difference: return a && !b;
        }
        return false;
    };
    TRegion result;
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

TRegion TRegion::United(const TRegion& other) const { return Combine(other, Operation::Union); }
TRegion TRegion::Intersected(const TRegion& other) const { return Combine(other, Operation::Intersection); }
TRegion TRegion::Xored(const TRegion& other) const { return Combine(other, Operation::Xor); }
TRegion TRegion::Subtracted(const TRegion& other) const { return Combine(other, Operation::Difference); }

TRect TRegion::BoundingBox() const {
    if (IsEmpty())
        return {};
    int left = INT_MAX, right = INT_MIN;
    for (const TSpan& s : spans_) {
        left = std::min(left, s.Left);
        right = std::max(right, s.Right);
    }
    return {left, Top(), right, Bottom()};
}

bool TRegion::Contains(int x, int y) const {
    for (const TSpan& s : Row(y))
        if (x >= s.Left && x < s.Right)
            return true;
    return false;
}

int64_t TRegion::Area() const {
    int64_t area = 0;
    for (const TSpan& s : spans_)
        area += int64_t(s.Right) - s.Left;
    return area;
}

void CopyThroughRegion(TBitmap32& target, const TBitmap32& source, const TRegion& region) {
    if (&target == &source)
        return;  // every pixel would be copied onto itself
    const int top = std::max(region.Top(), 0);
    const int bottom = std::min({region.Bottom(), target.Height(), source.Height()});
    const int width = std::min(target.Width(), source.Width());
    for (int y = top; y < bottom; ++y) {
        const TColor32* src = source.Scanline(y).data();
        TColor32* dst = target.Scanline(y).data();
        for (const TSpan& s : region.Row(y)) {
            const int left = std::max(s.Left, 0);
            const int right = std::min(s.Right, width);
            if (left < right)
                std::memcpy(dst + left, src + left, std::size_t(right - left) * sizeof(TColor32));
        }
    }
}

} // namespace vorlandite::raster

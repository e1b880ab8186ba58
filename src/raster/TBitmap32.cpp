#include "raster/TBitmap32.h"

#include "raster/BitmapBlend.h"
#include "raster/BitmapDraw.h"

#include <algorithm>

namespace vorlandite::raster {

Result<TBitmap32> TBitmap32::Create(int width, int height) {
    TBitmap32 bitmap;
    if (!bitmap.SetSize(width, height))
        return MakeError("picture size out of range");
    return bitmap;
}

bool TBitmap32::SetSize(int width, int height) {
    if (width < 0 || height < 0 || int64_t(width) * height > kMaxPixels) {
        width_ = height_ = 0;
        pixels_.clear();
        return false;
    }
    width_ = width;
    height_ = height;
    pixels_.assign(std::size_t(width) * std::size_t(height), 0u);
    return true;
}

void TBitmap32::Clear(TColor32 colour) { FillRow(pixels_.data(), pixels_.size(), colour); }

void TBitmap32::FillRect(const Rect& rect, TColor32 colour) {
    const Rect r = Intersect(rect, BoundsRect());
    if (r.IsEmpty())
        return;
    for (int y = r.top; y < r.bottom; ++y)
        FillRow(Scanline(y).data() + r.left, std::size_t(r.Width()), colour);
}

void TBitmap32::ResetAlpha() { OpaqueRow(pixels_.data(), pixels_.size()); }

bool TBitmap32::SwapPixels(TBitmap32& other) {
    if (width_ != other.width_ || height_ != other.height_)
        return false;
    pixels_.swap(other.pixels_);
    return true;
}

void TBitmap32::Mirror() {
    for (int y = 0; y < height_; ++y) {
        auto row = Scanline(y);
        std::reverse(row.begin(), row.end());
    }
}

void TBitmap32::Flip() {
    for (int top = 0, bottom = height_ - 1; top < bottom; ++top, --bottom) {
        auto a = Scanline(top);
        auto b = Scanline(bottom);
        std::swap_ranges(a.begin(), a.end(), b.begin());
    }
}

void TBitmap32::DrawTo(TBitmap32& target, int x, int y) const {
    DrawBitmap(target, x, y, *this, DrawOptions{drawMode_, masterAlpha_, stretchFilter_});
}

void TBitmap32::DrawTo(TBitmap32& target, const Rect& destination, const Rect& source) const {
    StretchBitmap(target, destination, *this, source, DrawOptions{drawMode_, masterAlpha_, stretchFilter_});
}

} // namespace vorlandite::raster

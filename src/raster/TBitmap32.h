#pragma once
// The 32-bit raster surface every picture, frame and transition is composed on.
// Pixels are TColor32 values 0xAARRGGBB with blue in the lowest byte (the memory layout of
// QImage::Format_ARGB32), alpha 255 opaque; new pixels are 0x00000000. Rows are contiguous and
// handed out as spans, so hot loops run over rows, not pixel(x, y) calls.

#include "base/Result.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorlandite::raster {

using TColor32 = uint32_t;

// Pictures larger than this are refused before any allocation (about 268 million pixels).
inline constexpr int64_t kMaxPixels = int64_t(1) << 28;

class TBitmap32 {
public:
    TBitmap32() = default;

    // Refuses negative sizes and sizes over kMaxPixels before allocating.
    static Result<TBitmap32> Create(int width, int height);

    // Resizes; every pixel becomes 0x00000000. Returns false (and leaves the surface empty)
    // for a size Create would refuse.
    bool SetSize(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    std::size_t Stride() const { return std::size_t(width_); }  // in pixels

    std::span<TColor32> Scanline(int y) { return {pixels_.data() + std::size_t(y) * width_, std::size_t(width_)}; }
    std::span<const TColor32> Scanline(int y) const {
        return {pixels_.data() + std::size_t(y) * width_, std::size_t(width_)};
    }
    std::span<TColor32> Pixels() { return pixels_; }
    std::span<const TColor32> Pixels() const { return pixels_; }

    TColor32 Pixel(int x, int y) const { return pixels_[std::size_t(y) * width_ + x]; }
    void SetPixel(int x, int y, TColor32 c) { pixels_[std::size_t(y) * width_ + x] = c; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<TColor32> pixels_;
};

} // namespace vorlandite::raster

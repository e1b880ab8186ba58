#pragma once
// The 32-bit raster surface every picture, frame and transition is composed on.
// Pixels are TColor32 values 0xAARRGGBB with blue in the lowest byte (the memory layout of
// QImage::Format_ARGB32), alpha 255 opaque; new pixels are 0x00000000. Rows are contiguous and
// handed out as spans, so hot loops run over rows, not pixel(x, y) calls.
//
// A surface carries drawing properties (draw mode, master alpha, stretch filter) that its Draw
// calls use and that a copy of the surface takes over. Every drawing operation is clipped to both
// surfaces: points and rectangles may lie partly or wholly outside either one.

#include "base/Result.h"
#include "raster/Geometry.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorlandite::raster {

static_assert(std::endian::native == std::endian::little, "pixels are addressed as B, G, R, A bytes");

using TColor32 = uint32_t;

// Pictures larger than this are refused before any allocation (about 268 million pixels).
inline constexpr int64_t kMaxPixels = int64_t(1) << 28;

enum class DrawMode {
    Opaque,  // pixels are copied, alpha included
    Blend,   // each pixel is blended over the target pixel by its alpha (and the master alpha)
};

enum class StretchFilter {
    Nearest,  // pixel replication
    Linear,   // bilinear between the four nearest source pixels
};

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
    Rect BoundsRect() const { return Rect{0, 0, width_, height_}; }

    std::span<TColor32> Scanline(int y) { return {pixels_.data() + std::size_t(y) * width_, std::size_t(width_)}; }
    std::span<const TColor32> Scanline(int y) const {
        return {pixels_.data() + std::size_t(y) * width_, std::size_t(width_)};
    }
    std::span<TColor32> Pixels() { return pixels_; }
    std::span<const TColor32> Pixels() const { return pixels_; }

    // Unchecked: (x, y) must lie inside the surface.
    TColor32 Pixel(int x, int y) const { return pixels_[std::size_t(y) * width_ + x]; }
    void SetPixel(int x, int y, TColor32 c) { pixels_[std::size_t(y) * width_ + x] = c; }

    // Drawing properties, used by the Draw calls of this surface as the source.
    raster::DrawMode CurrentDrawMode() const { return drawMode_; }
    void SetDrawMode(DrawMode mode) { drawMode_ = mode; }
    uint8_t MasterAlpha() const { return masterAlpha_; }
    void SetMasterAlpha(uint8_t alpha) { masterAlpha_ = alpha; }
    raster::StretchFilter CurrentStretchFilter() const { return stretchFilter_; }
    void SetStretchFilter(StretchFilter filter) { stretchFilter_ = filter; }

    // Every pixel := colour.
    void Clear(TColor32 colour = 0);
    // Pixels of the rectangle (clipped to the surface) := colour, alpha included.
    void FillRect(const Rect& rect, TColor32 colour);
    // Every pixel's alpha := 255, colours kept.
    void ResetAlpha();
    // In place: left to right, top to bottom.
    void Mirror();
    void Flip();

    // Exchanges the pixels with a surface of the same size, drawing properties staying put (a
    // picture's whole new contents taken over without a copy); false, and nothing exchanged, for
    // another size. Pointers into either surface's pixels then point into the other one's.
    bool SwapPixels(TBitmap32& other);

    // Draws this whole surface with its top-left corner at (x, y) of the target, by this
    // surface's draw mode and master alpha.
    void DrawTo(TBitmap32& target, int x = 0, int y = 0) const;
    // Draws the source rectangle of this surface stretched into the destination rectangle of the
    // target, by this surface's draw mode, master alpha and stretch filter. Equal sizes copy 1:1.
    // An empty or inverted rectangle draws nothing; destination pixels whose source pixel lies
    // outside this surface are left alone.
    void DrawTo(TBitmap32& target, const Rect& destination, const Rect& source) const;
    // The whole surface stretched into the destination rectangle.
    void DrawTo(TBitmap32& target, const Rect& destination) const { DrawTo(target, destination, BoundsRect()); }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<TColor32> pixels_;
    DrawMode drawMode_ = DrawMode::Opaque;
    uint8_t masterAlpha_ = 255;
    StretchFilter stretchFilter_ = StretchFilter::Nearest;
};

} // namespace vorlandite::raster

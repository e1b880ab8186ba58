#include "raster/BitmapDraw.h"

#include "raster/BitmapBlend.h"

#include <algorithm>
#include <cstring>

namespace vorlandite::raster {

void ComposeRow(const TColor32* src, TColor32* dst, std::size_t count, const DrawOptions& options) {
    if (options.sourceOpaque) {
        if (options.mode == DrawMode::Opaque || options.masterAlpha == 255) {
            // Every pixel's alpha is 255: blending replaces the target exactly.
            std::memcpy(dst, src, count * sizeof(TColor32));
            OpaqueRow(dst, count);
            return;
        }
        // Constant alpha = master: blend through an opaque copy, a chunk at a time.
        TColor32 chunk[256];
        for (std::size_t done = 0; done < count;) {
            const std::size_t n = std::min<std::size_t>(count - done, 256);
            std::memcpy(chunk, src + done, n * sizeof(TColor32));
            OpaqueRow(chunk, n);
            if (options.masterAlpha != 0)
                BlendRowMaster(chunk, dst + done, n, options.masterAlpha);
            done += n;
        }
        return;
    }
    if (options.mode == DrawMode::Opaque)
        std::memcpy(dst, src, count * sizeof(TColor32));
    else if (options.masterAlpha == 255)
        BlendRow(src, dst, count);
    else if (options.masterAlpha != 0)
        BlendRowMaster(src, dst, count, options.masterAlpha);
}

void DrawBitmap(TBitmap32& target, int x, int y, const TBitmap32& source, const DrawOptions& options) {
    if (&target == &source) {
        const TBitmap32 copy = source;
        DrawBitmap(target, x, y, copy, options);
        return;
    }
    // Work in 64 bits: x + width may overflow int for far-away points.
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t(x) + source.Width(), target.Width());
    const int64_t bottom = std::min<int64_t>(int64_t(y) + source.Height(), target.Height());
    if (right <= left || bottom <= top)
        return;
    const std::size_t count = std::size_t(right - left);
    for (int64_t row = top; row < bottom; ++row) {
        const TColor32* src = source.Scanline(int(row - y)).data() + (left - x);
        TColor32* dst = target.Scanline(int(row)).data() + left;
        ComposeRow(src, dst, count, options);
    }
}

void CopyRect(TBitmap32& target, const TBitmap32& source, const Rect& rect) {
    if (&target == &source)
        return;
    const Rect clipped = Intersect(Intersect(rect, target.BoundsRect()), source.BoundsRect());
    if (clipped.IsEmpty())
        return;
    const std::size_t count = std::size_t(clipped.right - clipped.left);
    for (int y = clipped.top; y < clipped.bottom; ++y)
        std::memcpy(target.Scanline(y).data() + clipped.left, source.Scanline(y).data() + clipped.left,
                    count * sizeof(TColor32));
}

void CopyRect(TBitmap32& target, const Rect& destination, const TBitmap32& source, const Rect& sourceRect) {
    if (destination == sourceRect) {
        CopyRect(target, source, destination);
        return;
    }
    StretchBitmap(target, destination, source, sourceRect, DrawOptions{});
}

} // namespace vorlandite::raster

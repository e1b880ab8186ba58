#include "raster/TBitmap32.h"

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

} // namespace vorlandite::raster

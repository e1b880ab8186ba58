#include "raster/decoders/ImageDecoder.h"

namespace vorlandite::raster {

Status CheckPictureSize(const char* format, int64_t width, int64_t height) {
    if (width <= 0 || height <= 0)
        return MakeError(std::string(format) + ": picture has no pixels (" + std::to_string(width) + " x " +
                         std::to_string(height) + ")");
    if (width > kMaxPixels || height > kMaxPixels || width * height > kMaxPixels)
        return MakeError(std::string(format) + ": picture is too large (" + std::to_string(width) + " x " +
                         std::to_string(height) + ")");
    return Status::Ok();
}

} // namespace vorlandite::raster

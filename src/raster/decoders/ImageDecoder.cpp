#include "raster/decoders/ImageDecoder.h"

#include <algorithm>
#include <string_view>

namespace vorlandite::raster {
namespace {

constexpr std::string_view kOverBudget = ": picture is too large to show (";

} // namespace

Status CheckPictureSize(const char* format, int64_t width, int64_t height) {
    if (width <= 0 || height <= 0)
        return MakeError(std::string(format) + ": picture has no pixels (" + std::to_string(width) + " x " +
                         std::to_string(height) + ")");
    if (width > kMaxPixels || height > kMaxPixels || width * height > kMaxPixels)
        return MakeError(std::string(format) + ": picture is too large (" + std::to_string(width) + " x " +
                         std::to_string(height) + ")");
    return Status::Ok();
}

int64_t ScreenPictureBudget(int screenWidth, int screenHeight) {
    const int64_t screen = int64_t(std::max(screenWidth, 0)) * int64_t(std::max(screenHeight, 0));
    return std::clamp(screen * 4, kMinScreenPicturePixels, kMaxScreenPicturePixels);
}

Status CheckBudget(const char* format, int64_t width, int64_t height, int64_t smallestPixels, SizeHint hint) {
    if (hint.maxPixels <= 0 || smallestPixels <= hint.maxPixels)
        return Status::Ok();
    return MakeError(std::string(format) + std::string(kOverBudget) + std::to_string(width) + " x " +
                     std::to_string(height) + ", more than " + std::to_string(hint.maxPixels) +
                     " pixels for this screen)",
                     ErrorKind::OverBudget);
}

bool IsOverBudget(const Error& error) {
    return error.kind == ErrorKind::OverBudget;
}

} // namespace vorlandite::raster

#include "commands/GifWriter.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <filesystem>

namespace vorlandite::tools {
namespace {

constexpr int kRedLevels = 6;
constexpr int kGreenLevels = 7;
constexpr int kBlueLevels = 6;
constexpr int kCubeColours = kRedLevels * kGreenLevels * kBlueLevels;
static_assert(kCubeColours <= 256);

// 4 x 4 ordered dithering: a fixed threshold per pixel position, so a pixel that keeps its colour
// keeps its index from frame to frame and the changed rectangles stay small.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// floor(value * (levels - 1) / 255 + (threshold + 0.5) / 16): never beyond the last level, and the
// pure values 0 and 255 come out undithered.
int LevelOf(int value, int levels, int threshold) {
    return (value * (levels - 1) * 32 + (2 * threshold + 1) * 255) / (255 * 32);
}
int ValueOf(int level, int levels) { return (level * 255 + (levels - 1) / 2) / (levels - 1); }

uint8_t CubeIndex(raster::TColor32 c, int x, int y) {
    const int threshold = kBayer[y & 3][x & 3];
    const int r = LevelOf(int((c >> 16) & 0xFF), kRedLevels, threshold);
    const int g = LevelOf(int((c >> 8) & 0xFF), kGreenLevels, threshold);
    const int b = LevelOf(int(c & 0xFF), kBlueLevels, threshold);
    return uint8_t((r * kGreenLevels + g) * kBlueLevels + b);
}

raster::TColor32 CubeColour(int index) {
    const int b = index % kBlueLevels;
    const int g = index / kBlueLevels % kGreenLevels;
    const int r = index / (kBlueLevels * kGreenLevels);
    return 0xFF000000u | raster::TColor32(ValueOf(r, kRedLevels)) << 16 |
           raster::TColor32(ValueOf(g, kGreenLevels)) << 8 | raster::TColor32(ValueOf(b, kBlueLevels));
}

} // namespace

raster::TColor32 QuantizeToCube(raster::TColor32 colour, int x, int y) { return CubeColour(CubeIndex(colour, x, y)); }

GifAnimationWriter::~GifAnimationWriter() {
    if (gif_) {
        int error = 0;
        EGifCloseFile(gif_, &error);
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
}

Status GifAnimationWriter::Failed(const char* what, int code) {
    const char* reason = GifErrorString(code);
    return MakeError(std::string("cannot ") + what + " " + path_ + ": " + (reason ? reason : "GIF error"));
}

Status GifAnimationWriter::Open(const std::string& path, int width, int height) {
    if (gif_)
        return MakeError("a GIF is already open");
    if (width < 1 || height < 1 || width > 65535 || height > 65535)
        return MakeError("a GIF cannot be " + std::to_string(width) + "x" + std::to_string(height));
    path_ = path;
    // Opened here rather than by EGifOpenFileName, which makes the file readable by its owner
    // only; a gallery is meant to be shared, so the umask decides as for any other output.
    const int handle = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (handle < 0)
        return MakeError("cannot create " + path + ": " + std::strerror(errno));
    int error = 0;
    gif_ = EGifOpenFileHandle(handle, &error);  // owns the handle once it succeeds
    if (!gif_) {
        ::close(handle);
        return Failed("create", error);
    }
    width_ = width;
    height_ = height;
    screen_.assign(std::size_t(width) * height, 0);
    hasPending_ = false;

    // 256 entries (a colour map's size is a power of two); the cube fills the first 252.
    GifColorType colours[256] = {};
    for (int i = 0; i < kCubeColours; ++i) {
        const raster::TColor32 c = CubeColour(i);
        colours[i] = GifColorType{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)};
    }
    ColorMapObject* map = GifMakeMapObject(256, colours);
    if (!map)
        return MakeError("out of memory for a GIF colour map");
    EGifSetGifVersion(gif_, true);
    const int described = EGifPutScreenDesc(gif_, width, height, 8, 0, map);
    GifFreeMapObject(map);
    if (described == GIF_ERROR)
        return Failed("write", gif_->Error);

    // NETSCAPE2.0 with a repeat count of 0: loop for ever.
    static const unsigned char kApplication[] = "NETSCAPE2.0";
    static const unsigned char kLoop[] = {1, 0, 0};
    if (EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif_, 11, kApplication) == GIF_ERROR ||
        EGifPutExtensionBlock(gif_, sizeof kLoop, kLoop) == GIF_ERROR || EGifPutExtensionTrailer(gif_) == GIF_ERROR)
        return Failed("write", gif_->Error);
    return Status::Ok();
}

Status GifAnimationWriter::AddFrame(const raster::TBitmap32& frame, int delayCs) {
    if (!gif_)
        return MakeError("no GIF is open");
    if (frame.Width() != width_ || frame.Height() != height_)
        return MakeError("a frame differs in size from the GIF");
    delayCs = std::clamp(delayCs, 0, 65535);

    // The changed rectangle; the whole screen for the first frame.
    raster::Rect changed{width_, height_, 0, 0};
    std::vector<uint8_t> indexes(screen_.size());
    for (int y = 0; y < height_; ++y) {
        const auto row = frame.Scanline(y);
        for (int x = 0; x < width_; ++x) {
            const std::size_t at = std::size_t(y) * width_ + x;
            indexes[at] = CubeIndex(row[x], x, y);
            if (indexes[at] != screen_[at] || !hasPending_) {
                changed.left = std::min(changed.left, x);
                changed.top = std::min(changed.top, y);
                changed.right = std::max(changed.right, x + 1);
                changed.bottom = std::max(changed.bottom, y + 1);
            }
        }
    }
    if (hasPending_ && changed.right <= changed.left) {
        pending_.delayCs = std::min(65535, pending_.delayCs + delayCs);
        return Status::Ok();
    }
    if (hasPending_)
        if (Status written = WritePending(); !written.ok())
            return written;
    pending_.rect = changed;
    pending_.delayCs = delayCs;
    pending_.indexes.clear();
    pending_.indexes.reserve(std::size_t(changed.Width()) * changed.Height());
    for (int y = changed.top; y < changed.bottom; ++y)
        pending_.indexes.insert(pending_.indexes.end(), indexes.begin() + std::ptrdiff_t(y) * width_ + changed.left,
                                indexes.begin() + std::ptrdiff_t(y) * width_ + changed.right);
    screen_ = std::move(indexes);
    hasPending_ = true;
    return Status::Ok();
}

Status GifAnimationWriter::WritePending() {
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    control.DelayTime = pending_.delayCs;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const std::size_t length = EGifGCBToExtension(&control, extension);
    if (EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, int(length), extension) == GIF_ERROR)
        return Failed("write", gif_->Error);

    const raster::Rect& r = pending_.rect;
    if (EGifPutImageDesc(gif_, r.left, r.top, r.Width(), r.Height(), false, nullptr) == GIF_ERROR)
        return Failed("write", gif_->Error);
    for (int y = 0; y < r.Height(); ++y)
        if (EGifPutLine(gif_, pending_.indexes.data() + std::size_t(y) * r.Width(), r.Width()) == GIF_ERROR)
            return Failed("write", gif_->Error);
    hasPending_ = false;
    return Status::Ok();
}

Status GifAnimationWriter::Close() {
    if (!gif_)
        return MakeError("no GIF is open");
    Status written = hasPending_ ? WritePending() : Status::Ok();
    int error = 0;
    const bool closed = EGifCloseFile(gif_, &error) != GIF_ERROR;
    gif_ = nullptr;
    if (written.ok() && !closed)
        written = Failed("write", error);
    if (!written.ok()) {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    return written;
}

} // namespace vorlandite::tools

#pragma once
// The one small interface every picture format is read through.
//
// A decoder is created from the file's bytes, reads only what it needs to report the picture's
// size and frame count, and decodes a frame when it is asked for one. Each format keeps its
// library context inside its own .cpp; callers see only this interface and the per-format
// Sniff/Create pair. A decoder reads lazily from the bytes it was created with: they must
// outlive it.
//
// Every decoder checks the declared dimensions against kMaxPixels before it allocates anything
// for pixels, and turns each library's own failure path into an error value. A corrupt,
// truncated or hostile file gives an error, never a crash, a hang or a read outside the bytes.

#include "base/Result.h"
#include "raster/TBitmap32.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace vorlandite::raster {

// The size a picture will be shown at. Decoders that can decode more cheaply at a reduced scale
// (JPEG) do so when the picture is much larger than this, never going below it. An empty hint
// (either side 0) asks for the picture's own size. A caller that draws the picture at its own
// size (unscaled placement) must not pass a size.
//
// maxPixels bounds the decoded picture whatever the mode: a picture that would hold more is
// decoded at a reduced scale where the format can (JPEG), else refused before its pixels are
// allocated. 0 leaves only kMaxPixels, as for the CLI.
struct SizeHint {
    int width = 0;
    int height = 0;
    int64_t maxPixels = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
};

// The pixel budget of a picture shown on a screen of this size: four times its pixels, so that
// pictures of the screen's size and a little beyond keep their exact decoding, but at most 2^26
// (256 MB of pixels) and at least 2^20, so that a small preview window still shows an ordinary
// photograph.
inline constexpr int64_t kMaxScreenPicturePixels = int64_t(1) << 26;
inline constexpr int64_t kMinScreenPicturePixels = int64_t(1) << 20;
int64_t ScreenPictureBudget(int screenWidth, int screenHeight);
// The show's other pictures (logo, background, mask, exit banner, preview, wallpaper copy) are
// loaded where no screen is known: the budget's cap holds for them.
inline constexpr SizeHint kShowPictureHint{0, 0, kMaxScreenPicturePixels};

// Refuses a width x height picture whose smallest decode (`smallestPixels`) is over
// hint.maxPixels; the message names the format, the size and the budget.
Status CheckBudget(const char* format, int64_t width, int64_t height, int64_t smallestPixels, SizeHint hint);
// Whether an error is CheckBudget's refusal (the show says so on stderr; a broken picture it
// passes over silently).
bool IsOverBudget(const Error& error);

struct ImageFrame {
    TBitmap32 bitmap;     // pixels 0xAARRGGBB, straight (not premultiplied) alpha
    int durationMs = 0;   // 0 for still pictures
};

class ImageDecoder {
public:
    virtual ~ImageDecoder() = default;

    // The picture's own size as its file declares it (a reduced decode may be smaller).
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual int FrameCount() const = 0;

    // Decodes frame index (0 <= index < FrameCount()).
    virtual Result<ImageFrame> Frame(int index, SizeHint hint = {}) = 0;
};

// A format with one picture per file: frame 0 is the picture, any other index is refused with
// the format's name.
class SingleFrameDecoder : public ImageDecoder {
public:
    SingleFrameDecoder(const char* format, int width, int height) : format_(format), width_(width), height_(height) {}

    int Width() const final { return width_; }
    int Height() const final { return height_; }
    int FrameCount() const final { return 1; }
    Result<ImageFrame> Frame(int index, SizeHint hint = {}) final {
        if (index != 0)
            return MakeError(std::string(format_) + ": no frame " + std::to_string(index));
        if (Status fits = CheckBudget(format_, width_, height_, SmallestDecodedPixels(), hint); !fits.ok())
            return fits.error();
        return DecodePicture(hint);
    }

protected:
    // Called only when the picture fits hint.maxPixels at the smallest scale it can be decoded at.
    virtual Result<ImageFrame> DecodePicture(SizeHint hint) = 0;
    // The fewest pixels this picture can be decoded into: its own for most formats.
    virtual int64_t SmallestDecodedPixels() const { return int64_t(width_) * height_; }

private:
    const char* format_;
    int width_;
    int height_;
};

using DecoderPtr = std::unique_ptr<ImageDecoder>;

// Refuses sizes that are not positive or that exceed kMaxPixels; the message names the format
// and the declared size. Decoders call this with the declared size before allocating.
Status CheckPictureSize(const char* format, int64_t width, int64_t height);

} // namespace vorlandite::raster

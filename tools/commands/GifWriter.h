#pragma once
// Writes an animated GIF frame by frame, on a fixed 6 x 7 x 6 colour cube (252 colours: six
// levels of red and blue, seven of green, to which the eye is most sensitive) with ordered
// dithering against banding. A fixed palette needs no look at the whole animation first, maps a
// pixel with a few integer operations, and treats the blended colours of the fading effects no
// worse than the pictures' own.
//
// Each frame after the first is stored as the smallest rectangle that changed since the frame
// before (drawn over it, disposal "keep"); a frame that changes nothing lengthens the one before.

#include "base/Result.h"
#include "raster/TBitmap32.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct GifFileType;

namespace vorlandite::tools {

// The cube colour a pixel of this colour (alpha ignored) at (x, y) becomes, dithered, as an
// opaque TColor32. Pure channel values (0, 255) are kept exactly.
raster::TColor32 QuantizeToCube(raster::TColor32 colour, int x, int y);

class GifAnimationWriter {
public:
    GifAnimationWriter() = default;
    ~GifAnimationWriter();
    GifAnimationWriter(const GifAnimationWriter&) = delete;
    GifAnimationWriter& operator=(const GifAnimationWriter&) = delete;

    // Creates the file with a logical screen of width x height (1 to 65535) that loops for ever.
    Status Open(const std::string& path, int width, int height);
    // Adds a frame of the screen's size shown for delayCs hundredths of a second (0 to 65535).
    Status AddFrame(const raster::TBitmap32& frame, int delayCs);
    // Writes the last frame and the trailer. Without it, the destructor drops the file.
    Status Close();

private:
    struct PendingFrame {
        raster::Rect rect;
        std::vector<uint8_t> indexes;  // Rect's pixels, row by row
        int delayCs = 0;
    };
    Status WritePending();
    Status Failed(const char* what, int code);

    GifFileType* gif_ = nullptr;
    std::string path_;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> screen_;  // colour indexes of the screen after the frames so far
    bool hasPending_ = false;
    PendingFrame pending_;
};

} // namespace vorlandite::tools

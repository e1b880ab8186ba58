#pragma once
// A decoded GIF (all frames as colour indexes, with what GIF89a says about each) and the
// composer that turns it into pictures of the logical screen.
//
// Composing frame i means drawing frames 0 to i in order at their positions, applying each
// earlier frame's disposal method before the next one is drawn, with the transparent pixels of
// a frame leaving what lies beneath. The composer keeps track of which pixels some frame has
// covered: Canvas() holds alpha 0 where none has, so the first frame of a GIF is a picture with
// real transparency. OpaqueFrame() is the slideshow's reading of the same state: a plain opaque
// picture whose uncovered areas carry a key colour that the caller turns transparent again.
//
// Composing in order touches only the frames' rectangles, and ChangedRect() says which part of
// the canvas that was, so a caller can redraw only that: a frame costs what its rectangle
// costs, however large the logical screen.

#include "base/Result.h"
#include "raster/TBitmap32.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace vorlandite::raster {

// What happens to a frame's rectangle before the next frame is drawn (GIF89a).
enum class GifDisposal : uint8_t {
    Unspecified = 0,        // treated as Keep
    Keep = 1,               // leave the frame in place
    RestoreBackground = 2,  // the rectangle becomes uncovered again
    RestorePrevious = 3,    // the rectangle returns to what it was before the frame
};

struct GifFrame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    GifDisposal disposal = GifDisposal::Unspecified;
    int delayMs = 0;                             // the stored hundredths of a second x 10
    std::optional<uint8_t> transparentIndex;
    bool interlaced = false;                     // as stored; indexes are in display order
    std::vector<TColor32> localPalette;          // opaque colours; empty: the global palette
    std::vector<uint8_t> indexes;                // width x height, row by row
};

struct GifImage {
    int width = 0;   // logical screen
    int height = 0;
    std::vector<TColor32> globalPalette;  // opaque colours; may be empty
    TColor32 backgroundColor = 0xFF000000;  // the background colour index's colour (black when none)
    // Loops for ever when the file carries the NETSCAPE2.0 (or ANIMEXTS1.0) application
    // extension, whatever repeat count it gives; otherwise plays once.
    bool loops = false;
    int loopCount = 0;  // the extension's repeat count, for information (0 = for ever)
    std::vector<GifFrame> frames;

    const std::vector<TColor32>& PaletteOf(const GifFrame& frame) const {
        return frame.localPalette.empty() ? globalPalette : frame.localPalette;
    }
    // Opaque colour of frame i's transparent index; none when the frame has no transparency.
    std::optional<TColor32> TransparentColor(int frameIndex) const;
    // At least one frame has a transparent colour.
    bool IsTransparent() const;
};

// The window colour of the platform the pictures were made for, shown where nothing of a
// non-transparent GIF covers the logical screen.
inline constexpr TColor32 kDefaultWindowColor = 0xFFFFFFFF;

class GifAnimator {
public:
    explicit GifAnimator(std::shared_ptr<const GifImage> image);

    const GifImage& Image() const { return *image_; }
    int FrameCount() const { return static_cast<int>(image_->frames.size()); }

    // Brings the composition to frame index. Asked in order this draws one frame; asked out of
    // order it starts again from frame 0.
    Status ComposeFrame(int index);
    int CurrentFrame() const { return current_; }
    // The parts of the canvas that the last ComposeFrame may have changed, clipped to it and
    // possibly overlapping: the rectangles it disposed of and drew, the rectangles earlier frames
    // drew when it started over, the whole canvas when the canvas was new. None when the frame
    // was composed already.
    std::span<const Rect> ChangedRects() const { return changed_; }
    // The smallest rectangle holding all of them.
    Rect ChangedRect() const;

    // The logical screen after the composed frame; where no frame covers it, the uncovered
    // colour (0 unless set: alpha 0).
    const TBitmap32& Canvas() const { return canvas_; }
    // A caller that would fill the uncovered pixels of every frame anyway has the canvas hold
    // that colour instead, and can use the canvas itself. Another colour starts the composition
    // over at the next ComposeFrame.
    void SetUncoveredColor(TColor32 colour);

    // The same as an opaque picture: uncovered areas carry the composed frame's transparent
    // colour; when it has none, the GIF's background colour if the GIF is transparent, else
    // windowColor.
    TBitmap32 OpaqueFrame(TColor32 windowColor = kDefaultWindowColor) const;

private:
    void Draw(const GifFrame& frame);
    void Dispose(const GifFrame& frame);

    std::shared_ptr<const GifImage> image_;
    TBitmap32 canvas_;
    std::vector<TColor32> saved_;  // the rectangle under a RestorePrevious frame
    int current_ = -1;
    TColor32 uncovered_ = 0;
    std::vector<Rect> changed_;
    std::vector<Rect> drawn_;  // since the canvas was cleared; every other pixel is still 0
};

} // namespace vorlandite::raster

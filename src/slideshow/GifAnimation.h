#pragma once
// An animated GIF item after its first frame has come in: the remaining frames play in place,
// each drawn onto a fresh copy of the backdrop (background, logo, caption) scaled into the
// rectangle where the item was placed, then copied onto the picture control's bitmap. One
// timer paces the frames: every expiry draws the next frame and re-arms the timer with that
// frame's delay, so a slow repaint stretches the show instead of skipping frames.
//
// The first frame drawn is drawn whole; after it only what the frame changed is: the GIF's
// composition reports the changed part of its logical screen, the picture (filters applied)
// is updated there, and only the part of the placement whose scaled pixels read it is scaled
// again, over the backdrop, and copied on. The pixels are exactly those of a whole redraw, so a
// frame costs what its own rectangle costs (scaled), not what the logical screen costs.
//
// Lifecycle: Idle (nothing loaded) -> Loaded (LoadGif; the item loader composes frame 0
// itself) -> Animating (AnimateGif with two or more frames) -> Ended (a GIF that does not loop
// stays on its last frame) -> Idle at the next StopGif. A single frame never animates.

#include "base/Result.h"
#include "raster/Geometry.h"
#include "raster/TBitmap32.h"
#include "raster/decoders/GifImage.h"
#include "slideshow/SlideTimers.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>

namespace vorlandite::slideshow {

// A stored delay of 0 would make a platform timer never fire and freeze the animation on that
// frame; such frames are shown for 100 ms instead, the delay web browsers give them. Every
// other delay is kept as stored.
inline constexpr int kZeroDelayFrameMs = 100;

// The frame delay used for a stored delay (milliseconds).
int EffectiveFrameDelayMs(int storedDelayMs);

enum class GifLooping {
    // A GIF with the looping extension loops for ever whatever repeat count it gives; one
    // without plays once. This is how the show has always played GIF items.
    ForEverWhenMarked,
    // The extension's repeat count is honoured: 0 loops for ever, n plays the animation n + 1
    // times in all (as browsers do).
    RepeatCount,
};

struct GifAnimationOptions {
    GifLooping looping = GifLooping::ForEverWhenMarked;
    // The show's background colour (0x00BBGGRR, system colours allowed): transparent pixels of
    // a frame carry it so that bilinear scaling fades the GIF's edges towards it.
    uint32_t backgroundColour = 0x00000000;
    // Shown where no frame of a GIF without transparency covers its logical screen.
    raster::TColor32 windowColor = raster::kDefaultWindowColor;
};

// Where the frames go, as the item loader left it for the current item.
struct GifStage {
    const raster::TBitmap32* backdrop = nullptr;  // background + logo + caption, frame-sized
    raster::Rect placement{};                    // the picture's rectangle on the frame
    raster::TBitmap32* target = nullptr;          // the picture control's bitmap
    // The item's filters and mask, so that the animated frames look like the first one did.
    uint32_t imageFilter = 0;
    const raster::TBitmap32* mask = nullptr;
};

enum class GifState { Idle, Loaded, Animating, Ended };

class GifAnimation {
public:
    // frameIndex: the frame now shown; changed: the target's rectangle that changed.
    using FrameShownHandler = std::function<void(int frameIndex, const raster::Rect& changed)>;

    // The timer is the owner's; this object takes over its handler while it lives.
    explicit GifAnimation(ITimer& timer, GifAnimationOptions options = {});
    GifAnimation(const GifAnimation&) = delete;
    GifAnimation& operator=(const GifAnimation&) = delete;
    ~GifAnimation();

    // StopGif, then decode the file. On failure nothing is loaded (the item is abandoned).
    Status LoadGif(const std::filesystem::path& file);
    Status LoadGif(std::span<const uint8_t> bytes);
    // An animation the item loader has already decoded for the first frame.
    Status LoadGif(std::shared_ptr<const raster::GifImage> image);
    // Starts the frames 1 ms from now when a GIF with more than one frame is loaded.
    void AnimateGif();
    // Timer off; the decoded GIF and the composition state are released.
    void StopGif();
    // The timer's handler: draws frame FrameIndex() and arms the timer for the next one.
    void GifTimerTimer();

    // The next frame is drawn whole on the new stage.
    void SetStage(const GifStage& stage) {
        stage_ = stage;
        drawnFrame_ = -1;
    }
    void SetFrameShownHandler(FrameShownHandler handler) { frameShown_ = std::move(handler); }

    // Frame index composed into the picture the way every frame is drawn: opaque for a GIF
    // without transparency, else with alpha 0 where no frame covers the logical screen. The item
    // loader uses it for frame 0. Fails when nothing is loaded or the index does not exist.
    Result<raster::TBitmap32> ComposeFramePicture(int index);

    const raster::GifImage* Image() const { return image_.get(); }
    raster::GifAnimator* Animator() { return animator_.get(); }
    int FrameIndex() const { return frameIndex_; }
    void SetFrameIndex(int index) { frameIndex_ = index; }
    GifState State() const;

private:
    Status Install(Result<raster::GifImage> decoded);
    Status Install(std::shared_ptr<const raster::GifImage> image);
    // Draws the frame; changed: the target's rectangle that changed.
    bool DrawFrame(int index, raster::Rect& changed);
    // The picture and the board from scratch, all of the board onto the target.
    bool DrawWhole(raster::Rect& changed);
    // Only what the rectangles of the logical screen changed; false when it must be drawn whole.
    bool DrawChange(std::span<const raster::Rect> canvasChanges, raster::Rect& changed);
    // Scales the picture again onto the board's rectangle area, over the backdrop.
    bool Redraw(const raster::Rect& area);
    // picture_ := the look of the canvas in canvasRect (the same rectangle mirrored and flipped
    // by the item's filter).
    void UpdatePicture(const raster::Rect& canvasRect);
    // The index after index, or FrameCount when the animation ends there.
    int NextFrameIndex(int index);

    ITimer& timer_;
    GifAnimationOptions options_;
    GifStage stage_;
    FrameShownHandler frameShown_;
    std::shared_ptr<const raster::GifImage> image_;
    std::unique_ptr<raster::GifAnimator> animator_;
    int frameIndex_ = 0;
    int completedPlays_ = 0;
    bool ended_ = false;
    // What is scaled onto the board: the GIF's canvas itself, its uncovered pixels filled by
    // the composition, unless the item's filter moves or changes pixels; then picture_.
    const raster::TBitmap32& Picture() const;

    // Kept between frames: the canvas as it is scaled when the item has a filter (filters
    // applied, uncovered pixels filled) and the backdrop with the picture drawn on it, as the
    // target shows it.
    raster::TBitmap32 picture_;
    raster::TBitmap32 board_;
    // The composed frame that picture_ and board_ show; -1: the next frame is drawn whole.
    int drawnFrame_ = -1;
};

} // namespace vorlandite::slideshow

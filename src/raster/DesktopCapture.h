#pragma once
// Copying what the screen shows. The raster layer knows no windowing system: the snapshot comes
// from a DesktopCapture the application provides (a screen grab in the real program, a fixed
// surface in tests).

#include "base/Result.h"
#include "raster/TBitmap32.h"

namespace vorlandite::raster {

class DesktopCapture {
public:
    virtual ~DesktopCapture() = default;
    // The whole screen, screen-sized, from its top-left corner.
    virtual Result<TBitmap32> GrabScreen() = 0;
};

// Copies the screen's current content onto the canvas at (0, 0), clipped to the canvas. A
// failed grab leaves the canvas as it was (the show then has its plain background).
void CaptureDesktop(TBitmap32& canvas, DesktopCapture& capture);

// The snapshot made to cover a width x height area, as a desktop wallpaper set to fill does: the
// same size is copied as it is; any other is scaled by one factor for both directions until it
// covers the area, centred, and what overhangs is cut off (bilinear). So a snapshot in device
// pixels of a scaled screen shrinks exactly onto the show, and a picture of another shape is
// neither distorted nor framed by bars. Opaque. Fails for an empty snapshot or area.
Result<TBitmap32> CoverArea(const TBitmap32& snapshot, int width, int height);

// The desktop as it was when the snapshot was taken, handed out every time the show asks. The
// show's own window covers the screen once it is up, so the picture must be taken before that
// and kept; a host's saved screenshot or a picture file serve the same way.
class SnapshotDesktop final : public DesktopCapture {
public:
    // `snapshot` is fitted to width x height once (CoverArea). A failed snapshot keeps its error,
    // and every GrabScreen returns it: the show then has its plain background.
    SnapshotDesktop(Result<TBitmap32> snapshot, int width, int height);

    // A copy of the fitted snapshot (the show draws on what it gets).
    Result<TBitmap32> GrabScreen() override { return screen_; }

private:
    Result<TBitmap32> screen_;
};

} // namespace vorlandite::raster

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

} // namespace vorlandite::raster

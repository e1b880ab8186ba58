#include "raster/DesktopCapture.h"

#include "raster/BitmapDraw.h"

namespace vorlandite::raster {

void CaptureDesktop(TBitmap32& canvas, DesktopCapture& capture) {
    Result<TBitmap32> screen = capture.GrabScreen();
    if (!screen)
        return;
    DrawBitmap(canvas, 0, 0, *screen, TDrawOptions{TDrawMode::Opaque, 255, TStretchFilter::Nearest, false});
}

} // namespace vorlandite::raster

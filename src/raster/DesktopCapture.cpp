#include "raster/DesktopCapture.h"

#include "raster/BitmapDraw.h"

#include <algorithm>

namespace vorlandite::raster {

void CaptureDesktop(TBitmap32& canvas, DesktopCapture& capture) {
    Result<TBitmap32> screen = capture.GrabScreen();
    if (!screen)
        return;
    DrawBitmap(canvas, 0, 0, *screen, DrawOptions{DrawMode::Opaque, 255, StretchFilter::Nearest, false});
}

Result<TBitmap32> CoverArea(const TBitmap32& snapshot, int width, int height) {
    if (snapshot.Empty())
        return MakeError("the desktop snapshot is empty");
    if (width <= 0 || height <= 0)
        return MakeError("no area to cover");
    auto made = TBitmap32::Create(width, height);
    if (!made)
        return made.error();
    TBitmap32 screen = std::move(made).value();
    const int64_t w = snapshot.Width(), h = snapshot.Height();
    // The part of the snapshot that lands on the area: the full width when the area is the wider
    // shape (the height then is cut), else the full height. Rounded to whole pixels, never none.
    Rect source{0, 0, int(w), int(h)};
    if (int64_t(width) * h >= int64_t(height) * w) {
        const int used = int(std::clamp<int64_t>((int64_t(height) * w * 2 + width) / (2 * int64_t(width)), 1, h));
        source.top = int((h - used) / 2);
        source.bottom = source.top + used;
    } else {
        const int used = int(std::clamp<int64_t>((int64_t(width) * h * 2 + height) / (2 * int64_t(height)), 1, w));
        source.left = int((w - used) / 2);
        source.right = source.left + used;
    }
    StretchBitmap(screen, screen.BoundsRect(), snapshot, source,
                  DrawOptions{DrawMode::Opaque, 255, StretchFilter::Linear, true});
    screen.ResetAlpha();  // a desktop is opaque, whatever the picture's alpha said
    return screen;
}

SnapshotDesktop::SnapshotDesktop(Result<TBitmap32> snapshot, int width, int height)
    : screen_(snapshot ? CoverArea(*snapshot, width, height) : Result<TBitmap32>(snapshot.error())) {}

} // namespace vorlandite::raster

#include "raster/canvas/QtDesktopCapture.h"

#include "raster/canvas/QtImageBridge.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace vorlandite::raster {

Result<TBitmap32> QtDesktopCapture::GrabScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return MakeError("no screen to capture");
    const QPixmap grab = screen->grabWindow(0);
    if (grab.isNull())
        return MakeError("screen capture failed");
    auto bitmap = FromQImage(grab.toImage());
    if (bitmap)
        bitmap->ResetAlpha();  // the screen is opaque whatever the grab's format says
    return bitmap;
}

} // namespace vorlandite::raster

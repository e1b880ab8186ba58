#include "raster/canvas/QtImageBridge.h"

#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QTransform>

#include <cstring>

namespace vorlandite::raster {

QImage WrapConst(const TBitmap32& bitmap) {
    return QImage(reinterpret_cast<const uchar*>(bitmap.Pixels().data()), bitmap.Width(), bitmap.Height(),
                  qsizetype(bitmap.Width()) * 4, QImage::Format_ARGB32);
}

Result<TBitmap32> FromQImage(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull() && !image.isNull())
        return MakeError("picture could not be converted");
    auto bitmap = TBitmap32::Create(argb.width(), argb.height());
    if (!bitmap)
        return bitmap;
    for (int y = 0; y < argb.height(); ++y)
        std::memcpy(bitmap->Scanline(y).data(), argb.constScanLine(y), std::size_t(argb.width()) * 4);
    return bitmap;
}

QImage ToQImage(const TBitmap32& bitmap) { return WrapConst(bitmap).copy(); }

void PaintOpaque(QPainter& painter, const QRect& area, const TBitmap32& bitmap) {
    // While a resized window waits for its new show the bitmap may not cover it.
    const QRegion uncovered = QRegion(area) - QRegion(0, 0, bitmap.Width(), bitmap.Height());
    for (const QRect& r : uncovered)
        painter.fillRect(r, Qt::black);
    if (bitmap.Empty())
        return;
    // Format_RGB32: on a 24-bit screen the backing store is its premultiplied-alpha twin, whose
    // rows an opaque image is copied into as they are (memcpy), nothing converted.
    const QImage image(reinterpret_cast<const uchar*>(bitmap.Pixels().data()), bitmap.Width(), bitmap.Height(),
                       int(bitmap.Stride() * sizeof(TColor32)), QImage::Format_RGB32);
    // The area being painted, in the painter's coordinates: a few rectangles are drawn one at a
    // time under a clip of just that rectangle, which the raster engine copies straight. Under a
    // clip of several rectangles side by side it sends every row of the picture through the clip,
    // which for a few thin columns costs more than the whole picture.
    constexpr int kMostRectsOneByOne = 64;
    const QPaintEngine* engine = painter.paintEngine();
    const QTransform toDevice = painter.deviceTransform();
    const QRegion painted = engine && toDevice.type() <= QTransform::TxTranslate
                                ? engine->systemClip().translated(-int(toDevice.dx()), -int(toDevice.dy()))
                                : QRegion();
    if (painted.isEmpty() || painted.rectCount() > kMostRectsOneByOne) {
        painter.drawImage(QPoint(0, 0), image);
        return;
    }
    for (const QRect& r : painted) {
        painter.setClipRect(r);
        painter.drawImage(QPoint(0, 0), image);
    }
}

} // namespace vorlandite::raster

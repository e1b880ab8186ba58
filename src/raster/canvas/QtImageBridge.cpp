#include "raster/canvas/QtImageBridge.h"

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

} // namespace vorlandite::raster

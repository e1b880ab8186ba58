#include "slideshow/PreviewImage.h"

#include "payload/ContainerReader.h"
#include "payload/ExtractedFile.h"
#include "payload/TempFiles.h"
#include "raster/canvas/QtImageBridge.h"
#include "raster/decoders/PictureDecoding.h"

#include <QPainter>
#include <QRect>

namespace vorlandite::slideshow {

Result<std::optional<raster::TBitmap32>> LoadPreviewImage(const std::string& screensaverPath,
                                                          const std::string& tempFolder) {
    auto source = payload::FileSource::Open(screensaverPath);
    if (!source.ok())
        return source.error();
    // A wrong magic or a damaged trailer means no picture: the preview stays black.
    auto header = payload::ContainerReader(**source).ReadTrailer();
    if (!header.ok() || header->PreviewSize <= 0)
        return std::optional<raster::TBitmap32>();

    const int64_t size = header->PreviewSize;
    // Stored raw; the file goes once decoded, also when decoding failed.
    auto extracted = payload::ExtractedFile::ExtractFrom(
        **source, payload::TempFilePath(tempFolder, payload::kPreviewFile),
        payload::StoredItem{false, payload::SectionStart(*header, payload::kPreviewSection), size, size});
    // Decoded as what the section holds, a Windows bitmap, whatever its bytes look like.
    auto picture = extracted ? raster::DecodePictureFile(extracted->Path(), raster::kShowPictureHint)
                             : Result<raster::TBitmap32>(extracted.error());
    if (!picture.ok())
        return picture.error();
    return std::optional<raster::TBitmap32>(std::move(picture).value());
}

void PaintPreviewImage(QPainter& painter, const QRect& target, const raster::TBitmap32& picture) {
    if (picture.Empty() || target.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, raster::WrapConst(picture));
    painter.restore();
}

} // namespace vorlandite::slideshow

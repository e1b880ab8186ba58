#pragma once
// The preview picture: what the small monitor of the display settings shows. Preview mode reads
// nothing of the payload but its trailer and this one picture (a Windows bitmap, stored raw).

#include "base/Result.h"
#include "raster/TBitmap32.h"

#include <optional>
#include <string>

class QPainter;
class QRect;

namespace vorlandite::slideshow {

// Reads the trailer of `screensaverPath`; with the magic in place and a preview picture
// (PreviewSize > 0) extracts it to "SSIMG.BMP" in `tempFolder`, decodes it as a Windows bitmap
// and removes the file (also when decoding failed). nullopt: nothing to show, the preview stays
// black. An error: the picture is there but cannot be read.
Result<std::optional<raster::TBitmap32>> LoadPreviewImage(const std::string& screensaverPath,
                                                          const std::string& tempFolder);

// The picture stretched over the whole target (aspect ratio not kept), as the preview shows it.
void PaintPreviewImage(QPainter& painter, const QRect& target, const raster::TBitmap32& picture);

} // namespace vorlandite::slideshow

#pragma once
// `LoadMask`: one mask of the payload's mask table as a surface. A mask shapes the picture it
// belongs to: the blue channel of each mask pixel, scaled into the picture's rectangle, becomes
// the picture's opacity there (white shows the picture, black shows the background). That part
// is done by StretchPictureOnto; this file only gets the mask out of the payload.

#include "base/Result.h"
#include "payload/PayloadRecords.h"
#include "raster/TBitmap32.h"

#include <span>
#include <string>

namespace vorlandite::slideshow {

// Extracts mask number maskIndex to tempFolder + "SSMASK" + ".bmp"/".png"/".gif" (by its
// Format byte), decodes it, and deletes the file again whatever the outcome. The result is the
// mask at its own size, fully opaque, with transparent areas of its picture turned black.
//
// A mask that cannot be had (index outside the table, failed extraction, undecodable picture)
// is an error; the caller then draws the picture without a mask rather than hiding it.
Result<raster::TBitmap32> LoadMask(const payload::TKelFixedSizeInfo& header,
                                   std::span<const payload::TKelMaskInfo> masks, int maskIndex,
                                   const std::string& screensaverPath, const std::string& tempFolder);

} // namespace vorlandite::slideshow

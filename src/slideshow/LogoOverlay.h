#pragma once
// The author's logo, laid over every frame (and over the backdrop of animated GIFs and the
// frame behind videos). It is prepared once per show and kept for the whole run.

#include "base/Result.h"
#include "payload/PayloadRecords.h"
#include "raster/TBitmap32.h"
#include "slideshow/PositionCodes.h"

#include <string>

namespace vorlandite::slideshow {

// `LoadLogo`: extracts the logo section to tempFolder + "SSLG" + LogoExt (the file is left in
// place), decodes it by that extension and returns the logo at its own size: fully opaque,
// except that every pixel exactly equal to ToColor32(LogoTransparentColor) becomes 0x00000000.
// With LogoTransparentColor = "no colour" areas the picture leaves transparent turn white and
// nothing is keyed out. An error means the show runs without a logo (none stored, failed
// extraction, undecodable picture).
Result<raster::TBitmap32> LoadLogo(const payload::TKelFixedSizeInfo& header, const std::string& screensaverPath,
                                   const std::string& tempFolder);

// LogoPosition with LogoMarginX and LogoMarginY.
OverlayPosition LogoPosition(const payload::TKelFixedSizeInfo& header);

// `DrawLogo`: blends the logo 1:1 onto the target at the box its position gives. An empty logo
// draws nothing.
void DrawLogo(const raster::TBitmap32& logo, const OverlayPosition& position, raster::TBitmap32& target);

} // namespace vorlandite::slideshow

#include "slideshow/LogoOverlay.h"

#include "payload/ExtractedFile.h"
#include "payload/TempFiles.h"
#include "raster/BitmapDraw.h"
#include "raster/ColorConversion.h"
#include "slideshow/SectionPicture.h"

namespace vorlandite::slideshow {

Result<raster::TBitmap32> LoadLogo(const payload::TKelFixedSizeInfo& header, const std::string& screensaverPath,
                                   const std::string& tempFolder) {
    if (header.LogoStoredSize <= 0)
        return MakeError("the payload has no logo");
    // The logo is always stored deflated. A logo file of an earlier run may still lie there; a
    // failed extraction removes it, so only this run's logo is shown.
    auto picture = LoadSectionPicture(
        screensaverPath, payload::TempFilePath(tempFolder, payload::kLogoFile, header.LogoExt),
        payload::DeflatedSection(header, payload::kLogoSection, header.LogoStoredSize, header.LogoSize));
    if (!picture)
        return picture.error();

    const uint32_t key = uint32_t(header.LogoTransparentColor);
    const raster::TColor32 keyColour = raster::ToColor32(key);
    auto logo = raster::TBitmap32::Create(picture->Width(), picture->Height());
    if (!logo)
        return logo;
    // The key colour behind the picture: areas its own transparency leaves open key out too.
    logo->Clear(keyColour);
    raster::DrawBitmap(*logo, 0, 0, *picture, raster::DrawOptions{raster::DrawMode::Blend});
    logo->ResetAlpha();
    if (key != uint32_t(payload::kNoColor)) {
        // Exact matches only, all 32 bits: a colour one step off stays visible.
        for (raster::TColor32& pixel : logo->Pixels())
            if (pixel == keyColour)
                pixel = 0x00000000u;
    }
    return logo;
}

OverlayPosition LogoPosition(const payload::TKelFixedSizeInfo& header) {
    return {header.LogoPosition, header.LogoMarginX, header.LogoMarginY};
}

void DrawLogo(const raster::TBitmap32& logo, const OverlayPosition& position, raster::TBitmap32& target) {
    if (logo.Empty() || target.Empty())
        return;
    const raster::Point at = PositionBox(position, logo.Width(), logo.Height(), target.Width(), target.Height());
    raster::DrawBitmap(target, at.x, at.y, logo, raster::DrawOptions{raster::DrawMode::Blend});
}

} // namespace vorlandite::slideshow

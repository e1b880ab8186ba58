#include "slideshow/MaskLoader.h"

#include "payload/ExtractedFile.h"
#include "payload/TempFiles.h"
#include "raster/BitmapDraw.h"
#include "raster/decoders/PictureDecoding.h"

namespace vorlandite::slideshow {

namespace {

// The picture drawn over a transparent surface of its size, then made opaque: what a picture
// leaves transparent becomes black, that is, hides the item there.
Result<raster::TBitmap32> Flattened(const raster::TBitmap32& picture) {
    auto surface = raster::TBitmap32::Create(picture.Width(), picture.Height());
    if (!surface)
        return surface;
    raster::DrawBitmap(*surface, 0, 0, picture, raster::DrawOptions{raster::DrawMode::Blend});
    surface->ResetAlpha();
    return surface;
}

} // namespace

Result<raster::TBitmap32> LoadMask(const payload::TKelFixedSizeInfo& header,
                                   std::span<const payload::TKelMaskInfo> masks, int maskIndex,
                                   const std::string& screensaverPath, const std::string& tempFolder) {
    if (maskIndex < 0 || std::size_t(maskIndex) >= masks.size())
        return MakeError("mask " + std::to_string(maskIndex) + " is not in the mask table");
    const payload::TKelMaskInfo& mask = masks[std::size_t(maskIndex)];
    // A file of the same name left over from an earlier run never stands in for this mask: a
    // failed extraction removes it.
    auto extracted = payload::ExtractedFile::Extract(
        screensaverPath, payload::TempFilePath(tempFolder, payload::kMaskFile, payload::MaskExtension(mask.Format)),
        payload::TableItem(header, mask));
    if (!extracted)
        return extracted.error();
    auto decoded = raster::DecodePictureFile(extracted->Path(), raster::kShowPictureHint);
    extracted->Reset();
    if (!decoded)
        return decoded.error();
    if (decoded->Empty())
        return MakeError("the mask picture is empty");
    return Flattened(*decoded);
}

} // namespace vorlandite::slideshow

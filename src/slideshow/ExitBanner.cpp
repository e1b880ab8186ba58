#include "slideshow/ExitBanner.h"

#include "payload/ExtractedFile.h"
#include "payload/TempFiles.h"
#include "raster/decoders/PictureDecoding.h"

namespace vorlandite::slideshow {

raster::TRect ExitBannerPlacement(int width, int height, int screenWidth, int screenHeight) {
    const int left = (screenWidth - width) / 2;
    const int top = (screenHeight - height) / 2;
    return raster::TRect{left, top, left + width, top + height};
}

bool TExitBanner::DisplayExitBanner(const payload::Payload& payload, const std::string& screensaverPath,
                                    const std::string& tempFolder, int screenWidth, int screenHeight,
                                    const ShowModal& showModal) {
    if (windowMade_)
        return false;
    const payload::TKelFixedSizeInfo& header = payload.Header;
    if (header.ExitBannerStoredSize <= 0)
        return false;
    // The window counts as made from here on, also when the picture then fails: one try per run.
    windowMade_ = true;
    auto extracted = payload::TExtractedFile::Extract(
        screensaverPath, payload::TempFilePath(tempFolder, payload::kExitBannerFile, header.ExitBannerExt),
        payload::DeflatedSection(header, payload::kExitBannerSection, header.ExitBannerStoredSize,
                                 header.ExitBannerSize));
    if (!extracted)
        return false;
    // The banner's file is left in place.
    const std::string file = extracted->Release();
    auto picture = raster::DecodePictureFile(file, raster::kShowPictureHint);
    if (!picture.ok() || picture->Empty() || !showModal)
        return false;
    TExitBannerPicture banner;
    banner.Bounds = ExitBannerPlacement(picture->Width(), picture->Height(), screenWidth, screenHeight);
    banner.HandCursor = !payload.Strings.ExitBannerLink.empty();
    banner.Picture = std::move(picture).value();
    showModal(banner);
    return true;
}

} // namespace vorlandite::slideshow

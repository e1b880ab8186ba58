#include "slideshow/ExitBanner.h"

#include "payload/ExtractedFile.h"
#include "payload/TempFiles.h"
#include "slideshow/Placement.h"
#include "slideshow/SectionPicture.h"

namespace vorlandite::slideshow {

raster::Rect ExitBannerPlacement(int width, int height, int screenWidth, int screenHeight) {
    const int left = (screenWidth - width) / 2;
    const int top = (screenHeight - height) / 2;
    return RectAt(left, top, width, height);
}

bool ExitBanner::DisplayExitBanner(const payload::Payload& payload, const std::string& screensaverPath,
                                    const std::string& tempFolder, int screenWidth, int screenHeight,
                                    const ShowModal& showModal) {
    if (windowMade_)
        return false;
    const payload::TKelFixedSizeInfo& header = payload.header;
    if (header.ExitBannerStoredSize <= 0)
        return false;
    // The window counts as made from here on, also when the picture then fails: one try per run.
    windowMade_ = true;
    auto picture = LoadSectionPicture(
        screensaverPath, payload::TempFilePath(tempFolder, payload::kExitBannerFile, header.ExitBannerExt),
        payload::DeflatedSection(header, payload::kExitBannerSection, header.ExitBannerStoredSize,
                                 header.ExitBannerSize));
    if (!picture.ok() || picture->Empty() || !showModal)
        return false;
    ExitBannerPicture banner;
    banner.bounds = ExitBannerPlacement(picture->Width(), picture->Height(), screenWidth, screenHeight);
    banner.handCursor = !payload.strings.ExitBannerLink.empty();
    banner.picture = std::move(picture).value();
    showModal(banner);
    return true;
}

} // namespace vorlandite::slideshow

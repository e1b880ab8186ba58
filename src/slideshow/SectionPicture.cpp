#include "slideshow/SectionPicture.h"

#include "raster/decoders/PictureDecoding.h"

namespace vorlandite::slideshow {

Result<raster::TBitmap32> LoadSectionPicture(const std::string& screensaverPath, const std::string& file,
                                             const payload::StoredItem& section) {
    auto extracted = payload::ExtractedFile::Extract(screensaverPath, file, section);
    if (!extracted)
        return extracted.error();
    const std::string path = extracted->Release();  // the file is left in place
    return raster::DecodePictureFile(path, raster::kShowPictureHint);
}

} // namespace vorlandite::slideshow

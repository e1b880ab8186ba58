#pragma once
// The payload's single pictures (background, logo, exit banner) are deflated sections. Each is
// extracted to its own temporary file, which stays for the rest of the run, and decoded from it.

#include "base/Result.h"
#include "payload/ExtractedFile.h"
#include "raster/TBitmap32.h"

#include <string>

namespace vorlandite::slideshow {

// The section's picture, decoded at its own size (within the show's picture limit). A failed
// extraction removes a file of the same name left by an earlier run, so an old picture never
// stands in for this one.
Result<raster::TBitmap32> LoadSectionPicture(const std::string& screensaverPath, const std::string& file,
                                             const payload::StoredItem& section);

} // namespace vorlandite::slideshow

#pragma once
// The background every item is shown on: a two-colour gradient or a snapshot of the desktop,
// optionally covered by the author's background picture. It is built once at start-up and, when
// the author asked for it, painted again before every item (new random colours and style each
// time when those are on).
//
// The colour fields of the header record are the live settings: random colours and a random
// gradient style are written back into it, so that everything drawn later (the panel around a
// video, keyed GIF edges) agrees with the background on screen.

#include "base/Result.h"
#include "payload/PayloadRecords.h"
#include "raster/DesktopCapture.h"
#include "raster/TBitmap32.h"
#include "base/RandomSource.h"

#include <optional>
#include <string>

namespace vorlandite::slideshow {

struct Background {
    // The window's size, fully opaque.
    raster::TBitmap32 bitmap;
    // The decoded background picture, kept so that the background can be painted again.
    std::optional<raster::TBitmap32> picture;
};

// Where BuildBackground gets what it does not compute itself.
struct BackgroundSources {
    raster::DesktopCapture* capture = nullptr;  // the desktop snapshot; null: none to be had
    std::string screensaverPath;                // the file holding the payload
    std::string tempFolder;                     // ends with '/'
};

// A colour value 0x00BBGGRR with red, green and blue each Random(256), drawn in that order.
uint32_t RandomColour(IRandomSource& random);

// The colour choices of the start-up: random colours (first and second) and a random gradient
// style (1 to 8) when those are on, written into the header. Returns the main window's colour,
// the one that shows around a video or a movie.
uint32_t PrepareBackgroundColours(payload::TKelFixedSizeInfo& header, IRandomSource& random);

// The background picture, extracted to TempFolder + "SSBG" + BackgroundExt (the file is left
// there) and decoded by that extension. No picture in the payload gives std::nullopt.
Result<std::optional<raster::TBitmap32>> LoadBackgroundPicture(const payload::TKelFixedSizeInfo& header,
                                                               const BackgroundSources& sources);

// Paints a width x height background by the header's current colours and style: the desktop
// snapshot or the gradient, then the background picture by BackgroundPictureMode. An
// undecodable background picture is an error: the show must not start without it.
Result<Background> PaintBackground(const payload::TKelFixedSizeInfo& header, int width, int height,
                                   const BackgroundSources& sources);

// Both steps of the start-up; window colour out through windowColour.
Result<Background> BuildBackground(payload::TKelFixedSizeInfo& header, int width, int height,
                                   IRandomSource& random, const BackgroundSources& sources,
                                   uint32_t& windowColour);

// Before every item: only when RepaintBackground is on and DesktopBackground is off, new random
// colours and style as configured (the window's colour stays), the gradient over the whole
// bitmap and the background picture again. Returns whether anything was painted.
bool RebuildBackground(payload::TKelFixedSizeInfo& header, IRandomSource& random,
                       Background& background);

} // namespace vorlandite::slideshow

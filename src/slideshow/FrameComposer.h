#pragma once
// The frame of a picture item, composed the way the show puts it on screen: a copy of the
// background, the picture (decoded by its extension, filtered, masked, scaled and placed by its
// size-and-position mode), then the logo and the item's caption over it.
//
// Nothing here touches a window or a timer: the caller extracts the item file, hands the frame
// to the transition engine and keeps the picture, mask and placement for the GIF animation. A
// broken item comes back as an error, which the show answers by skipping it quietly.

#include "base/Result.h"
#include "payload/PayloadRecords.h"
#include "raster/Geometry.h"
#include "raster/TBitmap32.h"
#include "raster/decoders/GifImage.h"
#include "raster/decoders/ImageDecoder.h"
#include "base/RandomSource.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vorlandite::slideshow {

// What the composition needs besides the item itself. The references must outlive the call.
struct FrameContext {
    const payload::TKelFixedSizeInfo& header;  // live settings: Stretch, BackgroundColor, logo placement
    std::span<const payload::TKelImageInfo> items;
    std::span<const payload::TKelMaskInfo> masks;
    const raster::TBitmap32& background;  // drawn 1:1 from the frame's top-left corner
    const raster::TBitmap32& logo;        // empty: no logo
    int width = 0;                        // the frame: the main window's client area
    int height = 0;
    std::string screensaverPath;  // for the masks
    std::string tempFolder;       // ends with '/'
    IRandomSource& random;
};

struct ComposedPicture {
    raster::TBitmap32 frame;
    // The picture at its own (or hinted) size after its filters, opaque unless it is a GIF.
    raster::TBitmap32 picture;
    std::optional<raster::TBitmap32> mask;
    raster::Rect placement;  // where Picture was drawn; later GIF frames go there too
    bool isGif = false;
    // The whole animation of a GIF item, already decoded, for the animator.
    std::shared_ptr<const raster::GifImage> gif;
};

// The size a picture may be decoded at in this mode: the frame's size for the modes that scale
// the picture, none (its own size) for the modes that show it unscaled; in every mode with the
// frame's pixel budget (raster::ScreenPictureBudget).
raster::SizeHint DecodeHintFor(int mode, int width, int height);

// A width x height frame holding the background at (0, 0).
Result<raster::TBitmap32> BackgroundFrame(const raster::TBitmap32& background, int width, int height);

// For a GIF item: the background with the logo and the item's caption, under the GIF's frames.
Result<raster::TBitmap32> ComposeGifBackdrop(const FrameContext& context, int index);

// The frame of picture item index, decoded from itemFile (the extracted item, named with its
// extension). Fails for an index outside the table, a video or Flash item, an extension with no
// decoder and a broken picture; a mask that cannot be loaded leaves the picture unmasked.
// Random positions are drawn from context.random.
Result<ComposedPicture> ComposePictureFrame(const FrameContext& context, int index, const std::string& itemFile);

} // namespace vorlandite::slideshow

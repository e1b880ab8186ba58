#include "slideshow/FrameComposer.h"

#include "base/AsciiCase.h"
#include "raster/BitmapDraw.h"
#include "raster/ImageFilters.h"
#include "raster/PictureFitting.h"
#include "raster/decoders/PictureDecoding.h"
#include "slideshow/CaptionRenderer.h"
#include "slideshow/LogoOverlay.h"
#include "slideshow/MaskLoader.h"
#include "slideshow/Placement.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace vorlandite::slideshow {

namespace {

// A GIF item's first frame on its logical screen, opaque, with the transparent colour of frame
// 0 turned into see-through background colour so that scaled edges blend towards it.
// The show says why it passes over a picture too large for the screen: the author may want to
// know. A broken picture it passes over without a word.
void ReportOverBudget(const std::string& itemFile, const Error& error) {
    if (raster::IsOverBudget(error))
        std::fprintf(stderr, "vorlandite: %s is passed over: %s\n", itemFile.c_str(), error.message.c_str());
}

// An animated GIF is composed on canvases of its logical screen (the first frame's, the
// animation's), so that screen is what the budget weighs, whatever its frames' sizes.
Result<raster::TBitmap32> DecodeGifItem(const std::string& itemFile, uint32_t backgroundColour, raster::SizeHint hint,
                                        std::shared_ptr<const raster::GifImage>& gif) {
    auto decoded = raster::DecodeGifFile(itemFile);
    if (!decoded)
        return decoded.error();
    if (Status fits = raster::CheckBudget("GIF", decoded->width, decoded->height,
                                          int64_t(decoded->width) * decoded->height, raster::SizeHint{0, 0, hint.maxPixels});
        !fits) {
        ReportOverBudget(itemFile, fits.error());
        return fits.error();
    }
    gif = std::make_shared<const raster::GifImage>(std::move(decoded).value());
    raster::GifAnimator animator(gif);
    if (animator.FrameCount() == 0)
        return MakeError("the GIF has no frames");
    const Status composed = animator.ComposeFrame(0);
    if (!composed)
        return composed.error();
    raster::TBitmap32 picture = animator.OpaqueFrame();
    if (picture.Empty())
        return MakeError("the GIF's logical screen is empty");
    if (const auto key = gif->TransparentColor(0))
        raster::MakeColorTransparent(picture, *key, backgroundColour);
    return picture;
}

// A still picture as the show keeps it: drawn over a transparent surface of its size, so that
// what its own alpha leaves open turns black once the picture is made opaque.
Result<raster::TBitmap32> DecodeStillItem(const std::string& itemFile, raster::SizeHint hint) {
    auto decoded = raster::DecodePictureFile(itemFile, hint);
    if (!decoded) {
        ReportOverBudget(itemFile, decoded.error());
        return decoded.error();
    }
    if (decoded->Empty())
        return MakeError("the picture is empty");
    // Drawing an opaque picture onto a cleared surface gives the picture itself, so a photograph
    // (the usual, and the largest, item) is kept as decoded instead of copied pixel by pixel.
    const auto pixels = decoded->Pixels();
    if (std::all_of(pixels.begin(), pixels.end(), [](raster::TColor32 p) { return (p >> 24) == 0xFF; })) {
        raster::TBitmap32 picture = std::move(decoded).value();
        picture.SetDrawMode(raster::DrawMode::Opaque);
        picture.SetMasterAlpha(255);
        picture.SetStretchFilter(raster::StretchFilter::Nearest);
        return picture;
    }
    auto surface = raster::TBitmap32::Create(decoded->Width(), decoded->Height());
    if (!surface)
        return surface;
    raster::DrawBitmap(*surface, 0, 0, *decoded, raster::DrawOptions{raster::DrawMode::Blend});
    return surface;
}

void DrawOverlays(const FrameContext& context, int index, raster::TBitmap32& target) {
    DrawLogo(context.logo, LogoPosition(context.header), target);
    DrawItemText(context.items, index, target);
}

} // namespace

raster::SizeHint DecodeHintFor(int mode, int width, int height) {
    // A reduced decode never goes below the hint's size, so a picture larger than the frame
    // stays larger and the shrinking modes take the same branch as with the full picture. The
    // budget holds in every mode: an unscaled picture beyond it would be mostly off the screen.
    const int64_t budget = raster::ScreenPictureBudget(width, height);
    if (mode == kStretchCentre || mode == kStretchRandom)
        return raster::SizeHint{0, 0, budget};
    return raster::SizeHint{width, height, budget};
}

Result<raster::TBitmap32> BackgroundFrame(const raster::TBitmap32& background, int width, int height) {
    auto frame = raster::TBitmap32::Create(width, height);
    if (!frame)
        return frame;
    raster::DrawBitmap(*frame, 0, 0, background, raster::DrawOptions{raster::DrawMode::Opaque});
    return frame;
}

Result<raster::TBitmap32> ComposeGifBackdrop(const FrameContext& context, int index) {
    auto backdrop = BackgroundFrame(context.background, context.width, context.height);
    if (!backdrop)
        return backdrop;
    backdrop->ResetAlpha();
    DrawOverlays(context, index, *backdrop);
    return backdrop;
}

Result<ComposedPicture> ComposePictureFrame(const FrameContext& context, int index, const std::string& itemFile) {
    if (index < 0 || std::size_t(index) >= context.items.size())
        return MakeError("item " + std::to_string(index) + " is not in the item table");
    const payload::TKelImageInfo& item = context.items[std::size_t(index)];
    const payload::ItemKind kind = payload::KindOfExtension(item.Ext);
    if (kind == payload::ItemKind::Video || kind == payload::ItemKind::Flash)
        return MakeError("item " + std::to_string(index) + " is not a picture");

    auto frame = BackgroundFrame(context.background, context.width, context.height);
    if (!frame)
        return frame.error();
    ComposedPicture result;
    result.frame = std::move(frame).value();
    result.isGif = kind == payload::ItemKind::Gif;

    const int mode = EffectiveStretch(item.Stretch, context.header.Stretch);
    auto picture = result.isGif
                       ? DecodeGifItem(itemFile, uint32_t(context.header.BackgroundColor),
                                       DecodeHintFor(mode, context.width, context.height), result.gif)
                       : DecodeStillItem(itemFile, DecodeHintFor(mode, context.width, context.height));
    if (!picture)
        return picture.error();
    result.picture = std::move(picture).value();

    // Mirror, flip, grey, in that order.
    raster::ApplyImageFilter(result.picture, uint32_t(item.ImageFilter));

    if (item.MaskIndex > -1) {
        auto mask = LoadMask(context.header, context.masks, item.MaskIndex, context.screensaverPath,
                             context.tempFolder);
        if (mask)
            result.mask = std::move(mask).value();
    }

    result.placement = PicturePlacement(mode, context.width, context.height, result.picture.Width(),
                                        result.picture.Height(), context.random);
    // A GIF keeps its see-through pixels; every other picture is drawn fully opaque.
    raster::StretchPictureOnto(result.picture, result.frame, result.placement,
                               result.mask ? &*result.mask : nullptr, !result.isGif);
    DrawOverlays(context, index, result.frame);
    return result;
}

} // namespace vorlandite::slideshow

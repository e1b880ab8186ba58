#include "slideshow/Background.h"

#include "payload/ExtractedFile.h"
#include "payload/TempFiles.h"
#include "raster/ColorConversion.h"
#include "raster/GradientFill.h"
#include "raster/PictureFitting.h"
#include "slideshow/SectionPicture.h"

namespace vorlandite::slideshow {

namespace {

void DrawRandomColours(payload::TKelFixedSizeInfo& header, IRandomSource& random) {
    header.BackgroundColor = int32_t(RandomColour(random));
    header.BackgroundColor2 = int32_t(RandomColour(random));
}

void PaintGradientAndPicture(const payload::TKelFixedSizeInfo& header, Background& background) {
    raster::TBitmap32& bitmap = background.bitmap;
    raster::GradientFill(bitmap, header.GradientStyle, uint32_t(header.BackgroundColor),
                         uint32_t(header.BackgroundColor2), bitmap.BoundsRect());
    if (background.picture)
        raster::DrawBackgroundPicture(bitmap, bitmap.Width(), bitmap.Height(), header.BackgroundPictureMode,
                                      *background.picture);
    // The background stands for a screen-depth bitmap: it has no transparency of its own, and a
    // frame copied from it must not let anything show through.
    bitmap.ResetAlpha();
}

} // namespace

uint32_t RandomColour(IRandomSource& random) {
    const uint32_t red = uint32_t(random.Random(256));
    const uint32_t green = uint32_t(random.Random(256));
    const uint32_t blue = uint32_t(random.Random(256));
    return red | green << 8 | blue << 16;
}

uint32_t PrepareBackgroundColours(payload::TKelFixedSizeInfo& header, IRandomSource& random) {
    if (header.RandomColors)
        DrawRandomColours(header, random);
    if (header.RandomGradient)
        header.GradientStyle = random.Random(8) + 1;
    return uint32_t(header.BackgroundColor);
}

Result<std::optional<raster::TBitmap32>> LoadBackgroundPicture(const payload::TKelFixedSizeInfo& header,
                                                               const BackgroundSources& sources) {
    if (header.BackgroundStoredSize == 0)
        return std::optional<raster::TBitmap32>{};
    // The background picture is always stored deflated. A file of the same name from an earlier
    // run never stands in for this show's picture: a failed extraction removes it.
    // Decoded at its own size: tiled and centred drawing show it unscaled.
    auto picture = LoadSectionPicture(
        sources.screensaverPath,
        payload::TempFilePath(sources.tempFolder, payload::kBackgroundFile, header.BackgroundExt),
        payload::DeflatedSection(header, payload::kBackgroundSection, header.BackgroundStoredSize,
                                 header.BackgroundSize));
    if (!picture)
        return picture.error();
    if (picture->Empty())
        return MakeError("the background picture is empty");
    return std::optional<raster::TBitmap32>(std::move(picture).value());
}

Result<Background> PaintBackground(const payload::TKelFixedSizeInfo& header, int width, int height,
                                    const BackgroundSources& sources) {
    auto bitmap = raster::TBitmap32::Create(width, height);
    if (!bitmap)
        return bitmap.error();
    Background background{std::move(bitmap).value(), std::nullopt};
    auto picture = LoadBackgroundPicture(header, sources);
    if (!picture)
        return picture.error();
    background.picture = std::move(picture).value();

    if (header.DesktopBackground) {
        // What a failed or smaller snapshot leaves uncovered shows the background colour
        // rather than see-through black.
        background.bitmap.Clear(raster::ToColor32(uint32_t(header.BackgroundColor)));
        if (sources.capture)
            raster::CaptureDesktop(background.bitmap, *sources.capture);
        if (background.picture)
            raster::DrawBackgroundPicture(background.bitmap, width, height, header.BackgroundPictureMode,
                                          *background.picture);
        background.bitmap.ResetAlpha();
    } else {
        PaintGradientAndPicture(header, background);
    }
    return background;
}

Result<Background> BuildBackground(payload::TKelFixedSizeInfo& header, int width, int height,
                                    IRandomSource& random, const BackgroundSources& sources,
                                    uint32_t& windowColour) {
    windowColour = PrepareBackgroundColours(header, random);
    return PaintBackground(header, width, height, sources);
}

bool RebuildBackground(payload::TKelFixedSizeInfo& header, IRandomSource& random,
                       Background& background) {
    if (!header.RepaintBackground || header.DesktopBackground)
        return false;
    if (header.RandomColors)
        DrawRandomColours(header, random);
    if (header.RandomGradient)
        header.GradientStyle = random.Random(8) + 1;
    PaintGradientAndPicture(header, background);
    return true;
}

} // namespace vorlandite::slideshow

#include "raster/PictureFitting.h"

#include "raster/BitmapBlend.h"
#include "raster/BitmapDraw.h"
#include "raster/RasterMath.h"

#include <algorithm>
#include <optional>

namespace vorlandite::raster {

namespace {

constexpr DrawOptions kBlendBilinear{DrawMode::Blend, 255, StretchFilter::Linear, false};

// A mask that could not be decoded arrives as an empty surface. Scaling it would leave the frame
// black and hide the picture entirely, so an empty mask counts as no mask.
const TBitmap32* UsableMask(const TBitmap32* mask) { return (mask && !mask->Empty()) ? mask : nullptr; }

// The layered drawing: the picture scaled onto a transparent frame-sized layer, the mask's blue
// channel as the layer's alpha, the layer blended over the target. False when a surface cannot
// be allocated.
bool DrawThroughLayer(const TBitmap32& source, TBitmap32& target, const Rect& r, const TBitmap32* mask,
                      bool sourceOpaque) {
    auto layer = TBitmap32::Create(target.Width(), target.Height());
    if (!layer)
        return false;
    std::optional<TBitmap32> maskFrame;
    if (mask) {
        auto created = TBitmap32::Create(target.Width(), target.Height());
        if (!created)
            return false;
        maskFrame = std::move(created).value();
        maskFrame->Clear(0xFF000000u);
        StretchBitmap(*maskFrame, r, *mask, mask->BoundsRect(), kBlendBilinear);
    }
    DrawOptions options = kBlendBilinear;
    options.sourceOpaque = sourceOpaque;
    StretchBitmap(*layer, r, source, source.BoundsRect(), options);
    if (maskFrame)
        ApplyMaskAlpha(*layer, &*maskFrame);
    // Outside r the layer is transparent (and the mask frame black), so only r can change.
    const Rect area = Intersect(Normalised(r), target.BoundsRect());
    if (area.IsEmpty())
        return true;
    for (int y = area.top; y < area.bottom; ++y)
        BlendRow(layer->Scanline(y).data() + area.left, target.Scanline(y).data() + area.left,
                 std::size_t(area.Width()));
    return true;
}

void DrawLayeredOrDirect(const TBitmap32& source, TBitmap32& target, const Rect& r, const TBitmap32* mask,
                            bool sourceOpaque) {
    if (DrawThroughLayer(source, target, r, mask, sourceOpaque))
        return;
    // Not enough memory for the layer: draw straight onto the target, without the mask.
    DrawOptions options = kBlendBilinear;
    options.sourceOpaque = sourceOpaque;
    StretchBitmap(target, r, source, source.BoundsRect(), options);
}

void DrawFitted(TBitmap32& canvas, int width, int height, const Rect& r, const TBitmap32& picture) {
    if (width <= 0 || height <= 0 || r.IsEmpty())
        return;
    // r lies inside width x height, so drawing straight onto the canvas changes exactly what
    // drawing onto a width x height copy and copying that back would.
    DrawLayeredOrDirect(picture, canvas, r, nullptr, true);
}

} // namespace

Rect FitRect(int areaWidth, int areaHeight, int width, int height) {
    if (areaWidth == 0 || areaHeight == 0 || width == 0 || height == 0)
        return {0, 0, areaWidth, areaHeight};
    int fittedWidth, fittedHeight;
    if (double(width) / height >= double(areaWidth) / areaHeight) {
        fittedWidth = areaWidth;
        fittedHeight = RoundHalfEven(double(int64_t(areaWidth) * height) / width);
    } else {
        fittedWidth = RoundHalfEven(double(int64_t(width) * areaHeight) / height);
        fittedHeight = areaHeight;
    }
    const int left = (areaWidth - fittedWidth) / 2;
    const int top = (areaHeight - fittedHeight) / 2;
    return {left, top, left + fittedWidth, top + fittedHeight};
}

void StretchPictureOnto(TBitmap32& source, TBitmap32& target, const Rect& r, const TBitmap32* mask, bool opaque) {
    if (opaque)
        source.ResetAlpha();
    DrawLayeredOrDirect(source, target, r, UsableMask(mask), false);
}

void ApplyMaskAlpha(TBitmap32& surface, const TBitmap32* mask) {
    mask = UsableMask(mask);
    if (!mask || surface.Empty())
        return;
    const TBitmap32* scaled = mask;
    std::optional<TBitmap32> resized;
    if (mask->Width() != surface.Width() || mask->Height() != surface.Height()) {
        auto created = TBitmap32::Create(surface.Width(), surface.Height());
        if (!created)
            return;
        resized = std::move(created).value();
        StretchBitmap(*resized, resized->BoundsRect(), *mask, mask->BoundsRect(),
                      DrawOptions{DrawMode::Opaque, 255, StretchFilter::Linear, false});
        scaled = &*resized;
    }
    for (int y = 0; y < surface.Height(); ++y) {
        TColor32* row = surface.Scanline(y).data();
        const TColor32* alpha = scaled->Scanline(y).data();
        for (int x = 0; x < surface.Width(); ++x)
            row[x] = (row[x] & 0x00FFFFFFu) | (alpha[x] & 0xFFu) << 24;
    }
}

void DrawBackgroundPicture(TBitmap32& canvas, int width, int height, int mode, const TBitmap32& picture) {
    const int pw = picture.Width();
    const int ph = picture.Height();
    const DrawOptions unscaled{DrawMode::Blend, 255, StretchFilter::Nearest, false};
    if (mode == int(BackgroundMode::Tiled)) {
        if (pw <= 0 || ph <= 0)
            return;
        // Tiles beyond the canvas would be clipped away entirely; stop at its edge.
        const int64_t rows = std::min(height, canvas.Height());
        const int64_t columns = std::min(width, canvas.Width());
        for (int64_t y = 0; y < rows; y += ph)
            for (int64_t x = 0; x < columns; x += pw)
                DrawBitmap(canvas, int(x), int(y), picture, unscaled);
        return;
    }
    if (mode != int(BackgroundMode::Fitted)) {
        const int x = (width - pw) / 2;
        const int y = (height - ph) / 2;
        if (x >= 0 && y >= 0) {
            DrawBitmap(canvas, x, y, picture, unscaled);
            return;
        }
    }
    DrawFitted(canvas, width, height, FitRect(width, height, pw, ph), picture);
}

} // namespace vorlandite::raster

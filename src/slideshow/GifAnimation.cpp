#include "slideshow/GifAnimation.h"

#include "raster/BitmapBlend.h"
#include "raster/BitmapDraw.h"
#include "raster/ColorConversion.h"
#include "raster/ImageFilters.h"
#include "raster/PictureFitting.h"
#include "raster/decoders/GifDecoder.h"
#include "raster/decoders/PictureDecoding.h"

#include <algorithm>
#include <utility>

namespace vorlandite::slideshow {

using raster::TBitmap32;
using raster::TColor32;
using raster::Rect;

namespace {

// The first frame comes in through a transition; the animation picks up at once after it.
constexpr int kFirstFrameIntervalMs = 1;

// How a canvas pixel looks in the picture that is scaled: uncovered pixels filled, grey, made
// opaque, in the order in which the whole picture has always been made (fill, filters, then the
// opaque GIF's alpha reset). Mirror and flip move pixels; each pixel's look is its own.
struct PictureLook {
    TColor32 uncovered = 0;
    bool grey = false;
    bool opaque = false;
    bool mirror = false;
    bool flip = false;

    TColor32 Of(TColor32 p) const {
        if ((p >> 24) == 0)
            p = uncovered;
        if (grey) {
            const uint32_t v = raster::GreyValue(p);
            p = (p & 0xFF000000u) | v << 16 | v << 8 | v;
        }
        return opaque ? p | 0xFF000000u : p;
    }
    // Whether the look moves or changes pixels beyond filling the uncovered ones.
    bool Filtered() const { return grey || mirror || flip; }
};

PictureLook LookOf(const raster::GifImage& image, const GifAnimationOptions& options, uint32_t imageFilter) {
    PictureLook look;
    look.opaque = !image.IsTransparent();
    // A GIF without transparency: its uncovered areas in the window colour (OpaqueFrame); with
    // transparency: see-through in the show's background colour.
    look.uncovered = look.opaque ? options.windowColor | 0xFF000000u
                                 : raster::ToColor32(options.backgroundColour) & 0x00FFFFFFu;
    look.mirror = (imageFilter & raster::kFilterMirror) != 0;
    look.flip = (imageFilter & raster::kFilterFlip) != 0;
    look.grey = (imageFilter & raster::kFilterGrey) != 0;
    return look;
}

int64_t FloorDiv(int64_t n, int64_t d) { return n / d - ((n % d != 0) && ((n < 0) != (d < 0))); }

// The destination offsets [first, last) of a stretch of sourceSize onto destinationSize pixels
// (one axis) whose samples may read source pixels [low, high). A bilinear sample at u reads the
// pixels floor(u - 0.5) and the next; a nearest one floor(u). The bounds are widened by a pixel
// on each side, which covers both and the rounding of the sample positions.
std::pair<int64_t, int64_t> Footprint(int64_t low, int64_t high, int64_t sourceSize, int64_t destinationSize) {
    const int64_t first = FloorDiv((low - 1) * destinationSize, sourceSize) - 1;
    const int64_t last = -FloorDiv(-(high + 1) * destinationSize, sourceSize) + 1;
    return {std::clamp<int64_t>(first, 0, destinationSize), std::clamp<int64_t>(last, 0, destinationSize)};
}

// The mask as StretchPictureOnto takes it: an empty one (it could not be decoded) is none.
const TBitmap32* UsableMask(const TBitmap32* mask) { return mask && !mask->Empty() ? mask : nullptr; }

constexpr raster::DrawOptions kBlendBilinear{raster::DrawMode::Blend, 255, raster::StretchFilter::Linear, false};

} // namespace

int EffectiveFrameDelayMs(int storedDelayMs) { return storedDelayMs > 0 ? storedDelayMs : kZeroDelayFrameMs; }

GifAnimation::GifAnimation(ITimer& timer, GifAnimationOptions options) : timer_(timer), options_(options) {
    timer_.Stop();
    timer_.SetOnTimeout([this] { GifTimerTimer(); });
}

GifAnimation::~GifAnimation() {
    timer_.Stop();
    timer_.SetOnTimeout({});
}

Status GifAnimation::LoadGif(const std::filesystem::path& file) {
    StopGif();
    return Install(raster::DecodeGifFile(file));
}

Status GifAnimation::LoadGif(std::span<const uint8_t> bytes) {
    StopGif();
    return Install(raster::DecodeGif(bytes));
}

Status GifAnimation::LoadGif(std::shared_ptr<const raster::GifImage> image) {
    StopGif();
    return Install(std::move(image));
}

Status GifAnimation::Install(Result<raster::GifImage> decoded) {
    if (!decoded)
        return decoded.error();
    return Install(std::make_shared<const raster::GifImage>(std::move(decoded).value()));
}

Status GifAnimation::Install(std::shared_ptr<const raster::GifImage> image) {
    if (!image)
        return MakeError("GIF: nothing decoded");
    if (image->width <= 0 || image->height <= 0)
        return MakeError("GIF: empty logical screen");
    image_ = std::move(image);
    animator_ = std::make_unique<raster::GifAnimator>(image_);
    frameIndex_ = 0;
    drawnFrame_ = -1;
    return Status::Ok();
}

void GifAnimation::AnimateGif() {
    if (!image_ || image_->frames.size() < 2)
        return;
    if (ended_) {  // asked again after a GIF that does not loop ended: play it once more
        ended_ = false;
        completedPlays_ = 0;
        frameIndex_ = 0;
    }
    timer_.Start(kFirstFrameIntervalMs);
}

void GifAnimation::StopGif() {
    timer_.Stop();
    animator_.reset();
    image_.reset();
    frameIndex_ = 0;
    completedPlays_ = 0;
    ended_ = false;
    picture_ = TBitmap32();
    board_ = TBitmap32();
    drawnFrame_ = -1;
}

GifState GifAnimation::State() const {
    if (!image_)
        return GifState::Idle;
    if (ended_)
        return GifState::Ended;
    return timer_.IsActive() ? GifState::Animating : GifState::Loaded;
}

void GifAnimation::GifTimerTimer() {
    timer_.Stop();
    if (!animator_ || animator_->FrameCount() == 0)
        return;
    const int count = animator_->FrameCount();
    // The index is settable from outside; one out of range restarts the animation.
    const int index = frameIndex_ >= 0 && frameIndex_ < count ? frameIndex_ : 0;

    // A frame that cannot be drawn is skipped; the animation goes on with the next one.
    const raster::GifAnimator* playing = animator_.get();
    Rect changed{};
    if (DrawFrame(index, changed) && frameShown_)
        frameShown_(index, changed);
    if (animator_.get() != playing)
        return;  // the handler stopped this GIF or loaded another one

    frameIndex_ = NextFrameIndex(index);
    if (frameIndex_ == count) {
        ended_ = true;  // a GIF that does not loop (any more) stays on its last frame
        return;
    }
    timer_.Start(EffectiveFrameDelayMs(image_->frames[std::size_t(index)].delayMs));
}

int GifAnimation::NextFrameIndex(int index) {
    const int count = animator_->FrameCount();
    if (index + 1 < count || !image_->loops)
        return index + 1;
    if (options_.looping == GifLooping::RepeatCount && image_->loopCount > 0) {
        ++completedPlays_;
        if (completedPlays_ > image_->loopCount)
            return count;
    }
    return 0;
}

Result<TBitmap32> GifAnimation::ComposeFramePicture(int index) {
    if (!animator_)
        return MakeError("GIF: nothing loaded");
    if (Status composed = animator_->ComposeFrame(index); !composed)
        return composed.error();
    if (!image_->IsTransparent())
        return animator_->OpaqueFrame(options_.windowColor);
    // The exact coverage rather than a colour key: a key colour would also punch holes into
    // visible pixels of that colour, and a frame without a key of its own would have none.
    TBitmap32 picture = animator_->Canvas();
    const TColor32 under = raster::ToColor32(options_.backgroundColour) & 0x00FFFFFFu;
    for (TColor32& p : picture.Pixels())
        if ((p >> 24) == 0)
            p = under;
    return picture;
}

bool GifAnimation::DrawFrame(int index, Rect& changed) {
    if (!stage_.backdrop || stage_.backdrop->Empty() || !stage_.target || stage_.target->Empty())
        return false;
    // The change is known only from the frame that picture_ and board_ show; the animator may
    // also have been moved on from outside (ComposeFramePicture).
    // Without a filter the canvas is the picture: the composition fills what no frame covers
    // (changing the fill composes afresh).
    const PictureLook look = LookOf(*image_, options_, stage_.imageFilter);
    animator_->SetUncoveredColor(look.Filtered() ? 0u : look.uncovered);
    if (!look.Filtered())
        picture_ = TBitmap32();
    const bool fromDrawn = drawnFrame_ >= 0 && animator_->CurrentFrame() == drawnFrame_;
    drawnFrame_ = -1;
    if (Status composed = animator_->ComposeFrame(index); !composed)
        return false;
    if (!fromDrawn || !DrawChange(animator_->ChangedRects(), changed)) {
        if (!DrawWhole(changed))
            return false;
    }
    drawnFrame_ = animator_->CurrentFrame();
    return true;
}

const TBitmap32& GifAnimation::Picture() const {
    return LookOf(*image_, options_, stage_.imageFilter).Filtered() ? picture_ : animator_->Canvas();
}

void GifAnimation::UpdatePicture(const Rect& canvasRect) {
    const PictureLook look = LookOf(*image_, options_, stage_.imageFilter);
    if (!look.Filtered())
        return;  // the canvas is the picture
    const TBitmap32& canvas = animator_->Canvas();
    const Rect r = Intersect(canvasRect, canvas.BoundsRect());
    if (r.IsEmpty())
        return;
    const int w = canvas.Width();
    const int h = canvas.Height();
    for (int y = r.top; y < r.bottom; ++y) {
        const TColor32* source = canvas.Scanline(y).data();
        TColor32* out = picture_.Scanline(look.flip ? h - 1 - y : y).data();
        if (look.mirror) {
            for (int x = r.left; x < r.right; ++x)
                out[w - 1 - x] = look.Of(source[x]);
        } else {
            for (int x = r.left; x < r.right; ++x)
                out[x] = look.Of(source[x]);
        }
    }
}

bool GifAnimation::DrawWhole(Rect& changed) {
    const TBitmap32& canvas = animator_->Canvas();
    if (LookOf(*image_, options_, stage_.imageFilter).Filtered() &&
        (picture_.Width() != canvas.Width() || picture_.Height() != canvas.Height())) {
        if (!picture_.SetSize(canvas.Width(), canvas.Height()))
            return false;
    }
    UpdatePicture(canvas.BoundsRect());

    // A fresh copy of the backdrop: nothing of the previous frame remains but what the GIF's
    // own composition keeps. Drawing into the kept surface keeps its memory.
    if (board_.Width() != stage_.backdrop->Width() || board_.Height() != stage_.backdrop->Height()) {
        if (!board_.SetSize(stage_.backdrop->Width(), stage_.backdrop->Height()))
            return false;
    }
    std::ranges::copy(stage_.backdrop->Pixels(), board_.Pixels().begin());
    // The picture's look has made it opaque already where the GIF is; drawn as it is, the
    // source is not changed (it may be the animator's canvas).
    raster::StretchPictureOnto(const_cast<TBitmap32&>(Picture()), board_, stage_.placement, stage_.mask, false);

    board_.SetDrawMode(raster::DrawMode::Opaque);
    board_.DrawTo(*stage_.target, 0, 0);
    changed = Intersect(board_.BoundsRect(), stage_.target->BoundsRect());
    return true;
}

bool GifAnimation::DrawChange(std::span<const Rect> canvasChanges, Rect& changed) {
    const TBitmap32& canvas = animator_->Canvas();
    const TBitmap32& picture = Picture();
    const Rect& placement = stage_.placement;
    if (picture.Width() != canvas.Width() || picture.Height() != canvas.Height() ||
        board_.Width() != stage_.backdrop->Width() || board_.Height() != stage_.backdrop->Height() ||
        placement.IsEmpty())
        return false;

    // Each change in the picture, and the part of the placement whose scaled pixels read it.
    const PictureLook look = LookOf(*image_, options_, stage_.imageFilter);
    std::vector<Rect> areas;
    Rect all{};
    for (const Rect& canvasChange : canvasChanges) {
        const Rect change = Intersect(canvasChange, canvas.BoundsRect());
        if (change.IsEmpty())
            continue;
        UpdatePicture(change);
        Rect moved = change;
        if (look.mirror)
            moved.left = canvas.Width() - change.right, moved.right = canvas.Width() - change.left;
        if (look.flip)
            moved.top = canvas.Height() - change.bottom, moved.bottom = canvas.Height() - change.top;
        const auto [left, right] = Footprint(moved.left, moved.right, picture.Width(), placement.Width());
        const auto [top, bottom] = Footprint(moved.top, moved.bottom, picture.Height(), placement.Height());
        const Rect area = Intersect(Rect{int(placement.left + left), int(placement.top + top),
                                         int(placement.left + right), int(placement.top + bottom)},
                                     board_.BoundsRect());
        if (area.IsEmpty())
            continue;
        areas.push_back(area);
        all = all.IsEmpty() ? area
                            : Rect{std::min(all.left, area.left), std::min(all.top, area.top),
                                   std::max(all.right, area.right), std::max(all.bottom, area.bottom)};
    }
    // A few scattered changes are redrawn one by one; many at once (a loop starting over) as the
    // one rectangle holding them, which costs at most the placement.
    constexpr std::size_t kSeparateAreas = 8;
    if (areas.size() > kSeparateAreas)
        areas.assign(1, all);
    for (const Rect& area : areas)
        if (!Redraw(area))
            return false;
    changed = Intersect(all, stage_.target->BoundsRect());
    for (int y = changed.top; y < changed.bottom; ++y)
        std::copy_n(board_.Scanline(y).data() + changed.left, std::size_t(changed.Width()),
                    stage_.target->Scanline(y).data() + changed.left);
    return true;
}

bool GifAnimation::Redraw(const Rect& area) {
    // The same drawing as StretchPictureOnto's through a layer, on a layer of just this part:
    // the placement moved with it, so every pixel samples where it does on the whole frame.
    const Rect& placement = stage_.placement;
    auto layer = TBitmap32::Create(area.Width(), area.Height());
    if (!layer)
        return false;
    const Rect shifted{placement.left - area.left, placement.top - area.top, placement.right - area.left,
                       placement.bottom - area.top};
    const TBitmap32& picture = Picture();
    raster::StretchBitmap(*layer, shifted, picture, picture.BoundsRect(), kBlendBilinear);
    if (const TBitmap32* mask = UsableMask(stage_.mask)) {
        auto maskPart = TBitmap32::Create(area.Width(), area.Height());
        if (!maskPart)
            return false;
        maskPart->Clear(0xFF000000u);
        raster::StretchBitmap(*maskPart, shifted, *mask, mask->BoundsRect(), kBlendBilinear);
        raster::ApplyMaskAlpha(*layer, &*maskPart);
    }
    const std::size_t width = std::size_t(area.Width());
    for (int y = area.top; y < area.bottom; ++y) {
        TColor32* row = board_.Scanline(y).data() + area.left;
        std::copy_n(stage_.backdrop->Scanline(y).data() + area.left, width, row);
        raster::BlendRow(layer->Scanline(y - area.top).data(), row, width);
    }
    return true;
}

} // namespace vorlandite::slideshow

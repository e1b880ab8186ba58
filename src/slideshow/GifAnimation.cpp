#include "slideshow/GifAnimation.h"

#include "raster/ColorConversion.h"
#include "raster/ImageFilters.h"
#include "raster/PictureFitting.h"
#include "raster/decoders/GifDecoder.h"
#include "raster/decoders/PictureDecoding.h"

#include <algorithm>

namespace vorlandite::slideshow {

using raster::TBitmap32;
using raster::TColor32;
using raster::TRect;

namespace {

// The first frame comes in through a transition; the animation picks up at once after it.
constexpr int kFirstFrameIntervalMs = 1;

} // namespace

int EffectiveFrameDelayMs(int storedDelayMs) { return storedDelayMs > 0 ? storedDelayMs : kZeroDelayFrameMs; }

TGifAnimation::TGifAnimation(ITimer& timer, TGifAnimationOptions options) : timer_(timer), options_(options) {
    timer_.Stop();
    timer_.SetOnTimeout([this] { GifTimerTimer(); });
}

TGifAnimation::~TGifAnimation() {
    timer_.Stop();
    timer_.SetOnTimeout({});
}

Status TGifAnimation::LoadGif(const std::filesystem::path& file) {
    StopGif();
    return Install(raster::DecodeGifFile(file));
}

Status TGifAnimation::LoadGif(std::span<const uint8_t> bytes) {
    StopGif();
    return Install(raster::DecodeGif(bytes));
}

Status TGifAnimation::LoadGif(std::shared_ptr<const raster::GifImage> image) {
    StopGif();
    return Install(std::move(image));
}

Status TGifAnimation::Install(Result<raster::GifImage> decoded) {
    if (!decoded)
        return decoded.error();
    return Install(std::make_shared<const raster::GifImage>(std::move(decoded).value()));
}

Status TGifAnimation::Install(std::shared_ptr<const raster::GifImage> image) {
    if (!image)
        return MakeError("GIF: nothing decoded");
    if (image->width <= 0 || image->height <= 0)
        return MakeError("GIF: empty logical screen");
    image_ = std::move(image);
    animator_ = std::make_unique<raster::GifAnimator>(image_);
    frameIndex_ = 0;
    return Status::Ok();
}

void TGifAnimation::AnimateGif() {
    if (!image_ || image_->frames.size() < 2)
        return;
    if (ended_) {  // asked again after a GIF that does not loop ended: play it once more
        ended_ = false;
        completedPlays_ = 0;
        frameIndex_ = 0;
    }
    timer_.Start(kFirstFrameIntervalMs);
}

void TGifAnimation::StopGif() {
    timer_.Stop();
    animator_.reset();
    image_.reset();
    frameIndex_ = 0;
    completedPlays_ = 0;
    ended_ = false;
    picture_ = TBitmap32();
    board_ = TBitmap32();
}

TGifState TGifAnimation::State() const {
    if (!image_)
        return TGifState::Idle;
    if (ended_)
        return TGifState::Ended;
    return timer_.IsActive() ? TGifState::Animating : TGifState::Loaded;
}

void TGifAnimation::GifTimerTimer() {
    timer_.Stop();
    if (!animator_ || animator_->FrameCount() == 0)
        return;
    const int count = animator_->FrameCount();
    // The index is settable from outside; one out of range restarts the animation.
    const int index = frameIndex_ >= 0 && frameIndex_ < count ? frameIndex_ : 0;

    // A frame that cannot be drawn is skipped; the animation goes on with the next one.
    const raster::GifAnimator* playing = animator_.get();
    if (DrawFrame(index) && frameShown_)
        frameShown_(index, Intersect(board_.BoundsRect(), stage_.target->BoundsRect()));
    if (animator_.get() != playing)
        return;  // the handler stopped this GIF or loaded another one

    frameIndex_ = NextFrameIndex(index);
    if (frameIndex_ == count) {
        ended_ = true;  // a GIF that does not loop (any more) stays on its last frame
        return;
    }
    timer_.Start(EffectiveFrameDelayMs(image_->frames[std::size_t(index)].delayMs));
}

int TGifAnimation::NextFrameIndex(int index) {
    const int count = animator_->FrameCount();
    if (index + 1 < count || !image_->loops)
        return index + 1;
    if (options_.looping == TGifLooping::RepeatCount && image_->loopCount > 0) {
        ++completedPlays_;
        if (completedPlays_ > image_->loopCount)
            return count;
    }
    return 0;
}

Result<TBitmap32> TGifAnimation::ComposeFramePicture(int index) {
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

bool TGifAnimation::DrawFrame(int index) {
    if (!stage_.backdrop || stage_.backdrop->Empty() || !stage_.target || stage_.target->Empty())
        return false;
    Result<TBitmap32> picture = ComposeFramePicture(index);
    if (!picture)
        return false;
    picture_ = std::move(picture).value();
    raster::ApplyImageFilter(picture_, stage_.imageFilter);

    // A fresh copy of the backdrop for every frame: nothing of the previous frame remains but
    // what the GIF's own composition keeps. Drawing into the reused surface keeps its memory.
    if (board_.Width() != stage_.backdrop->Width() || board_.Height() != stage_.backdrop->Height()) {
        if (!board_.SetSize(stage_.backdrop->Width(), stage_.backdrop->Height()))
            return false;
    }
    std::ranges::copy(stage_.backdrop->Pixels(), board_.Pixels().begin());
    raster::StretchPictureOnto(picture_, board_, stage_.placement, stage_.mask, !image_->IsTransparent());

    board_.SetDrawMode(raster::TDrawMode::Opaque);
    board_.DrawTo(*stage_.target, 0, 0);
    return true;
}

} // namespace vorlandite::slideshow

// Picture and GIF items: composed into a frame of their own and brought in on one monitor, at
// once or through a transition; a GIF then moves on its stage.

#include "slideshow/controller/SlideshowController.h"

#include "audio/EnterSound.h"
#include "transitions/EffectSettings.h"

namespace vorlandite::slideshow {

Status TSlideshowController::LoadPicture(int index, int mode, bool desktopStart, payload::TExtractedFile itemFile,
                                         raster::TBitmap32& frame) {
    const auto& header = content_.Payload.Header;
    const payload::TKelImageInfo& item = content_.Payload.Images[std::size_t(index)];
    const payload::ItemKind kind = payload::KindOfExtension(item.Ext);
    TItemShownEvent shown;
    shown.index = index;
    shown.kind = kind;
    shown.placementMode = mode;
    IShowSurface* target = &env_.Display;
    if (desktopStart) {
        // This call only puts the desktop on screen; the next one loads the item itself.
        shown.mode = TShowMode::Desktop;
    } else {
        decodedPicture_ = raster::TBitmap32();
        itemMask_.reset();
        // Nothing of a broken item is kept, not even its file in the temporary folder.
        auto composed = ComposePictureFrame(FrameContext(), index, itemFile.Path());
        if (!composed)
            return MakeError(composed.message());
        frame = std::move(composed->Frame);
        decodedPicture_ = std::move(composed->Picture);
        itemMask_ = std::move(composed->Mask);
        placementRect_ = composed->Placement;
        currentPictureIndex_ = index;
        currentItemIndex_ = index;
        target = &ChooseTarget();
        gifSurface_ = target;
        if (composed->IsGif && gif_ && composed->Gif) {
            if (gif_->LoadGif(composed->Gif)) {
                gif_->SetStage(TGifStage{&gifBackdrop_, placementRect_, &target->PictureBitmap(),
                                         uint32_t(item.ImageFilter), itemMask_ ? &*itemMask_ : nullptr});
            }
        }
        shown.rect = placementRect_;
        shown.monitor = target == &env_.Display ? 0 : 1;
    }

    if (env_.EnterSound &&
        audio::ShouldPlayEnterSound(payload::KindOfExtension(item.Ext), item.EnterSoundIndex, header.Mute, false))
        (void)env_.EnterSound->LoadEnterSound(item.EnterSoundIndex);

    if (showWithoutTransition_ || desktopStart) {
        // Every monitor shows the frame at once, whichever of them the item went to.
        env_.Display.ShowFrameNow(frame);
        if (IShowSurface* second = env_.Display.SecondMonitor()) {
            second->ShowFrameNow(frame);
            second->PictureBitmap() = frame;
        }
        if (shown.mode != TShowMode::Desktop)
            shown.mode = TShowMode::AtOnce;
        if (env_.Events)
            env_.Events->ItemShown(shown);
        if (gif_)
            gif_->AnimateGif();
    } else {
        const bool ownEffects = item.ItemEffectSpeed != -1;
        const std::string& effectSet = ownEffects ? item.Effect : content_.Payload.Strings.EffectList;
        const int speed = ownEffects ? item.ItemEffectSpeed : header.EffectSpeed;
        shown.effect = transitions::RandomEffect(effectSet, env_.Random);
        shown.steps = transitions::StepsForSpeed(env_.Display.Width(), speed);
        transitionItem_ = index;
        transitions::TTransThread* thread = env_.Engine.StartTransition(target->Presenter(), frame, shown.effect,
                                                                        shown.steps, kShowFramePeriodMs);
        shown.mode = thread ? TShowMode::Transition : TShowMode::AtOnce;
        if (env_.Events)
            env_.Events->ItemShown(shown);
        if (thread) {
            thread->SetCompletionHandler([this, alive = alive_] {
                if (*alive)
                    RestartTimer();
            });
        } else if (gif_) {
            gif_->AnimateGif();
        }
    }
    // The target's bitmap holds the new frame from now on, so that a repaint during or after the
    // transition does not bring the old picture back. It takes the frame only once the frame has
    // been handed over (the transition keeps its own copy): nothing on this thread repaints in
    // between, and the frame need not be copied once more.
    if (!desktopStart)
        target->PictureBitmap() = std::move(frame);
    // The picture is decoded: its file goes.
    itemFile.Reset();
    showWithoutTransition_ = false;
    return {};
}

IShowSurface& TSlideshowController::ChooseTarget() {
    IShowSurface* second = env_.Display.SecondMonitor();
    usePrimaryMonitor_ = second ? !usePrimaryMonitor_ : true;
    return usePrimaryMonitor_ ? static_cast<IShowSurface&>(env_.Display) : *second;
}

}  // namespace vorlandite::slideshow

// Picture and GIF items: composed into a frame of their own and brought in on one monitor, at
// once or through a transition; a GIF then moves on its stage.

#include "slideshow/controller/SlideshowController.h"

#include "audio/EnterSound.h"
#include "transitions/EffectSettings.h"

namespace vorlandite::slideshow {

Status SlideshowController::LoadPicture(int index, int mode, bool desktopStart, payload::ExtractedFile itemFile,
                                        raster::TBitmap32& frame) {
    const auto& header = content_.payload.header;
    const payload::TKelImageInfo& item = content_.payload.images[std::size_t(index)];
    const payload::ItemKind kind = payload::KindOfExtension(item.Ext);
    ItemShownEvent shown;
    shown.index = index;
    shown.kind = kind;
    shown.placementMode = mode;
    IShowSurface* target = &env_.display;
    if (desktopStart) {
        // This call only puts the desktop on screen; the next one loads the item itself.
        shown.mode = ShowMode::Desktop;
    } else {
        decodedPicture_ = raster::TBitmap32();
        itemMask_.reset();
        // Nothing of a broken item is kept, not even its file in the temporary folder.
        auto composed = ComposePictureFrame(CurrentFrameContext(), index, itemFile.Path());
        if (!composed)
            return MakeError(composed.message());
        frame = std::move(composed->frame);
        decodedPicture_ = std::move(composed->picture);
        itemMask_ = std::move(composed->mask);
        placementRect_ = composed->placement;
        currentPictureIndex_ = index;
        currentItemIndex_ = index;
        target = &ChooseTarget();
        gifSurface_ = target;
        if (composed->isGif && gif_ && composed->gif) {
            if (gif_->LoadGif(composed->gif)) {
                gif_->SetStage(GifStage{&gifBackdrop_, placementRect_, &target->PictureBitmap(),
                                        uint32_t(item.ImageFilter), itemMask_ ? &*itemMask_ : nullptr});
            }
        }
        shown.rect = placementRect_;
        shown.monitor = target == &env_.display ? 0 : 1;
    }

    if (env_.enterSound &&
        audio::ShouldPlayEnterSound(payload::KindOfExtension(item.Ext), item.EnterSoundIndex, header.Mute, false))
        (void)env_.enterSound->LoadEnterSound(item.EnterSoundIndex);

    if (showWithoutTransition_ || desktopStart) {
        // Every monitor shows the frame at once, whichever of them the item went to.
        env_.display.ShowFrameNow(frame);
        if (IShowSurface* second = env_.display.SecondMonitor()) {
            second->ShowFrameNow(frame);
            second->PictureBitmap() = frame;
        }
        if (shown.mode != ShowMode::Desktop)
            shown.mode = ShowMode::AtOnce;
        if (env_.events)
            env_.events->ItemShown(shown);
        if (gif_)
            gif_->AnimateGif();
    } else {
        const bool ownEffects = item.ItemEffectSpeed != -1;
        const std::string& effectSet = ownEffects ? item.Effect : content_.payload.strings.EffectList;
        const int speed = ownEffects ? item.ItemEffectSpeed : header.EffectSpeed;
        shown.effect = transitions::RandomEffect(effectSet, env_.random);
        shown.steps = transitions::StepsForSpeed(env_.display.Width(), speed);
        transitionItem_ = index;
        transitions::TTransThread* thread = env_.engine.StartTransition(target->Presenter(), frame, shown.effect,
                                                                        shown.steps, kShowFramePeriodMs);
        shown.mode = thread ? ShowMode::Transition : ShowMode::AtOnce;
        if (env_.events)
            env_.events->ItemShown(shown);
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

IShowSurface& SlideshowController::ChooseTarget() {
    IShowSurface* second = env_.display.SecondMonitor();
    usePrimaryMonitor_ = second ? !usePrimaryMonitor_ : true;
    return usePrimaryMonitor_ ? static_cast<IShowSurface&>(env_.display) : *second;
}

}  // namespace vorlandite::slideshow

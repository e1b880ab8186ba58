// What video and Flash items share: the backdrop around the display panel and the item's
// arrival on it.

#include "slideshow/controller/SlideshowController.h"

#include "slideshow/LogoOverlay.h"

namespace vorlandite::slideshow {

Status TSlideshowController::ShowPanelBackdrop(raster::TBitmap32& frame) {
    // The background (or the desktop the show starts on) with the logo and no caption goes on
    // every monitor at once, without a transition; the movie then plays over it.
    if (frame.Empty()) {
        auto made = BackgroundFrame(background_->Bitmap, env_.Display.Width(), env_.Display.Height());
        if (!made)
            return MakeError(made.message());
        frame = std::move(made).value();
    }
    DrawLogo(content_.Logo, LogoPosition(content_.Payload.Header), frame);
    if (IShowSurface* second = env_.Display.SecondMonitor()) {
        second->PictureBitmap() = frame;
        second->ShowFrameNow(frame);
    }
    env_.Display.PictureBitmap() = frame;
    env_.Display.ShowFrameNow(frame);
    return {};
}

void TSlideshowController::RepaintScreens() {
    env_.Display.Repaint(raster::TRect{0, 0, env_.Display.Width(), env_.Display.Height()});
    if (IShowSurface* second = env_.Display.SecondMonitor())
        second->Repaint(raster::TRect{0, 0, second->Width(), second->Height()});
}

void TSlideshowController::PanelItemShown(int index, payload::ItemKind kind, int mode, const raster::TRect& panel) {
    currentPictureIndex_ = -1;  // no still picture on screen: F2 has nothing to take
    currentItemIndex_ = index;
    desktopStart_ = false;
    if (env_.Events) {
        TItemShownEvent shown;
        shown.index = index;
        shown.kind = kind;
        shown.mode = TShowMode::AtOnce;
        shown.placementMode = mode;
        shown.rect = panel;
        env_.Events->ItemShown(shown);
    }
}

}  // namespace vorlandite::slideshow

// What video and Flash items share: the backdrop around the display panel and the item's
// arrival on it.

#include "slideshow/controller/SlideshowController.h"

#include "slideshow/LogoOverlay.h"

namespace vorlandite::slideshow {

Status SlideshowController::ShowPanelBackdrop(raster::TBitmap32& frame) {
    // The background (or the desktop the show starts on) with the logo and no caption goes on
    // every monitor at once, without a transition; the movie then plays over it.
    if (frame.Empty()) {
        auto made = BackgroundFrame(background_->bitmap, env_.display.Width(), env_.display.Height());
        if (!made)
            return MakeError(made.message());
        frame = std::move(made).value();
    }
    DrawLogo(content_.logo, LogoPosition(content_.payload.header), frame);
    if (IShowSurface* second = env_.display.SecondMonitor()) {
        second->PictureBitmap() = frame;
        second->ShowFrameNow(frame);
    }
    env_.display.PictureBitmap() = frame;
    env_.display.ShowFrameNow(frame);
    return {};
}

void SlideshowController::RepaintScreens() {
    env_.display.Repaint(raster::Rect{0, 0, env_.display.Width(), env_.display.Height()});
    if (IShowSurface* second = env_.display.SecondMonitor())
        second->Repaint(raster::Rect{0, 0, second->Width(), second->Height()});
}

void SlideshowController::PanelItemShown(int index, payload::ItemKind kind, int mode, const raster::Rect& panel) {
    currentPictureIndex_ = -1;  // no still picture on screen: F2 has nothing to take
    currentItemIndex_ = index;
    desktopStart_ = false;
    if (env_.events) {
        ItemShownEvent shown;
        shown.index = index;
        shown.kind = kind;
        shown.mode = ShowMode::AtOnce;
        shown.placementMode = mode;
        shown.rect = panel;
        env_.events->ItemShown(shown);
    }
}

}  // namespace vorlandite::slideshow

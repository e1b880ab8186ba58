// Flash items: the movie plays in the runtime's control on the display panel over the backdrop;
// a poll notices when it has stopped.

#include "slideshow/controller/SlideshowController.h"

#include "formats/swf/SwfMovie.h"
#include "slideshow/DisplayPanelPlacement.h"

namespace vorlandite::slideshow {

// A payload that carries a Flash control wants one ready before anything is shown. When it cannot
// be made, the runtime is registered and one more try made; after a second failure the runtime
// is not usable, and the show runs without Flash items.
void TSlideshowController::MakeStartupFlashControl() {
    if (content_.Payload.Header.FlashPlayerSize <= 0 || !env_.Flash)
        return;
    auto control = env_.Flash->CreateFlashControl();
    if (!control && env_.RegisterFlash && env_.RegisterFlash())
        control = env_.Flash->CreateFlashControl();
    if (control) {
        flashControl_ = std::move(control).value();
        flashControl_->SetBounds(0, 0, env_.Display.Width(), env_.Display.Height());
        flashControl_->SetVisible(false);
    } else {
        flashAvailable_ = false;
    }
}

Status TSlideshowController::LoadFlash(int index, int mode, payload::TExtractedFile itemFile,
                                       raster::TBitmap32& frame) {
    auto& header = content_.Payload.Header;
    if (Status shown = ShowPanelBackdrop(frame); !shown)
        return shown;

    if (flashControl_) {
        flashControl_->Stop();
        flashControl_.reset();
    }
    flashFile_.Reset();  // its movie went with the control
    // On every failure below the new file goes with itemFile.
    auto created = env_.Flash->CreateFlashControl();
    if (!created)
        return MakeError(created.message());
    flashControl_ = std::move(created).value();
    flashControl_->SetBounds(0, 0, env_.Display.Width(), env_.Display.Height());
    flashControl_->SetVisible(true);
    flashControl_->SetMovie(itemFile.Path());
    // Loading a movie runs events; the show may have been closed meanwhile (and its control
    // dropped with it).
    if (closed_ || !flashControl_)
        return MakeError("the show closed while the movie was loading");
    flashControl_->SetInputEnabled(!header.ExitMouseMove);

    auto rect = swf::ReadMovieRect(flashControl_->Movie());
    if (!rect) {
        // A movie that cannot be placed is not shown; left loaded, it would play on unseen (and
        // be heard) until the next Flash item, since nothing else stops it.
        flashControl_->Stop();
        flashControl_->SetVisible(false);
        flashControl_->SetMovie(platform::kNoMovie);
        return MakeError(rect.message());
    }
    const int width = swf::MovieWidth(*rect);
    const int height = swf::MovieHeight(*rect);
    const raster::TRect panel =
        DisplayPanelRect(mode, raster::TRect{0, 0, width, height}, env_.Display.Width(), env_.Display.Height(),
                         env_.Random);
    env_.Display.PlaceVideoPanel(panel);
    flashControl_->SetBounds(0, 0, panel.Right - panel.Left, panel.Bottom - panel.Top);
    env_.Display.ShowVideoPanel(true);
    flashShown_ = true;

    payload::TKelImageInfo& item = content_.Payload.Images[std::size_t(index)];
    if (item.Duration != -2 && env_.FlashTimer)
        env_.FlashTimer->Start(kFlashPollMs);
    if (item.Duration < 0)
        item.Duration = kFlashDurationSeconds;

    // The control reads the movie's file while the movie is loaded: kept until it is unloaded.
    flashFile_ = std::move(itemFile);
    PanelItemShown(index, payload::ItemKind::Flash, mode, panel);
    flashControl_->Play();
    return {};
}

void TSlideshowController::FlashTimerTimer() {
    if (closed_ || !flashShown_ || !flashControl_ || flashControl_->IsPlaying())
        return;
    // The next item comes at once; while the password is asked the show stands still, and
    // Resume brings it.
    slideIntervalMs_ = 1;
    if (!suspended_)
        EnableSlideTimer();
    RepaintScreens();
}

void TSlideshowController::CloseAndStopFlash() {
    if (flashControl_) {
        flashControl_->Stop();
        flashControl_->SetPlaying(false);
        flashControl_->SetVisible(false);
        env_.Display.ShowVideoPanel(false);
        flashControl_->SetMovie(platform::kNoMovie);
    }
    flashFile_.Reset();
    flashShown_ = false;
    if (env_.FlashTimer)
        env_.FlashTimer->Stop();
}

}  // namespace vorlandite::slideshow

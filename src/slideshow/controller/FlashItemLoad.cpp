// Flash items: the movie plays in the runtime's control on the display panel over the backdrop;
// a poll notices when it has stopped.

#include "slideshow/controller/SlideshowController.h"

#include "formats/swf/SwfMovie.h"
#include "slideshow/DisplayPanelPlacement.h"

namespace vorlandite::slideshow {

// A payload that carries a Flash control wants one ready before anything is shown. When it cannot
// be made, the runtime is registered and one more try made; after a second failure the runtime
// is not usable, and the show runs without Flash items.
void SlideshowController::MakeStartupFlashControl() {
    if (content_.payload.header.FlashPlayerSize <= 0 || !env_.flash)
        return;
    auto control = env_.flash->CreateFlashControl();
    if (!control && env_.RegisterFlash && env_.RegisterFlash())
        control = env_.flash->CreateFlashControl();
    if (control) {
        flashControl_ = std::move(control).value();
        flashControl_->SetBounds(0, 0, env_.display.Width(), env_.display.Height());
        flashControl_->SetVisible(false);
    } else {
        flashAvailable_ = false;
    }
}

Status SlideshowController::LoadFlash(int index, int mode, payload::ExtractedFile itemFile,
                                      raster::TBitmap32& frame) {
    auto& header = content_.payload.header;
    if (Status shown = ShowPanelBackdrop(frame); !shown)
        return shown;

    if (flashControl_) {
        flashControl_->Stop();
        flashControl_.reset();
    }
    flashFile_.Reset();  // its movie went with the control
    // On every failure below the new file goes with itemFile.
    auto created = env_.flash->CreateFlashControl();
    if (!created)
        return MakeError(created.message());
    flashControl_ = std::move(created).value();
    flashControl_->SetBounds(0, 0, env_.display.Width(), env_.display.Height());
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
    const raster::Rect panel =
        DisplayPanelRect(mode, raster::Rect{0, 0, width, height}, env_.display.Width(), env_.display.Height(),
                         env_.random);
    env_.display.PlaceVideoPanel(panel);
    flashControl_->SetBounds(0, 0, panel.right - panel.left, panel.bottom - panel.top);
    env_.display.ShowVideoPanel(true);
    flashShown_ = true;

    payload::TKelImageInfo& item = content_.payload.images[std::size_t(index)];
    if (item.Duration != -2 && env_.flashTimer)
        env_.flashTimer->Start(kFlashPollMs);
    if (item.Duration < 0)
        item.Duration = kFlashDurationSeconds;

    // The control reads the movie's file while the movie is loaded: kept until it is unloaded.
    flashFile_ = std::move(itemFile);
    PanelItemShown(index, payload::ItemKind::Flash, mode, panel);
    flashControl_->Play();
    return {};
}

void SlideshowController::FlashTimerTimer() {
    if (closed_ || !flashShown_ || !flashControl_ || flashControl_->IsPlaying())
        return;
    // The next item comes at once; while the password is asked the show stands still, and
    // Resume brings it.
    slideIntervalMs_ = 1;
    if (!suspended_)
        EnableSlideTimer();
    RepaintScreens();
}

void SlideshowController::CloseAndStopFlash() {
    if (flashControl_) {
        flashControl_->Stop();
        flashControl_->SetPlaying(false);
        flashControl_->SetVisible(false);
        env_.display.ShowVideoPanel(false);
        flashControl_->SetMovie(platform::kNoMovie);
    }
    flashFile_.Reset();
    flashShown_ = false;
    if (env_.flashTimer)
        env_.flashTimer->Stop();
}

}  // namespace vorlandite::slideshow

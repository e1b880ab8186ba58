// Video items: the video plays on the display panel over the backdrop and holds the show until
// its end; its file stays as long as the player may read it.

#include "slideshow/controller/SlideshowController.h"

#include "slideshow/DisplayPanelPlacement.h"

namespace vorlandite::slideshow {

Status SlideshowController::LoadVideo(int index, int mode, payload::ExtractedFile itemFile,
                                      raster::TBitmap32& frame) {
    const auto& header = content_.payload.header;
    if (Status shown = ShowPanelBackdrop(frame); !shown)
        return shown;

    audio::IMediaPlayer& player = *env_.videoPlayer;
    player.SetNotify(false);
    player.SetDisplay(nullptr);
    player.Close();
    videoFile_.Reset();  // the player has let go of the previous video
    // On every failure below the new file goes with itemFile.
    player.SetFileName(itemFile.Path());
    if (Status opened = player.Open(); !opened)
        return opened;
    // A player that prerolls in the background knows the video's size only later; the panel
    // waits for it, and the play with it (a preroll that fails completes the play as Failure).
    const bool ready = player.Ready();
    raster::Rect panel{};
    if (ready)
        panel = PlaceVideoPanel(mode);
    if (header.MuteVideo)
        (void)player.SetVolume(0);
    player.SetNotify(true);
    if (Status played = player.Play(); !played) {
        player.SetNotify(false);
        player.Close();
        return played;
    }
    if (ready)
        env_.display.ShowVideoPanel(true);

    // The video holds the show until its end; its file stays until then.
    videoFile_ = std::move(itemFile);
    DisableSlideTimer();
    videoPlaying_ = true;
    if (ready) {
        PanelItemShown(index, payload::ItemKind::Video, mode, panel);
    } else {
        player.SetReadyHandler([this, index, mode] {
            if (closed_ || !videoPlaying_)
                return;
            const raster::Rect placed = PlaceVideoPanel(mode);
            env_.display.ShowVideoPanel(true);
            PanelItemShown(index, payload::ItemKind::Video, mode, placed);
        });
    }
    return {};
}

// The panel in the video's own proportions, per the item's size-and-position mode, and the
// player's frames into it.
raster::Rect SlideshowController::PlaceVideoPanel(int mode) {
    audio::IMediaPlayer& player = *env_.videoPlayer;
    const QRect natural = player.NaturalDisplayRect();
    const raster::Rect panel = DisplayPanelRect(mode, raster::Rect{0, 0, natural.width(), natural.height()},
                                                env_.display.Width(), env_.display.Height(), env_.random);
    env_.display.PlaceVideoPanel(panel);
    player.SetDisplay(env_.display.VideoPanel());
    player.SetDisplayRect(QRect());  // the panel's whole area: the video is scaled to it
    return panel;
}

void SlideshowController::MPlayNotify(audio::IMediaPlayer::NotifyValue value) {
    using Value = audio::IMediaPlayer::NotifyValue;
    if (closed_ || !env_.videoPlayer)
        return;
    // A video that breaks off with an error is over as well: waiting for an end that never
    // comes would hold the show on it until the user leaves.
    const bool ended = value == Value::Successful;
    if (!ended && !(value == Value::Failure && videoPlaying_))
        return;
    try {
        audio::IMediaPlayer& player = *env_.videoPlayer;
        player.SetNotify(false);
        if (!videoPlaying_) {
            player.Close();
            return;
        }
        if (ended && env_.events)
            env_.events->VideoEnded(currentItemIndex_);
        if (ended && content_.payload.header.ImageCount == 1) {
            // A single video loops. One that cannot start again (its rewind gave up, the
            // player's watchdog closed it) is over like a failed one: no completion would come.
            Status again = player.Rewind();
            if (again) {
                player.SetNotify(true);
                again = player.Play();
            }
            if (again)
                return;
            player.SetNotify(false);
        }
        // No taskbar step: hiding the desktop's taskbar while the player closes answers a repaint
        // flaw of another platform; on X11 it would be a no-op.
        player.Close();
        env_.display.ShowVideoPanel(false);
        videoFile_.Reset();
        videoPlaying_ = false;
        slideIntervalMs_ = 1;  // the next item comes at once
        EnableSlideTimer();
    } catch (...) {
    }
}

void SlideshowController::StopVideo() {
    if (!env_.videoPlayer)
        return;
    audio::IMediaPlayer& player = *env_.videoPlayer;
    player.SetNotify(false);
    player.Close();
    videoFile_.Reset();
    // A stopped video no longer holds the show: should the finish not complete, the slide timer
    // must not wait for its end.
    if (videoPlaying_) {
        env_.display.ShowVideoPanel(false);
        videoPlaying_ = false;
    }
}

}  // namespace vorlandite::slideshow

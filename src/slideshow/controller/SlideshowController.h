#pragma once
// The full-screen show without its window: it chooses the items, composes and brings each one in
// (at once or through a transition), times them on the slide timer, starts the music and the GIF
// animation, and finishes the show after the password question. Everything it touches outside
// itself comes in through interfaces, so the same show runs in the main window, in the headless
// recorder and in tests on a virtual clock.
//
// Threads: every method runs on the owner's thread. The only other thread is the transition
// worker; its completion comes back through the engine's owner thread as RestartTimer.
//
// States: Starting (Start) -> Showing (slide timer running) <-> In transition (timer off, worker
// running) -> Finishing (FinishScreenSaver) -> Closed (FormClose). A finish asked for during a
// transition aborts the worker and completes from RestartTimer.

#include "base/Result.h"
#include "payload/ContainerReader.h"
#include "payload/ExtractedFile.h"
#include "raster/DesktopCapture.h"
#include "raster/TBitmap32.h"
#include "slideshow/Background.h"
#include "slideshow/GifAnimation.h"
#include "slideshow/SlideTimers.h"
#include "slideshow/controller/ShowDisplay.h"
#include "slideshow/order/ItemOrder.h"
#include "transitions/TransitionEngine.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "audio/IMediaPlayer.h"
#include "platform/FlashControl.h"

namespace vorlandite::audio {
class MelodyPlayback;
class EnterSound;
}  // namespace vorlandite::audio

namespace vorlandite::slideshow {

// The frame period of every transition of the show.
inline constexpr int kShowFramePeriodMs = 9;

// The services the show runs on. Every reference and non-null pointer must outlive the
// controller.
struct ShowEnvironment {
    IShowDisplay& display;
    ITimer& slideTimer;
    ITimer& gifTimer;
    transitions::TransitionEngine& engine;
    IRandomSource& random;  // the program's one generator, seeded by its owner
    IPasswordCheck* password = nullptr;  // null: no host, nothing to ask
    IShowEventSink* events = nullptr;
    audio::MelodyPlayback* melody = nullptr;  // null: no music
    audio::EnterSound* enterSound = nullptr;  // null: no enter sounds
    // The video player (the show becomes its one completion listener); null: video items are
    // skipped like items that cannot be shown.
    audio::IMediaPlayer* videoPlayer = nullptr;
    raster::DesktopCapture* desktop = nullptr;  // null: no desktop snapshot to be had
    // The Flash runtime's controls on the display panel; null: no runtime, Flash items are
    // skipped like items that cannot be shown.
    platform::IFlashControlFactory* flash = nullptr;
    // Asked once when the start-up control cannot be made; true: the runtime may be usable now,
    // and the control is made once more. Null: no second try.
    std::function<bool()> RegisterFlash;
    // Polls a playing movie for its end every 100 ms; null: a movie's end is not watched and
    // its display time alone ends it.
    ITimer* flashTimer = nullptr;
};

// How often a playing Flash movie is asked whether it has stopped.
inline constexpr int kFlashPollMs = 100;
// The display time a Flash item's special durations turn into: one day.
inline constexpr int kFlashDurationSeconds = 86400;

// What the show shows: the payload as read at start-up (settings already written over the
// header), where it lives, and the logo surface (empty: no logo).
struct ShowContent {
    payload::Payload payload;
    std::string screensaverPath;
    std::string tempFolder;  // ends with '/'
    raster::TBitmap32 logo;
};

class SlideshowController {
public:
    SlideshowController(ShowEnvironment environment, ShowContent content);
    ~SlideshowController();
    SlideshowController(const SlideshowController&) = delete;
    SlideshowController& operator=(const SlideshowController&) = delete;

    // The start of the show: background, music, the first item at once, the slide timer. An
    // error (the background cannot be built) means the show must not start.
    Status Start();

    // The slide timer's handler: the next item comes in.
    void TimerTimer();
    // Loads item index (-1: none) and starts bringing it in; a broken item changes nothing.
    void LoadImage(int index, bool desktopStart);
    // A transition has ended: the item's display time starts now, its GIF starts moving.
    void RestartTimer();
    // The video player's completion: a video that played to its end loops when it is the only
    // item, otherwise the next item comes at once.
    void MPlayNotify(audio::IMediaPlayer::NotifyValue value);
    // The Flash poll timer's handler: a movie that has stopped brings the next item at once.
    void FlashTimerTimer();
    // Stops and hides the movie on screen; the control itself stays for the next Flash item.
    void CloseAndStopFlash();
    // The verdict of one input message (exit) or a pending finish (true).
    void FinishScreenSaver(bool exit);
    void Suspend();
    void Resume();
    // Stops the GIF animation, the video, the music and the enter sound (the show's finish, or
    // the program ending on a signal).
    void StopMedia();
    // The main window closes: the show's state is released. Runs once.
    void FormClose();

    bool Suspended() const { return suspended_; }
    int CurrentPictureIndex() const { return currentPictureIndex_; }
    int CurrentItemIndex() const { return currentItemIndex_; }
    int ItemCounter() const { return order_.ItemCounter(); }
    bool ShowWithoutTransition() const { return showWithoutTransition_; }
    bool VideoPlaying() const { return videoPlaying_; }
    bool FlashShown() const { return flashShown_; }
    bool Closed() const { return closed_; }
    const std::string& EffectList() const { return content_.payload.strings.EffectList; }
    std::size_t ItemTableSize() const { return content_.payload.images.size(); }
    // A transition has started and its completion has not run yet.
    bool TransitionInProgress() const;
    // The display time of item index: Seconds, or the item's own Duration when it has one.
    int DisplayTimeMs(int index) const;

private:
    void ChooseNextCounter();
    void ApplyChoice(const ItemChoice& choice);
    void EnableSlideTimer();
    void DisableSlideTimer();
    bool IsFlashItem(int index) const;
    // At the start: the Flash control the payload wants ready (FlashItemLoad.cpp).
    void MakeStartupFlashControl();
    FrameContext CurrentFrameContext();
    // The monitor that gets the picture item being loaded: with a second monitor the picture
    // items alternate, the first one going to the main monitor.
    IShowSurface& ChooseTarget();
    // The part of LoadImage that may fail; the caller swallows what it returns. It extracts the
    // item and hands its file to the load of the item's kind, each in a file of its own.
    Status LoadItem(int index, bool desktopStart, raster::TBitmap32& frame);
    // A picture or GIF item (PictureItemLoad.cpp): composed and brought in on one monitor.
    Status LoadPicture(int index, int mode, bool desktopStart, payload::ExtractedFile itemFile,
                       raster::TBitmap32& frame);
    // A video item (VideoItemLoad.cpp): the background and logo on screen, the video on the
    // display panel.
    Status LoadVideo(int index, int mode, payload::ExtractedFile itemFile, raster::TBitmap32& frame);
    raster::Rect PlaceVideoPanel(int mode);
    void StopVideo();
    // A Flash item (FlashItemLoad.cpp): the background and logo on screen, the movie on the
    // display panel.
    Status LoadFlash(int index, int mode, payload::ExtractedFile itemFile, raster::TBitmap32& frame);
    // The background (or desktop) frame with the logo, on every monitor at once: what shows
    // around the display panel of a video or Flash item (PanelItemShow.cpp).
    Status ShowPanelBackdrop(raster::TBitmap32& frame);
    void RepaintScreens();
    // A video or Flash movie is on its panel now: the item state and the recorder's event.
    void PanelItemShown(int index, payload::ItemKind kind, int mode, const raster::Rect& panel);

    ShowEnvironment env_;
    ShowContent content_;
    ItemOrder order_;
    std::optional<Background> background_;
    std::unique_ptr<GifAnimation> gif_;
    // Under the frames of the current GIF item: the background with logo and caption.
    raster::TBitmap32 gifBackdrop_;
    // The picture on screen and its placement, for the GIF animation.
    raster::TBitmap32 decodedPicture_;
    std::optional<raster::TBitmap32> itemMask_;
    raster::Rect placementRect_{};
    // The monitor showing the current picture item; its bitmap receives the GIF frames.
    IShowSurface* gifSurface_ = nullptr;
    bool usePrimaryMonitor_ = false;

    bool suspended_ = false;
    int currentPictureIndex_ = -1;
    int currentItemIndex_ = -1;
    bool showWithoutTransition_ = true;
    bool desktopStart_ = false;
    bool videoPlaying_ = false;  // a video item is on screen; the slide timer waits for its end
    payload::ExtractedFile videoFile_;  // the video the player has, until it is closed
    int slideIntervalMs_ = 5000;
    // The movie the control has loaded, until it is unloaded; declared first, so that the control
    // is gone before its file.
    payload::ExtractedFile flashFile_;
    // The current Flash control (null before the first one); a movie is on screen while
    // flashShown_ is set.
    std::unique_ptr<platform::IFlashControl> flashControl_;
    bool flashShown_ = false;
    // A runtime is there: the factory exists and, when the payload asks for one at start, that
    // first control could be created.
    bool flashAvailable_ = false;
    int transitionItem_ = -1;  // the item the running transition brings in
    bool closeRequested_ = false;
    bool closed_ = false;
    // Completions queued for a controller that is gone must do nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace vorlandite::slideshow

#pragma once
// The full-screen show inside the main window: the slideshow controller on real time, Qt timers
// and the screen presenter, with the window as its display. The window paints Screen().

#include "app/SecondMonitorWindow.h"
#include "audio/EnterSound.h"
#include "audio/MelodyPlayback.h"
#include "audio/MediaPlayer.h"
#include "audio/VideoPanel.h"
#include "platform/Registry.h"
#include "platform/qt/FlashRuntimeLoader.h"
#include "slideshow/SlideTimers.h"
#include "slideshow/controller/SlideshowController.h"
#include "transitions/ScreenPresenter.h"
#include "transitions/TransitionEngine.h"
#include "base/TickClock.h"
#include "base/RandomSource.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace vorlandite::app {

// Where the show's music comes from besides the payload.
struct ShowMusicSources {
    platform::Registry* registry = nullptr;  // the user's playlist lives here; null: none
    bool useCustomPlaylist = false;          // the stored "UseCustomPlaylist"
};

class ShowSession final : public slideshow::IShowDisplay {
public:
    // `window` is the display; `closeWindow` runs when the show asks the window to close.
    // `password`: the host's question at the end (null: none); must outlive the session.
    // `desktop`: the desktop picture for a desktop start or background (null: none to be had).
    ShowSession(QWidget& window, int width, int height, slideshow::ShowContent content,
                std::function<void()> closeWindow, slideshow::IPasswordCheck* password = nullptr,
                ShowMusicSources music = {}, std::unique_ptr<raster::DesktopCapture> desktop = nullptr);
    ~ShowSession() override;

    // A window on the second monitor (its geometry in desktop coordinates); before Start.
    void AddSecondMonitor(const QRect& geometry, bool bypassWindowManager);
    SecondMonitorWindow* SecondMonitorWindowIfAny() { return second_.get(); }
    // The main window closes: the second monitor's window goes with it.
    void CloseSecondMonitor();

    Status Start();
    slideshow::SlideshowController& Controller() { return *controller_; }
    const raster::TBitmap32& Screen() const { return screen_; }

    // IShowDisplay
    int Width() const override { return screen_.Width(); }
    int Height() const override { return screen_.Height(); }
    raster::TBitmap32& PictureBitmap() override { return picture_; }
    transitions::ITransitionPresenter& Presenter() override { return *presenter_; }
    void ShowFrameNow(const raster::TBitmap32& frame) override;
    void Repaint(const raster::Rect& changed) override;
    void RequestClose() override;
    slideshow::IShowSurface* SecondMonitor() override { return second_.get(); }
    void PlaceVideoPanel(const raster::Rect& rect) override;
    void ShowVideoPanel(bool visible) override;
    audio::VideoFrameConsumer* VideoPanel() override { return videoPanel_; }

private:
    QWidget& window_;
    std::function<void()> closeWindow_;
    raster::TBitmap32 screen_;   // what the window shows; transitions draw here
    raster::TBitmap32 picture_;  // the current frame, complete (GIF frames land here)
    SteadyTickClock clock_;
    SeededRandom random_;
    transitions::QtOwnerThread owner_;
    std::unique_ptr<transitions::ScreenPresenter> presenter_;
    std::unique_ptr<transitions::TransitionEngine> engine_;
    slideshow::QtTimer slideTimer_;
    slideshow::QtTimer gifTimer_;
    slideshow::QtTimer flashTimer_;
    std::unique_ptr<SecondMonitorWindow> second_;
    // Melodies, enter sounds and videos each have a player of their own, so an enter sound
    // never cuts the music off.
    audio::MediaPlayer melodyPlayer_{audio::MediaPlayer::AudioOutput::Automatic, audio::MediaPlayer::VideoOutput::None};
    audio::MediaPlayer enterSoundPlayer_{audio::MediaPlayer::AudioOutput::Automatic,
                                         audio::MediaPlayer::VideoOutput::None};
    audio::MediaPlayer videoPlayer_{audio::MediaPlayer::AudioOutput::Automatic, audio::MediaPlayer::VideoOutput::Frames};
    QPointer<audio::VideoPanel> videoPanel_;  // a child of the window
    // Flash controls live on the video panel; null without a Flash runtime. Declared before the
    // controller, which holds controls it made.
    std::unique_ptr<platform::FlashRuntimeFactory> flash_;
    std::unique_ptr<raster::DesktopCapture> desktop_;
    std::unique_ptr<audio::MelodyPlayback> melody_;
    std::unique_ptr<audio::EnterSound> enterSound_;
    std::unique_ptr<slideshow::SlideshowController> controller_;
};

} // namespace vorlandite::app

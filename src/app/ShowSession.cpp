#include "app/ShowSession.h"

#include "app/StartupReading.h"
#include "audio/CustomPlaylist.h"
#include "payload/PayloadRecords.h"
#include "raster/BitmapDraw.h"
#include "raster/ColorConversion.h"

#include <QTimer>

#include <algorithm>
#include <chrono>

namespace vorlandite::app {

namespace {

constexpr int kFlashPrepareDelayMs = 200;

uint32_t ClockSeed() {
    return uint32_t(std::chrono::steady_clock::now().time_since_epoch().count());
}

} // namespace

ShowSession::ShowSession(QWidget& window, int width, int height, slideshow::ShowContent content,
                         std::function<void()> closeWindow, slideshow::IPasswordCheck* password,
                         ShowMusicSources music, std::unique_ptr<raster::DesktopCapture> desktop)
    : window_(window), closeWindow_(std::move(closeWindow)), random_(ClockSeed(), false), desktop_(std::move(desktop)) {
    screen_.SetSize(width, height);
    picture_.SetSize(width, height);
    presenter_ = std::make_unique<transitions::ScreenPresenter>(screen_, &window_);
    engine_ = std::make_unique<transitions::TransitionEngine>(clock_, random_, owner_);
    slideshow::ShowEnvironment environment{*this, slideTimer_, gifTimer_, *engine_, random_};
    environment.password = password;
    environment.desktop = desktop_.get();

    // The show's own thread never waits for a media file: opens, rewinds and stops go on in the
    // background, and a file that does not get ready or stop in time is dropped there.
    audio::MediaWatchdog watchdog;
    watchdog.callWait = std::chrono::milliseconds(0);
    for (audio::MediaPlayer* player : {&melodyPlayer_, &enterSoundPlayer_, &videoPlayer_})
        player->SetWatchdog(watchdog);

    const payload::Payload& data = content.payload;
    std::vector<std::string> userPlaylist;
    if (music.useCustomPlaylist && music.registry)
        userPlaylist = audio::LoadCustomPlayListNoWindow(*music.registry, data.strings.Title);
    melody_ = std::make_unique<audio::MelodyPlayback>(
        audio::MelodySources{data.header, data.melodies, content.screensaverPath, content.tempFolder,
                             music.useCustomPlaylist, std::move(userPlaylist)},
        random_, melodyPlayer_);
    enterSound_ = std::make_unique<audio::EnterSound>(
        audio::EnterSoundSources{data.header, data.sounds, content.screensaverPath, content.tempFolder},
        enterSoundPlayer_);
    environment.melody = melody_.get();
    environment.enterSound = enterSound_.get();
    environment.videoPlayer = &videoPlayer_;

    videoPanel_ = new audio::VideoPanel(&window_);
    videoPanel_->hide();
    videoPanel_->setAttribute(Qt::WA_TransparentForMouseEvents);  // input belongs to the show
    QPalette palette = videoPanel_->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(raster::ToColor32(data.header.BackgroundColor) | 0xFF000000u));
    videoPanel_->setPalette(palette);
    videoPanel_->setAutoFillBackground(true);
    environment.flashTimer = &flashTimer_;
    if (auto runtime = platform::FindFlashRuntime()) {
        flash_ = std::make_unique<platform::FlashRuntimeFactory>(*videoPanel_, *runtime);
        environment.flash = flash_.get();
        environment.RegisterFlash = [] { return platform::RegisterFlashControl(); };
        // The player starts unseen so the first movie does not wait for the browser; a moment
        // after the show's first frame, which it would otherwise hold up by a few hundred ms. A
        // show that opens with a movie starts it at once instead: its browser process, page and
        // compiler then work while the window comes up, and the movie is the first frame that
        // matters. The panel's going cancels the delayed start.
        if (OpensWithFlash(data))
            flash_->Prepare();
        else if (HoldsFlashItems(data.images))
            QTimer::singleShot(kFlashPrepareDelayMs, videoPanel_.data(), [flash = flash_.get()] { flash->Prepare(); });
    }
    controller_ = std::make_unique<slideshow::SlideshowController>(environment, std::move(content));
}

// The controller goes first (it lets go of the video player's completions), then the engine: it
// releases a worker that may wait on the presenter.
ShowSession::~ShowSession() {
    controller_.reset();
    flash_.reset();
    melody_.reset();
    enterSound_.reset();
    engine_.reset();
    presenter_.reset();
    second_.reset();
    // The panel is the window's child; a session made again (a hosted show resized) must not
    // leave the old one behind.
    delete videoPanel_.data();
}

void ShowSession::AddSecondMonitor(const QRect& geometry, bool bypassWindowManager) {
    second_ = std::make_unique<SecondMonitorWindow>(geometry, bypassWindowManager);
    second_->show();
}

void ShowSession::CloseSecondMonitor() {
    if (second_)
        second_->close();
}

Status ShowSession::Start() { return controller_->Start(); }

void ShowSession::ShowFrameNow(const raster::TBitmap32& frame) {
    presenter_->PictureChanging();
    raster::CopyRect(screen_, frame, frame.BoundsRect());
    window_.update();
}

void ShowSession::Repaint(const raster::Rect& changed) {
    presenter_->PictureChanging();
    raster::CopyRect(screen_, picture_, changed);
    window_.update(changed.left, changed.top, changed.Width(), changed.Height());
}

void ShowSession::PlaceVideoPanel(const raster::Rect& rect) {
    videoPanel_->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
}

void ShowSession::ShowVideoPanel(bool visible) {
    videoPanel_->setVisible(visible);
    if (visible)
        videoPanel_->raise();
}

void ShowSession::RequestClose() {
    if (closeWindow_)
        closeWindow_();
}

} // namespace vorlandite::app

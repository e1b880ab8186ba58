#include "app/ShowSession.h"

#include "app/StartupReading.h"
#include "audio/CustomPlaylist.h"
#include "payload/PayloadRecords.h"
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

ShowSession::ShowSession(QWidget& window, int width, int height, slideshow::TShowContent content,
                         std::function<void()> closeWindow, slideshow::IPasswordCheck* password,
                         ShowMusicSources music, std::unique_ptr<raster::DesktopCapture> desktop)
    : window_(window), closeWindow_(std::move(closeWindow)), random_(ClockSeed(), false), desktop_(std::move(desktop)) {
    screen_.SetSize(width, height);
    picture_.SetSize(width, height);
    presenter_ = std::make_unique<transitions::TScreenPresenter>(screen_, &window_);
    engine_ = std::make_unique<transitions::TTransitionEngine>(clock_, random_, owner_);
    slideshow::TShowEnvironment environment{*this, slideTimer_, gifTimer_, *engine_, random_};
    environment.Password = password;
    environment.Desktop = desktop_.get();

    // The show's own thread never waits for a media file: opens, rewinds and stops go on in the
    // background, and a file that does not get ready or stop in time is dropped there.
    audio::MediaWatchdog watchdog;
    watchdog.callWait = std::chrono::milliseconds(0);
    for (audio::TMediaPlayer* player : {&melodyPlayer_, &enterSoundPlayer_, &videoPlayer_})
        player->SetWatchdog(watchdog);

    const payload::Payload& data = content.Payload;
    std::vector<std::string> userPlaylist;
    if (music.useCustomPlaylist && music.registry)
        userPlaylist = audio::LoadCustomPlayListNoWindow(*music.registry, data.Strings.Title);
    melody_ = std::make_unique<audio::TMelodyPlayback>(
        audio::MelodySources{data.Header, data.Melodies, content.ScreensaverPath, content.TempFolder,
                             music.useCustomPlaylist, std::move(userPlaylist)},
        random_, melodyPlayer_);
    enterSound_ = std::make_unique<audio::TEnterSound>(
        audio::EnterSoundSources{data.Header, data.Sounds, content.ScreensaverPath, content.TempFolder},
        enterSoundPlayer_);
    environment.Melody = melody_.get();
    environment.EnterSound = enterSound_.get();
    environment.VideoPlayer = &videoPlayer_;

    videoPanel_ = new audio::TVideoPanel(&window_);
    videoPanel_->hide();
    videoPanel_->setAttribute(Qt::WA_TransparentForMouseEvents);  // input belongs to the show
    QPalette palette = videoPanel_->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(raster::ToColor32(data.Header.BackgroundColor) | 0xFF000000u));
    videoPanel_->setPalette(palette);
    videoPanel_->setAutoFillBackground(true);
    environment.FlashTimer = &flashTimer_;
    if (auto runtime = platform::FindFlashRuntime()) {
        flash_ = std::make_unique<platform::TFlashRuntimeFactory>(*videoPanel_, *runtime);
        environment.Flash = flash_.get();
        environment.RegisterFlash = [] { return platform::RegisterFlashControl(); };
        // The player starts unseen so the first movie does not wait for the browser; a moment
        // after the show's first frame, which it would otherwise hold up by a few hundred ms. (A
        // show that opens with a movie starts the player itself.) The panel's going cancels it.
        if (HoldsFlashItems(data.Images))
            QTimer::singleShot(kFlashPrepareDelayMs, videoPanel_.data(), [flash = flash_.get()] { flash->Prepare(); });
    }
    controller_ = std::make_unique<slideshow::TSlideshowController>(environment, std::move(content));
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
    CopyBitmapRect(frame, screen_, raster::TRect{0, 0, frame.Width(), frame.Height()});
    window_.update();
}

void ShowSession::Repaint(const raster::TRect& changed) {
    CopyBitmapRect(picture_, screen_, changed);
    window_.update(changed.Left, changed.Top, changed.Width(), changed.Height());
}

void ShowSession::PlaceVideoPanel(const raster::TRect& rect) {
    videoPanel_->setGeometry(rect.Left, rect.Top, rect.Width(), rect.Height());
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

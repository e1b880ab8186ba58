#include "app/ShowSession.h"

#include <chrono>

namespace vorlandite::app {
namespace {

uint32_t ClockSeed() {
    return uint32_t(std::chrono::steady_clock::now().time_since_epoch().count());
}

} // namespace

ShowSession::ShowSession(QWidget& window, int width, int height, slideshow::TShowContent content,
                         std::function<void()> closeWindow, slideshow::IPasswordCheck* password)
    : window_(window), closeWindow_(std::move(closeWindow)), random_(ClockSeed(), false) {
    screen_.SetSize(width, height);
    picture_.SetSize(width, height);
    presenter_ = std::make_unique<transitions::TScreenPresenter>(screen_, &window_);
    engine_ = std::make_unique<transitions::TTransitionEngine>(clock_, random_, owner_);
    slideshow::TShowEnvironment environment{*this, slideTimer_, gifTimer_, *engine_, random_};
    environment.Password = password;
    controller_ = std::make_unique<slideshow::TSlideshowController>(environment, std::move(content));
}

// The engine goes first: it releases a worker that may wait on the presenter.
ShowSession::~ShowSession() {
    controller_.reset();
    engine_.reset();
    presenter_.reset();
    second_.reset();
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

void ShowSession::RequestClose() {
    if (closeWindow_)
        closeWindow_();
}

} // namespace vorlandite::app

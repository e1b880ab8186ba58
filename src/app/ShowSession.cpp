#include "app/ShowSession.h"

#include <algorithm>
#include <chrono>

namespace vorlandite::app {
namespace {

uint32_t ClockSeed() {
    return uint32_t(std::chrono::steady_clock::now().time_since_epoch().count());
}

void CopyRect(const raster::TBitmap32& from, raster::TBitmap32& to, const raster::TRect& rect) {
    const int left = std::max(0, rect.Left), top = std::max(0, rect.Top);
    const int right = std::min({rect.Right, from.Width(), to.Width()});
    const int bottom = std::min({rect.Bottom, from.Height(), to.Height()});
    if (right <= left)
        return;
    for (int y = top; y < bottom; ++y) {
        auto source = from.Scanline(y);
        auto target = to.Scanline(y);
        std::copy(source.begin() + left, source.begin() + right, target.begin() + left);
    }
}

} // namespace

ShowSession::ShowSession(QWidget& window, int width, int height, slideshow::TShowContent content,
                         std::function<void()> closeWindow)
    : window_(window), closeWindow_(std::move(closeWindow)), random_(ClockSeed(), false) {
    screen_.SetSize(width, height);
    picture_.SetSize(width, height);
    presenter_ = std::make_unique<transitions::TScreenPresenter>(screen_, &window_);
    engine_ = std::make_unique<transitions::TTransitionEngine>(clock_, random_, owner_);
    slideshow::TShowEnvironment environment{*this, slideTimer_, gifTimer_, *engine_, random_};
    controller_ = std::make_unique<slideshow::TSlideshowController>(environment, std::move(content));
}

// The engine goes first: it releases a worker that may wait on the presenter.
ShowSession::~ShowSession() {
    controller_.reset();
    engine_.reset();
    presenter_.reset();
}

Status ShowSession::Start() { return controller_->Start(); }

void ShowSession::ShowFrameNow(const raster::TBitmap32& frame) {
    CopyRect(frame, screen_, raster::TRect{0, 0, frame.Width(), frame.Height()});
    window_.update();
}

void ShowSession::Repaint(const raster::TRect& changed) {
    CopyRect(picture_, screen_, changed);
    window_.update(changed.Left, changed.Top, changed.Width(), changed.Height());
}

void ShowSession::RequestClose() {
    if (closeWindow_)
        closeWindow_();
}

} // namespace vorlandite::app

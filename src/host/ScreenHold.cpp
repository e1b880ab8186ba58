#include "host/ScreenHold.h"

#include <QApplication>
#include <QTimer>

namespace vorlandite::host {
namespace {

// Brought back from a minimise and put on top (a window already on top stays as it is); a
// hidden window (the show ending) is left alone.
void KeepUp(QWidget& window) {
    if (window.isHidden())
        return;
    if (window.isMinimized())
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
}

} // namespace

ScreenHold::ScreenHold(QWidget& show, platform::InputGrab* grab) : show_(show), grab_(grab) {
    timer_ = new QTimer(this);
    timer_->setInterval(kRenewMs);
    connect(timer_, &QTimer::timeout, this, [this] { Renew(); });
}

ScreenHold::~ScreenHold() { Stop(); }

void ScreenHold::AddWindow(QWidget& window) { others_.emplace_back(&window); }

void ScreenHold::Start() {
    if (holding_)
        return;
    holding_ = true;
    Renew();
    timer_->start();
}

void ScreenHold::Stop() {
    if (!holding_)
        return;
    holding_ = false;
    timer_->stop();
    if (grab_)
        grab_->Release();
    grabbed_ = false;
}

void ScreenHold::Renew() {
    if (!holding_)
        return;
    // While the password question is up it belongs above the show it guards: raising the show
    // then would put it over the dialog (and repaint both ten times a second).
    if (QWidget* dialog = QApplication::activeModalWidget()) {
        dialog->raise();
    } else {
        KeepUp(show_);
        for (const QPointer<QWidget>& window : others_)
            if (window)
                KeepUp(*window);
    }
    // The grab needs a window the server shows; until then (and whenever another program holds
    // a grab) the next renewal tries again.
    if (grab_ && show_.isVisible())
        grabbed_ = grab_->Grab(uint64_t(show_.winId()));
}

} // namespace vorlandite::host

#include "app/SecondMonitorWindow.h"

#include "raster/BitmapDraw.h"
#include "raster/canvas/QtImageBridge.h"

#include <QCloseEvent>
#include <QPainter>

namespace vorlandite::app {

SecondMonitorWindow::SecondMonitorWindow(const QRect& geometry, bool bypassWindowManager) {
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                            Qt::WindowDoesNotAcceptFocus;
    if (bypassWindowManager)
        flags |= Qt::X11BypassWindowManagerHint;
    setWindowFlags(flags);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    screen_.SetSize(geometry.width(), geometry.height());
    picture_.SetSize(geometry.width(), geometry.height());
    screen_.Clear(0xFF000000u);
    setGeometry(geometry);
    presenter_ = std::make_unique<transitions::ScreenPresenter>(screen_, this);
}

SecondMonitorWindow::~SecondMonitorWindow() { presenter_.reset(); }

void SecondMonitorWindow::ShowFrameNow(const raster::TBitmap32& frame) {
    presenter_->PictureChanging();
    raster::CopyRect(screen_, frame, frame.BoundsRect());
    update();
}

void SecondMonitorWindow::Repaint(const raster::Rect& changed) {
    presenter_->PictureChanging();
    raster::CopyRect(screen_, picture_, changed);
    update(changed.left, changed.top, changed.Width(), changed.Height());
}

void SecondMonitorWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    raster::PaintOpaque(painter, rect(), screen_);
}

void SecondMonitorWindow::closeEvent(QCloseEvent* event) {
    if (refuseOutsideClose_ && event->spontaneous()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace vorlandite::app

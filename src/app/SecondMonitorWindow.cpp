#include "app/SecondMonitorWindow.h"

#include <QCloseEvent>
#include <QImage>
#include <QPainter>
#include <QRegion>

#include <algorithm>

namespace vorlandite::app {

void CopyBitmapRect(const raster::TBitmap32& from, raster::TBitmap32& to, const raster::Rect& rect) {
    const int left = std::max(0, rect.left), top = std::max(0, rect.top);
    const int right = std::min({rect.right, from.Width(), to.Width()});
    const int bottom = std::min({rect.bottom, from.Height(), to.Height()});
    if (right <= left)
        return;
    for (int y = top; y < bottom; ++y) {
        auto source = from.Scanline(y);
        auto target = to.Scanline(y);
        std::copy(source.begin() + left, source.begin() + right, target.begin() + left);
    }
}

void PaintShowBitmap(QWidget& widget, const raster::TBitmap32& bitmap) {
    QPainter painter(&widget);
    // The show windows paint opaquely (no background fill before each frame): what the bitmap
    // does not cover, while a resized window waits for its new show, is black.
    const QRegion uncovered = QRegion(widget.rect()) - QRegion(0, 0, bitmap.Width(), bitmap.Height());
    for (const QRect& r : uncovered)
        painter.fillRect(r, Qt::black);
    if (bitmap.Width() <= 0 || bitmap.Height() <= 0)
        return;
    // The frame's alpha means nothing on screen: paint it as opaque RGB, the backing store's own
    // format on a 24-bit screen, so the copy converts nothing.
    const QImage image(reinterpret_cast<const uchar*>(bitmap.Pixels().data()), bitmap.Width(), bitmap.Height(),
                       int(bitmap.Stride() * sizeof(raster::TColor32)), QImage::Format_RGB32);
    painter.drawImage(QPoint(0, 0), image);
}

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
    CopyBitmapRect(frame, screen_, raster::Rect{0, 0, frame.Width(), frame.Height()});
    update();
}

void SecondMonitorWindow::Repaint(const raster::Rect& changed) {
    CopyBitmapRect(picture_, screen_, changed);
    update(changed.left, changed.top, changed.Width(), changed.Height());
}

void SecondMonitorWindow::paintEvent(QPaintEvent*) { PaintShowBitmap(*this, screen_); }

void SecondMonitorWindow::closeEvent(QCloseEvent* event) {
    if (refuseOutsideClose_ && event->spontaneous()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace vorlandite::app

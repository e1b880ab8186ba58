#include "ui/ExitWindow.h"

#include "base/Windows1252.h"
#include "platform/PlatformPaths.h"
#include "raster/canvas/QtImageBridge.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

namespace vorlandite::ui {

namespace {

// The close glyph: a cross in a small square, drawn here instead of shipped as a picture.
QPixmap CloseGlyph() {
    QPixmap glyph(kCloseGlyphSize, kCloseGlyphSize);
    glyph.fill(Qt::transparent);
    QPainter painter(&glyph);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(64, 64, 64), 1));
    painter.setBrush(QColor(240, 240, 240));
    painter.drawRoundedRect(QRectF(0.5, 0.5, kCloseGlyphSize - 1, kCloseGlyphSize - 1), 3, 3);
    painter.setPen(QPen(QColor(32, 32, 32), 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(6, 6), QPointF(kCloseGlyphSize - 6, kCloseGlyphSize - 6));
    painter.drawLine(QPointF(kCloseGlyphSize - 6, 6), QPointF(6, kCloseGlyphSize - 6));
    return glyph;
}

bool IsLeftClick(QEvent* event) {
    return event->type() == QEvent::MouseButtonRelease &&
           static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
}

} // namespace

TExitWindow::TExitWindow(std::string exitBannerLink, platform::IShellOpen& shell, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), link_(std::move(exitBannerLink)), shell_(shell) {
    setWindowTitle(QStringLiteral("Exit Banner"));
    setModal(true);

    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setStyleSheet(QStringLiteral("QFrame#Shape1 { background: white; border: 1px solid black; }"));

    imgBanner = new QLabel(this);
    imgBanner->setAttribute(Qt::WA_TranslucentBackground, true);
    imgBanner->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgBanner->installEventFilter(this);

    imgClose = new QLabel(this);
    imgClose->setPixmap(CloseGlyph());
    imgClose->setCursor(Qt::PointingHandCursor);
    imgClose->setToolTip(QStringLiteral("Close"));
    imgClose->installEventFilter(this);

    resize(kExitDesignWidth, kExitDesignHeight);
}

void TExitWindow::SetBanner(const raster::TBitmap32& picture) {
    imgBanner->setPixmap(QPixmap::fromImage(raster::ToQImage(picture)));
}

void TExitWindow::imgBannerClick() {
    if (!link_.empty())
        shell_.Open(link_);
    close();
}

void TExitWindow::CloseClick() { close(); }

void TExitWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Shape1->setGeometry(rect());
    imgBanner->setGeometry(rect());
    imgClose->setGeometry(width() - kCloseGlyphRight - kCloseGlyphSize, kCloseGlyphTop, kCloseGlyphSize,
                          kCloseGlyphSize);
    imgClose->raise();
}

bool TExitWindow::eventFilter(QObject* watched, QEvent* event) {
    if (IsLeftClick(event)) {
        if (watched == imgClose) {
            CloseClick();
            return true;
        }
        if (watched == imgBanner) {
            imgBannerClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void OpenExitLink(const payload::TKelVarSizeInfo& strings, platform::IShellOpen& shell) {
    if (strings.ExitLink.empty())
        return;
    platform::OpenExitLink(Cp1252ToUtf8(strings.ExitLink), platform::OsVersionCode(), shell,
                           platform::SystemBrowserLauncher());
}

bool DisplayExitBanner(slideshow::ExitBanner& banner, const payload::Payload& payload,
                       const std::string& screensaverPath, const std::string& tempFolder,
                       platform::IShellOpen& shell) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->geometry().size() : QSize(0, 0);
    const QPoint origin = screen ? screen->geometry().topLeft() : QPoint(0, 0);
    return banner.DisplayExitBanner(
        payload, screensaverPath, tempFolder, size.width(), size.height(),
        [&](const slideshow::ExitBannerPicture& picture) {
            TExitWindow window(Cp1252ToUtf8(payload.strings.ExitBannerLink), shell);
            window.SetBanner(picture.picture);
            window.setGeometry(origin.x() + picture.bounds.left, origin.y() + picture.bounds.top,
                               picture.bounds.Width(), picture.bounds.Height());
            if (picture.handCursor)
                window.imgBanner->setCursor(Qt::PointingHandCursor);
            window.exec();
        });
}

} // namespace vorlandite::ui

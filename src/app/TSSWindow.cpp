#include "app/TSSWindow.h"

#include "app/ShowSession.h"
#include "platform/PlatformPaths.h"
#include "slideshow/LogoOverlay.h"

#include "base/Windows1252.h"
#include "payload/SettingsStore.h"

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QLabel>

namespace vorlandite::app {

namespace {
constexpr int kPreviewWidth = 152;
constexpr int kPreviewHeight = 112;
} // namespace

TSSWindow::TSSWindow(EngineServices services, std::string engineFilePath, std::vector<std::string> arguments)
    : services_(services), engineFilePath_(std::move(engineFilePath)), arguments_(std::move(arguments)) {
    setWindowTitle(title_);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
}

TSSWindow::~TSSWindow() = default;

bool TSSWindow::FormCreate() {
    decision_ = DecideRunMode(engineFilePath_, arguments_);
    ProgramMode = decision_.programMode;
    switch (decision_.mode) {
    case RunMode::Show:
        return StartShow();
    case RunMode::Preview:
        StartPreview();
        return true;
    case RunMode::PasswordChange:
        // No password-change dialog of its own here: the desktop's account settings own the
        // password. The mode ends the application at once.
        EndApplication();
        return false;
    case RunMode::Configuration:
        return StartConfiguration();
    }
    return false;
}

bool TSSWindow::ReadData(bool SettingsOnly) {
    auto report = [this](const std::string& why) {
        (void)why;
        unsetCursor();
        services_.messageBox.Show(title_.toStdString(), std::string(payload::kPayloadFailureMessage),
                                  platform::MessageIcon::Error);
        EndApplication();
        return false;
    };
    auto source = payload::FileSource::Open(engineFilePath_);
    if (!source)
        return report(source.message());
    if (Status s = ReadStartupPayload(**source, services_.registry, SettingsOnly, state_); !s)
        return report(s.message());
    title_ = QString::fromStdString(Cp1252ToUtf8(state_.Payload.Strings.Title));
    QApplication::setApplicationName(title_);
    setWindowTitle(title_);
    return true;
}

bool TSSWindow::StartShow() {
    SaverModeActive = true;
    if (!ReadData(false))
        return false;
    if (ProgramMode && !state_.Payload.Header.RunAsProgram) {
        EndApplication();  // silently: this payload may not run as a program
        return false;
    }
    auto tempFolder = platform::TempFolder();
    if (!tempFolder) {
        services_.messageBox.Show(title_.toStdString(), std::string(payload::kPayloadFailureMessage),
                                  platform::MessageIcon::Error);
        EndApplication();
        return false;
    }
    const QSize size = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry().size()
                                                        : QSize(800, 600);
    slideshow::TShowContent content{state_.Payload, engineFilePath_, *tempFolder, {}};
    if (auto logo = slideshow::LoadLogo(state_.Payload.Header, engineFilePath_, *tempFolder); logo.ok())
        content.Logo = std::move(logo).value();
    show_ = std::make_unique<ShowSession>(*this, size.width(), size.height(), std::move(content),
                                          [this] { close(); });

    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setCursor(Qt::BlankCursor);
    resize(size);
    showFullScreen();
    if (Status started = show_->Start(); !started) {
        EndApplication();
        return false;
    }
    return true;
}

void TSSWindow::StartPreview() {
    SaverModeActive = true;
    PreviewModeActive = true;
    resize(kPreviewWidth, kPreviewHeight);
    show();
}

bool TSSWindow::StartConfiguration() {
    if (!ReadData(true))
        return false;
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(title_, this);
    label->setStyleSheet(QStringLiteral("color: white"));
    layout->addWidget(label);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(close);
    show();
    return true;
}

void TSSWindow::FormClose() {
    if (closed_)
        return;
    closed_ = true;
    // Every close of the configuration dialog stores all fifteen values; there is no cancel.
    if (decision_.mode == RunMode::Configuration && !ending_) {
        auto settings = payload::CurrentSettings(state_.Payload.Header, state_.Payload.Strings, state_.UseCustomPlaylist);
        (void)payload::SaveSettings(services_.registry, state_.Payload.Strings.Title, settings);
    }
}

void TSSWindow::closeEvent(QCloseEvent* event) {
    if (show_)
        show_->Controller().FormClose();
    FormClose();
    event->accept();
}

void TSSWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!SaverModeActive || PreviewModeActive)
        return;
    QPainter painter(this);
    if (show_) {
        const raster::TBitmap32& screen = show_->Screen();
        // The frame's alpha means nothing on screen: paint it as opaque RGB.
        QImage image(reinterpret_cast<const uchar*>(screen.Pixels().data()), screen.Width(), screen.Height(),
                     int(screen.Stride() * sizeof(raster::TColor32)), QImage::Format_RGB32);
        painter.drawImage(QPoint(0, 0), image);
        return;
    }
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, title_);
}

void TSSWindow::keyPressEvent(QKeyEvent* event) {
    if (show_)
        show_->Controller().FinishScreenSaver(true);
    else if (SaverModeActive && !PreviewModeActive)
        close();
    else
        QWidget::keyPressEvent(event);
}

void TSSWindow::mousePressEvent(QMouseEvent* event) {
    if (show_)
        show_->Controller().FinishScreenSaver(true);
    else if (SaverModeActive && !PreviewModeActive)
        close();
    else
        QWidget::mousePressEvent(event);
}

void TSSWindow::EndApplication() {
    ending_ = true;
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

} // namespace vorlandite::app

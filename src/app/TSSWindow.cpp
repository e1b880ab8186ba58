#include "app/TSSWindow.h"

#include "app/ShowSession.h"
#include "host/QtInputMessage.h"
#include "platform/PlatformPaths.h"
#include "slideshow/LogoOverlay.h"

#include "base/Windows1252.h"
#include "payload/SettingsStore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace vorlandite::app {

namespace {

constexpr int kPreviewWatchMs = 1000;

class QtCursorPosition final : public host::ICursorPosition {
public:
    host::InputPoint CursorPos() override {
        const QPoint p = QCursor::pos();
        return {p.x(), p.y()};
    }
};

} // namespace

TSSWindow::TSSWindow(EngineServices services, std::string engineFilePath, std::vector<std::string> arguments)
    : services_(std::move(services)), engineFilePath_(std::move(engineFilePath)), arguments_(std::move(arguments)) {
    setWindowTitle(title_);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);

    // The configuration panel; its tabs come with the configuration work.
    cfgBox_ = new QFrame(this);
    cfgBox_->setObjectName(QStringLiteral("CfgBox"));
    cfgBox_->setFixedSize(360, 160);
    auto* layout = new QVBoxLayout(cfgBox_);
    auto* label = new QLabel(title_, cfgBox_);
    label->setObjectName(QStringLiteral("lbTitle"));
    label->setStyleSheet(QStringLiteral("color: white"));
    layout->addWidget(label);
    auto* close = new QPushButton(QStringLiteral("Close"), cfgBox_);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(close);
}

TSSWindow::~TSSWindow() {
    RemoveInputFilter();
    FormDestroy();
    show_.reset();
    screenSaver_.reset();
}

bool TSSWindow::FormCreate() {
    decision_ = DecideRunMode(engineFilePath_, arguments_);
    ProgramMode = decision_.programMode;

    host::TScreenSaverServices hostServices;
    hostServices.Registry = &services_.registry;
    hostServices.Password = services_.password;
    hostServices.Inhibitor = services_.inhibitor;
    hostServices.MessageBox = &services_.messageBox;
    hostServices.WindowManagerRunning = services_.windowManagerRunning;
    hostServices.EndApplication = [this] { EndApplication(); };
    screenSaver_ = std::make_unique<host::TScreenSaver>(
        *this, host::TScreenSaverCommandLine{decision_.switchLetter, decision_.windowHandle}, std::move(hostServices));
    auto& saver = *screenSaver_;
    saver.AutoEnable = false;
    saver.ConfigurationBoxStyle = host::TConfigBoxStyle::cbsPanel;
    saver.ConfigurationBoxPanel = cfgBox_;
    saver.OnPreviewActive = [this](host::TScreenSaver& s) { ScreenSaverPreviewActive(s); };
    saver.OnMainSaverActive = [this](host::TScreenSaver& s) { ScreenSaverMainSaverActive(s); };
    saver.OnConfigBoxActive = [this](host::TScreenSaver& s) { ScreenSaverConfigBoxActive(s); };
    saver.Loaded();

    if (ProgramMode)
        saver.RunMainSaver();
    else
        saver.Dispatch();
    if (ending_)
        return false;
    if (PreviewModeActive) {
        StartPreview();
        return true;
    }
    if (SaverModeActive)
        return StartShow();
    return !ending_;
}

void TSSWindow::ScreenSaverMainSaverActive(host::TScreenSaver&) { SaverModeActive = true; }

void TSSWindow::ScreenSaverPreviewActive(host::TScreenSaver& sender) {
    PreviewModeActive = true;
    ScreenSaverMainSaverActive(sender);
}

void TSSWindow::ScreenSaverConfigBoxActive(host::TScreenSaver&) {
    if (ending_ || isVisible())
        return;
    if (!ReadData(true))
        return;
    if (auto* label = cfgBox_->findChild<QLabel*>(QStringLiteral("lbTitle")))
        label->setText(title_);
    show();
}

bool TSSWindow::ReadData(bool SettingsOnly) {
    auto report = [this](const std::string& why) {
        (void)why;
        if (screenSaver_)
            screenSaver_->ShowCursor();
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
    QScreen* primary = QGuiApplication::primaryScreen();
    const QSize size = primary ? primary->geometry().size() : QSize(800, 600);
    slideshow::TShowContent content{state_.Payload, engineFilePath_, *tempFolder, {}};
    if (auto logo = slideshow::LoadLogo(state_.Payload.Header, engineFilePath_, *tempFolder); logo.ok())
        content.Logo = std::move(logo).value();
    show_ = std::make_unique<ShowSession>(*this, size.width(), size.height(), std::move(content),
                                          [this] { close(); }, this,
                                          ShowMusicSources{&services_.registry, state_.UseCustomPlaylist});

    InstallInputFilter();

    // Further monitors than the second get nothing.
    const QList<QScreen*> screens = QGuiApplication::screens();
    MultiMonitor = screens.size() > 1;
    if (MultiMonitor) {
        QScreen* second = screens.at(1) == primary && primary ? screens.at(0) : screens.at(1);
        show_->AddSecondMonitor(second->geometry(), !services_.windowManagerRunning);
    }

    if (!isVisible())
        show();
    activateWindow();
    raise();
    if (Status started = show_->Start(); !started) {
        EndApplication();
        return false;
    }
    return true;
}

void TSSWindow::StartPreview() {
    if (!screenSaver_ || !screenSaver_->Embedded())
        resize(host::kPreviewWidth, host::kPreviewHeight);
    show();
    // The desktop ends a preview by destroying its window; X11 does not tell a foreign child's
    // toolkit, so look now and then and leave with it.
    if (screenSaver_ && screenSaver_->Embedded() && services_.windowExists && decision_.windowHandle) {
        const uint64_t parent = *decision_.windowHandle;
        previewWatch_ = new QTimer(this);
        connect(previewWatch_, &QTimer::timeout, this, [this, parent] {
            if (!services_.windowExists(parent)) {
                // A child of a foreign window cannot be closed like a top-level one (Qt refuses,
                // and with it the application's quit), and nothing of the preview needs saving.
                previewWatch_->stop();
                ending_ = true;
                QCoreApplication::exit(0);
            }
        });
        previewWatch_->start(kPreviewWatchMs);
    }
}

void TSSWindow::InstallInputFilter() {
    if (filterInstalled_)
        return;
    qApp->installEventFilter(this);
    filterInstalled_ = true;
}

void TSSWindow::RemoveInputFilter() {
    if (!filterInstalled_)
        return;
    qApp->removeEventFilter(this);
    filterInstalled_ = false;
}

bool TSSWindow::eventFilter(QObject* watched, QEvent* event) {
    if (!filterInstalled_ || !show_ || closed_)
        return false;
    const std::optional<host::InputMessage> message = host::MapQtEvent(watched, event, this);
    if (!message)
        return false;
    if (message->kind == host::InputKind::Activate || message->kind == host::InputKind::ActivateApp) {
        // Only a change counts: Qt repeats activation news (several deliveries, the application
        // state beside the window's), and the show's own start activates the window and the
        // application once, which is no input either.
        bool& active = message->kind == host::InputKind::Activate ? windowActive_ : applicationActive_;
        const bool nowActive =
            message->kind == host::InputKind::Activate
                ? event->type() == QEvent::WindowActivate
                : static_cast<QApplicationStateChangeEvent*>(event)->applicationState() == Qt::ApplicationActive;
        if (nowActive == active)
            return false;
        active = nowActive;
        if (!activationArmed_) {
            activationArmed_ = windowActive_ && applicationActive_;
            return false;
        }
    }
    DeactivateScrSaver(*message);
    return false;  // every message goes on to its normal processing
}

void TSSWindow::DeactivateScrSaver(const host::InputMessage& message) {
    QtCursorPosition cursor;
    host::InputExitState state;
    const auto& header = state_.Payload.Header;
    state.Suspended = show_->Controller().Suspended();
    state.CursorAtShow = CursorAtShow;
    state.MultiMonitor = MultiMonitor;
    state.ExitMouseMove = header.ExitMouseMove;
    state.ExitMouseButton = header.ExitMouseButton;
    state.ExitKeyboard = header.ExitKeyboard;
    state.ExitESC = header.ExitESC;
    state.F1Link = state_.Payload.Strings.F1Link;
    const host::ExitDecision decision = host::TInputExitPolicy(cursor, state).Decide(message);

    if (decision.showCursor && screenSaver_)
        screenSaver_->ShowCursor();
    if (decision.replaceExitLinkWithF1Link)
        state_.Payload.Strings.ExitLink = state_.Payload.Strings.F1Link;
    if (decision.setWallpaper)
        SetCurrentPictureAsWallpaper();
    if (decision.exit)
        show_->Controller().FinishScreenSaver(true);
}

void TSSWindow::SetCurrentPictureAsWallpaper() {}

bool TSSWindow::VerifyPassword() { return screenSaver_ ? screenSaver_->VerifyPassword() : true; }

void TSSWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    const QPoint p = QCursor::pos();
    CursorAtShow = {p.x(), p.y()};
}

void TSSWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // A hidden window no longer reacts to input. Minimising is no hiding.
    if (!event->spontaneous())
        RemoveInputFilter();
}

void TSSWindow::FormClose() {
    if (closed_)
        return;
    closed_ = true;
    if (show_)
        show_->Controller().FormClose();
    hide();
    RemoveInputFilter();
    if (show_)
        show_->CloseSecondMonitor();
    // The host gives back the desktop's screensaver and the cursor.
    if (screenSaver_)
        screenSaver_->Destroy();
    unsetCursor();
    // Every close of the configuration dialog stores all fifteen values; there is no cancel.
    if (decision_.mode == RunMode::Configuration && !ending_) {
        auto settings = payload::CurrentSettings(state_.Payload.Header, state_.Payload.Strings, state_.UseCustomPlaylist);
        (void)payload::SaveSettings(services_.registry, state_.Payload.Strings.Title, settings);
    }
}

void TSSWindow::FormDestroy() {
    // The caption translation table is released with the configuration work that brings it.
}

void TSSWindow::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TSSWindow::paintEvent(QPaintEvent* event) {
    if (!SaverModeActive || PreviewModeActive) {
        QWidget::paintEvent(event);
        return;
    }
    if (show_) {
        PaintShowBitmap(*this, show_->Screen());
        return;
    }
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, title_);
}

void TSSWindow::EndApplication() {
    ending_ = true;
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

} // namespace vorlandite::app

#include "app/TSSWindow.h"

#include "app/ForeignWindowWatch.h"
#include "app/ShowSession.h"
#include "host/QtInputMessage.h"
#include "platform/PlatformPaths.h"
#include "platform/ProcessHardening.h"
#include "raster/canvas/QtDesktopCapture.h"
#include "raster/canvas/QtImageBridge.h"
#include "slideshow/LogoOverlay.h"

#include "audio/MediaPlayer.h"
#include "base/Windows1252.h"
#include "payload/SettingsStore.h"
#include "slideshow/PreviewImage.h"
#include "slideshow/Wallpaper.h"
#include "ui/AboutWindow.h"
#include "ui/CaptionTable.h"
#include "ui/ExitWindow.h"
#include "ui/ConfigPanel.h"
#include "ui/PlaylistWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace vorlandite::app {

namespace {

constexpr int kPreviewWatchMs = 1000;
// A host ends its saver by destroying the window or resizes it on a monitor change: looked at
// ten times a second, the show follows well within a second.
constexpr int kHostWatchMs = 100;

std::string WindowIdText(uint64_t window) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(window));
    return text;
}

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

    cfgBox_ = new ui::ConfigPanel(this);
    cfgBox_->OpenAddress = [this](const std::string& address) { OpenAddress(address); };
    cfgBox_->EditPlaylist = [this] { btnPlaylistEditorClick(); };
    cfgBox_->ShowAbout = [this] { btnAboutClick(); };
    cfgBox_->CloseWindow = [this] { close(); };
}

TSSWindow::~TSSWindow() {
    RemoveInputFilter();
    FormDestroy();
    show_.reset();
    screenSaver_.reset();
}

bool TSSWindow::FormCreate() {
    decision_ = DecideRunMode(engineFilePath_, arguments_, std::getenv("XSCREENSAVER_WINDOW"));
    ProgramMode = decision_.programMode;

    host::ScreenSaverServices hostServices;
    hostServices.registry = &services_.registry;
    hostServices.password = services_.password;
    hostServices.inhibitor = services_.inhibitor;
    hostServices.messageBox = &services_.messageBox;
    hostServices.windowManagerRunning = services_.windowManagerRunning;
    hostServices.EndApplication = [this] { EndApplication(); };
    screenSaver_ = std::make_unique<host::TScreenSaver>(
        *this, host::ScreenSaverCommandLine{decision_.switchLetter, decision_.windowHandle, decision_.hostWindow},
        std::move(hostServices));
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
    else if (decision_.mode == RunMode::HostedShow)
        return StartHostedShow();
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
    const auto& header = state_.Payload.header;
    const auto& strings = state_.Payload.strings;
    ui::PanelPayload panelPayload;
    panelPayload.ConfigBannerSize = header.ConfigBannerSize;
    panelPayload.AllowCustomPlaylist = header.AllowCustomPlaylist;
    panelPayload.MelodyCount = header.MelodyCount;
    panelPayload.HideGeneralTab = header.HideGeneralTab;
    panelPayload.HidePositionTab = header.HidePositionTab;
    panelPayload.HideEffectsTab = header.HideEffectsTab;
    panelPayload.HideSoundTab = header.HideSoundTab;
    panelPayload.HideBehaviorTab = header.HideBehaviorTab;
    panelPayload.WebAddress = strings.WebAddress;
    panelPayload.BannerLink = strings.BannerLink;
    cfgBox_->Configure(panelPayload, payload::CurrentSettings(header, strings, state_.UseCustomPlaylist));
    // The arrangement may have made the panel shorter: the dialog follows it, centred again.
    setFixedSize(cfgBox_->size());
    if (QScreen* primary = QGuiApplication::primaryScreen())
        move(primary->availableGeometry().center() - rect().center());
    cfgBox_->StartEffectPreview();
    show();
}

void TSSWindow::OpenAddress(const std::string& address) {
    if (address == cfgBox_->WebAddress())
        state_.Payload.strings.WebAddress = address;  // the Website button keeps its "http://"
    QDesktopServices::openUrl(QUrl(QString::fromStdString(Cp1252ToUtf8(address))));
}

void TSSWindow::btnAboutClick() {
    if (!aboutWindow_)
        aboutWindow_ = new ui::TAboutWindow(state_.Payload.strings, shell_, this);
    aboutWindow_->exec();
}

void TSSWindow::btnPlaylistEditorClick() {
    if (!playlistWindow_) {
        editorPlayer_ = std::make_unique<audio::MediaPlayer>();
        playlistWindow_ = new ui::TPlaylistWindow(services_.registry, *editorPlayer_, services_.messageBox, this);
    }
    playlistWindow_->SetTitle(state_.Payload.strings.Title);
    playlistWindow_->RenameFormControls();
    playlistWindow_->LoadCustomPlayList();
    playlistWindow_->exec();
    // Stored however the editor was closed.
    playlistWindow_->SaveCustomPlayList();
}

bool TSSWindow::ReadData(bool SettingsOnly) {
    auto report = [this](const std::string& why) {
        if (HostedMode)
            return FailHosted(why);
        // The box gives the fixed message; the cause goes to stderr for whoever looks into it.
        std::fprintf(stderr, "vorlandite-engine: %s\n", why.c_str());
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
    ui::LoadCaptionTable(state_.Payload.strings.Translation, ui::kCaptionSection);
    title_ = QString::fromStdString(Cp1252ToUtf8(state_.Payload.strings.Title));
    QApplication::setApplicationName(title_);
    setWindowTitle(title_);
    return true;
}

std::unique_ptr<ShowSession> TSSWindow::MakeShowSession(QSize size, const std::string& tempFolder) {
    slideshow::ShowContent content{state_.Payload, engineFilePath_, tempFolder, {}};
    if (auto logo = slideshow::LoadLogo(state_.Payload.header, engineFilePath_, tempFolder); logo.ok())
        content.logo = std::move(logo).value();
    // A hosted show never asks for a password: the host owns the lock.
    return std::make_unique<ShowSession>(*this, size.width(), size.height(), std::move(content), [this] { close(); },
                                         HostedMode ? nullptr : this,
                                         ShowMusicSources{&services_.registry, state_.UseCustomPlaylist},
                                         TakeDesktopPicture(size));
}

std::unique_ptr<raster::DesktopCapture> TSSWindow::TakeDesktopPicture(QSize size) {
    const auto& header = state_.Payload.header;
    if (!header.DesktopStart && !header.DesktopBackground)
        return nullptr;
    Result<raster::TBitmap32> picture = MakeError("no desktop picture");
    if (!HostedMode) {
        // Taken while the show's window is not up yet: afterwards the screen shows the show.
        picture = raster::QtDesktopCapture().GrabScreen();
    } else {
        if (services_.hostScreenshot)
            picture = services_.hostScreenshot();
        // A host that keeps no screenshot: the desktop is black.
        if (!picture) {
            picture = raster::TBitmap32::Create(size.width(), size.height());
            if (picture)
                picture->Clear(0xFF000000u);
        }
    }
    return std::make_unique<raster::SnapshotDesktop>(std::move(picture), size.width(), size.height());
}

bool TSSWindow::StartShow() {
    if (!ReadData(false))
        return false;
    NoteTiming("payload-read");
    if (ProgramMode && !state_.Payload.header.RunAsProgram) {
        EndApplication();  // silently: this payload may not run as a program
        return false;
    }
    auto tempFolder = platform::TempFolder();
    if (!tempFolder) {
        if (HostedMode)
            return FailHosted(tempFolder.message());
        services_.messageBox.Show(title_.toStdString(), std::string(payload::kPayloadFailureMessage),
                                  platform::MessageIcon::Error);
        EndApplication();
        return false;
    }
    QScreen* primary = QGuiApplication::primaryScreen();
    const QSize size = HostedMode ? hostSize_ : primary ? primary->geometry().size() : QSize(800, 600);
    show_ = MakeShowSession(size, *tempFolder);
    NoteTiming("session-made");

    if (!HostedMode) {
        InstallInputFilter();
        // Further monitors than the second get nothing. A hosted show has one window per
        // monitor, each with a process of its own.
        const QList<QScreen*> screens = QGuiApplication::screens();
        MultiMonitor = screens.size() > 1;
        if (MultiMonitor) {
            QScreen* second = screens.at(1) == primary && primary ? screens.at(0) : screens.at(1);
            show_->AddSecondMonitor(second->geometry(), !services_.windowManagerRunning);
        }
    }

    // The show paints every pixel of the window: no background fill before each frame.
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (!isVisible())
        show();
    if (!HostedMode) {
        activateWindow();
        raise();
        if (screenSaver_->AsksPassword()) {
            // Nothing of the password typed later may leave the process through a core file or
            // a debugger of the same user.
            if (Status protectedProcess = platform::ProtectPasswordProcess(); !protectedProcess)
                std::fprintf(stderr, "vorlandite-engine: %s\n", protectedProcess.message().c_str());
            screenHold_ = std::make_unique<host::ScreenHold>(*this, services_.inputGrab);
            if (SecondMonitorWindow* second = show_->SecondMonitorWindowIfAny()) {
                screenHold_->AddWindow(*second);
                second->RefuseOutsideClose(true);
            }
            screenHold_->Start();
        }
    }
    NoteTiming("window-shown");
    if (Status started = show_->Start(); !started) {
        if (HostedMode)
            return FailHosted(started.message());
        EndApplication();
        return false;
    }
    NoteTiming("first-item-loaded");
    return true;
}

bool TSSWindow::FailHosted(const std::string& why) {
    std::fprintf(stderr, "vorlandite-engine: %s\n", why.c_str());
    EndApplication(1);
    return false;
}

bool TSSWindow::StartHostedShow() {
    HostedMode = true;
    if (!decision_.hostWindow || *decision_.hostWindow == 0)
        return FailHosted(decision_.hostWindowSource + " does not name a window");
    const std::string window = WindowIdText(*decision_.hostWindow);
    std::optional<QSize> size;
    if (services_.hostWindowSize) {
        size = services_.hostWindowSize();
    } else if (QScreen* primary = QGuiApplication::primaryScreen()) {
        size = primary->geometry().size();
    }
    if (!size)
        return FailHosted("the host window " + window + " does not exist");
    if (size->isEmpty())
        return FailHosted("the host window " + window + " has no area");
    screenSaver_->RunHostedSaver();
    if (!screenSaver_->Embedded() || !SaverModeActive)
        return FailHosted("cannot draw in the host window " + window);
    hostSize_ = *size;
    setGeometry(0, 0, hostSize_.width(), hostSize_.height());
    if (!StartShow())
        return false;
    WatchHostWindow();
    return true;
}

void TSSWindow::WatchHostWindow() {
    if (!services_.hostWindowSize)
        return;
    hostWatch_ = new ForeignWindowWatch(
        this, services_.hostWindowSize, kHostWatchMs,
        [this] { Terminate(); },  // the host took its window away: the show is over
        [this](QSize size) {
            if (size != hostSize_ && !size.isEmpty())
                RestartHostedShow(size);
        });
}

void TSSWindow::RestartHostedShow(QSize size) {
    // The worker draws on the screen bitmap of the size it started with; the next look comes
    // soon enough after the transition.
    if (!show_ || show_->Controller().TransitionInProgress())
        return;
    auto tempFolder = platform::TempFolder();
    if (!tempFolder)
        return;
    hostSize_ = size;
    show_->Controller().StopMedia();
    show_->Controller().FormClose();
    show_.reset();
    setGeometry(0, 0, size.width(), size.height());
    // Every layer of the show (background, placement, captions) follows the new size: the show
    // starts over in it.
    show_ = MakeShowSession(size, *tempFolder);
    if (Status started = show_->Start(); !started) {
        FailHosted(started.message());
        return;
    }
    update();
}

void TSSWindow::StartPreview() {
    // The payload's preview picture, stretched over the little window; without one it stays black.
    if (auto tempFolder = platform::TempFolder())
        if (auto picture = slideshow::LoadPreviewImage(engineFilePath_, *tempFolder); picture.ok() && picture->has_value())
            previewPicture_ = std::move(**picture);
    if (!screenSaver_ || !screenSaver_->Embedded())
        resize(host::kPreviewWidth, host::kPreviewHeight);
    show();
    // The desktop ends a preview by destroying its window.
    if (screenSaver_ && screenSaver_->Embedded() && services_.windowExists && decision_.windowHandle) {
        const uint64_t parent = *decision_.windowHandle;
        previewWatch_ = new ForeignWindowWatch(
            this, [this, parent] { return services_.windowExists(parent) ? std::optional(QSize()) : std::nullopt; },
            kPreviewWatchMs, [this] {
                // A child of a foreign window cannot be closed like a top-level one (Qt refuses,
                // and with it the application's quit), and nothing of the preview needs saving.
                ending_ = true;
                QCoreApplication::exit(0);
            });
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
    bool nowActive = false;
    if (message->kind == host::InputKind::Activate)
        nowActive = event->type() == QEvent::WindowActivate;
    else if (message->kind == host::InputKind::ActivateApp)
        nowActive = static_cast<QApplicationStateChangeEvent*>(event)->applicationState() == Qt::ApplicationActive;
    if (!activationNews_.CountsAsInput(message->kind, nowActive, QGuiApplication::focusWindow() != nullptr))
        return false;
    DeactivateScrSaver(*message);
    return false;  // every message goes on to its normal processing
}

void TSSWindow::DeactivateScrSaver(const host::InputMessage& message) {
    QtCursorPosition cursor;
    host::InputExitState state;
    const auto& header = state_.Payload.header;
    state.Suspended = show_->Controller().Suspended();
    state.CursorAtShow = CursorAtShow;
    state.MultiMonitor = MultiMonitor;
    state.ExitMouseMove = header.ExitMouseMove;
    state.ExitMouseButton = header.ExitMouseButton;
    state.ExitKeyboard = header.ExitKeyboard;
    state.ExitESC = header.ExitESC;
    state.F1Link = state_.Payload.strings.F1Link;
    const host::ExitDecision decision = host::InputExitPolicy(cursor, state).Decide(message);

    if (decision.showCursor && screenSaver_)
        screenSaver_->ShowCursor();
    if (decision.replaceExitLinkWithF1Link)
        state_.Payload.strings.ExitLink = state_.Payload.strings.F1Link;
    if (decision.setWallpaper)
        SetCurrentPictureAsWallpaper();
    if (decision.exit) {
        NoteTiming("exit-input");
        show_->Controller().FinishScreenSaver(true);
    }
}

void TSSWindow::SetCurrentPictureAsWallpaper() {
    auto tempFolder = platform::TempFolder();
    if (!show_ || !tempFolder)
        return;
    // A failure leaves the wallpaper as it was; the show goes on either way.
    (void)slideshow::SetCurrentImageAsWallpaper(
        show_->Controller().CurrentPictureIndex(), state_.Payload, engineFilePath_,
        slideshow::WallpaperServices{services_.registry, wallpaper_, platform::WindowsFolder(), *tempFolder},
        slideshow::WallpaperScreen{&show_->PictureBitmap(), [this](const raster::Rect& r) { show_->Repaint(r); }});
}

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
    NoteTiming("form-close");
    if (screenHold_)
        screenHold_->Stop();
    const bool transitionRunning = show_ && show_->Controller().TransitionInProgress();
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
        // A full or read-only folder must not lose the user's changes without a word.
        if (Status saved =
                payload::SaveSettings(services_.registry, state_.Payload.strings.Title, cfgBox_->ReadSettings());
            !saved)
            services_.messageBox.Show(title_.toStdString(), saved.message(), platform::MessageIcon::Error);
    }
    // The end of a full-screen show: the exit link (F1 may have replaced it), then the exit banner,
    // which is modal, so the program ends once the user has closed it.
    if (show_ && !PreviewModeActive && !HostedMode && !ending_) {
        ui::OpenExitLink(state_.Payload.strings, shell_);
        if (state_.Payload.header.ExitBannerStoredSize > 0 && !transitionRunning)
            if (auto tempFolder = platform::TempFolder())
                (void)ui::DisplayExitBanner(exitBanner_, state_.Payload, engineFilePath_, *tempFolder, shell_);
    }
}

void TSSWindow::Terminate() {
    if (terminated_)
        return;
    terminated_ = true;
    ending_ = true;  // no exit link, no exit banner, no settings stored
    if (hostWatch_)
        hostWatch_->Stop();
    if (previewWatch_)
        previewWatch_->Stop();
    if (show_)
        show_->Controller().StopMedia();
    FormClose();
    // Every event loop, a modal dialog's included, ends with this.
    QCoreApplication::exit(0);
}

void TSSWindow::FormDestroy() { ui::FreeCaptionTable(); }

void TSSWindow::closeEvent(QCloseEvent* event) {
    // A window manager's close (what Alt+F4 sends) must not walk around the password question.
    if (screenHold_ && screenHold_->Holding() && event->spontaneous()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TSSWindow::paintEvent(QPaintEvent* event) {
    if (PreviewModeActive) {
        QWidget::paintEvent(event);
        if (!previewPicture_.Empty()) {
            QPainter painter(this);
            slideshow::PaintPreviewImage(painter, rect(), previewPicture_);
        }
        return;
    }
    if (!SaverModeActive) {
        QWidget::paintEvent(event);
        return;
    }
    if (show_) {
        QPainter painter(this);
        raster::PaintOpaque(painter, rect(), show_->Screen());
        static bool firstShowPaint = true;
        if (std::exchange(firstShowPaint, false))
            NoteTiming("first-paint");
        return;
    }
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, title_);
}

void TSSWindow::EndApplication(int exitCode) {
    ending_ = true;
    QTimer::singleShot(0, qApp, [exitCode] { QCoreApplication::exit(exitCode); });
}

} // namespace vorlandite::app

#include "host/ScreenSaver.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace vorlandite::host {

TScreenSaver::TScreenSaver(QWidget& owner, ScreenSaverCommandLine commandLine, ScreenSaverServices services)
    : owner_(owner), commandLine_(commandLine), services_(std::move(services)) {}

TScreenSaver::~TScreenSaver() { Destroy(); }

void TScreenSaver::Raise(const std::function<void(TScreenSaver&)>& event) {
    if (event)
        event(*this);
}

void TScreenSaver::EndApplication() {
    if (services_.EndApplication)
        services_.EndApplication();
    else
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void TScreenSaver::HideCursor() {
    if (cursorHidden_)
        return;
    cursorHidden_ = true;
    QGuiApplication::setOverrideCursor(Qt::BlankCursor);
}

void TScreenSaver::ShowCursor() {
    if (!cursorHidden_)
        return;
    cursorHidden_ = false;
    QGuiApplication::restoreOverrideCursor();
}

void TScreenSaver::Loaded() {
    // The panel must belong to the owner window; anything else falls back to the message style.
    if (!ConfigurationBoxPanel || !owner_.isAncestorOf(ConfigurationBoxPanel)) {
        ConfigurationBoxStyle = TConfigBoxStyle::cbsMessageDlg;
        ConfigurationBoxPanel = nullptr;
    } else if (AutoPanelHide) {
        ConfigurationBoxPanel->hide();
    }
    if (AutoEnable)
        Dispatch();
}

void TScreenSaver::Dispatch() {
    switch (commandLine_.switchLetter) {
    case 'P': RunPreview(); break;
    case 'S': RunMainSaver(); break;
    case 'A': RunPasswordSet(); break;
    default: RunConfigBox(); break;
    }
}

void TScreenSaver::RunPreview() {
    Raise(OnBeforePreviewActive);
    // A child of the desktop's preview window that takes no input of its own: clicks and keys
    // belong to the settings dialog around it.
    if (PreviewWindow && commandLine_.windowHandle && EmbedInto(*commandLine_.windowHandle))
        owner_.setGeometry(0, 0, kPreviewWidth, kPreviewHeight);
    Raise(OnPreviewActive);
}

bool TScreenSaver::EmbedInto(uint64_t window) {
    if (window == 0)
        return false;
    QWindow* parent = QWindow::fromWinId(WId(window));
    if (!parent)
        return false;
    owner_.setAttribute(Qt::WA_NativeWindow);
    owner_.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowTransparentForInput);
    owner_.createWinId();
    QWindow* own = owner_.windowHandle();
    if (!own)
        return false;
    own->setParent(parent);
    embedded_ = true;
    return true;
}

void TScreenSaver::RunHostedSaver() {
    Raise(OnBeforeMainSaverActive);
    if (commandLine_.hostWindow && EmbedInto(*commandLine_.hostWindow))
        Raise(OnMainSaverActive);
}

void TScreenSaver::RunMainSaver() {
    Raise(OnBeforeMainSaverActive);
    if (MainScreenSaver) {
        if (AutoMouseHide)
            HideCursor();
        Qt::WindowFlags flags = Qt::Window;
        if (AutoBorderLess)
            flags |= Qt::FramelessWindowHint;
        if (AutoOnTop)
            flags |= Qt::WindowStaysOnTopHint;
        // No window manager: nobody would honour the full-screen request or the stacking hint.
        if (!services_.windowManagerRunning && (AutoMaximize || AutoOnTop))
            flags |= Qt::X11BypassWindowManagerHint;
        owner_.setWindowFlags(flags);
        if (AutoMaximize) {
            if (QScreen* primary = QGuiApplication::primaryScreen())
                owner_.setGeometry(primary->geometry());
            if (services_.windowManagerRunning)
                owner_.setWindowState(owner_.windowState() | Qt::WindowFullScreen);
        }
    }
    // The desktop's own screensaver must not start over the show, whatever the window looks like.
    if (services_.inhibitor && !hooked_) {
        services_.inhibitor->Suspend();
        hooked_ = true;
    }
    Raise(OnMainSaverActive);
}

void TScreenSaver::RunConfigBox() {
    Raise(OnBeforeConfigBoxActive);
    if (ConfigurationBox && ConfigurationBoxStyle == TConfigBoxStyle::cbsPanel && ConfigurationBoxPanel) {
        const QString panelName = ConfigurationBoxPanel->objectName();
        for (QFrame* panel : owner_.findChildren<QFrame*>()) {
            if (panel != ConfigurationBoxPanel && panel->objectName() != panelName &&
                !ConfigurationBoxPanel->isAncestorOf(panel))
                panel->hide();
        }
        ConfigurationBoxPanel->move(0, 0);
        ConfigurationBoxPanel->show();
        ConfigurationBoxPanel->raise();
        const QSize client = ConfigurationBoxPanel->size();
        owner_.setWindowState(Qt::WindowNoState);
        owner_.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
        owner_.setFixedSize(client);
        if (QScreen* primary = QGuiApplication::primaryScreen()) {
            const QRect area = primary->availableGeometry();
            owner_.move(area.left() + (area.width() - client.width()) / 2,
                        area.top() + (area.height() - client.height()) / 2);
        }
    } else if (ConfigurationBox && ConfigurationBoxStyle == TConfigBoxStyle::cbsMessageDlg) {
        owner_.setWindowState(Qt::WindowNoState);
        owner_.move(-(owner_.width() + 100), owner_.y());
        if (services_.messageBox)
            services_.messageBox->Show(QGuiApplication::applicationDisplayName().toStdString(),
                                       ConfigurationBoxMessage, platform::MessageIcon::Information);
        Raise(OnConfigBoxActive);
        EndApplication();
    }
    Raise(OnConfigBoxActive);
}

void TScreenSaver::RunPasswordSet() {
    Raise(OnBeforePasswordSet);
    // The password belongs to the desktop's own account settings: there is no dialog of the
    // screensaver's to run here, only the end of the program.
    if (PasswordSetting)
        owner_.setWindowState(Qt::WindowMinimized);
    Raise(OnPasswordSet);
    if (PasswordSetting)
        EndApplication();
}

bool TScreenSaver::VerifyPassword() {
    if (AutoMouseHide)
        ShowCursor();
    // Only the desktop's own start asks: configuration, preview and program starts never do.
    if (commandLine_.switchLetter != 'S')
        return true;
    if (!services_.registry || !platform::ScreenSaveUsePassword(*services_.registry))
        return true;
    const std::optional<bool> given = services_.password ? services_.password->Verify() : std::nullopt;
    if (!given)
        return true;  // no way to ask on this desktop: the show may end
    if (!*given && AutoMouseHide)
        HideCursor();
    return *given;
}

bool TScreenSaver::AsksPassword() const {
    return commandLine_.switchLetter == 'S' && services_.registry && services_.password &&
           platform::ScreenSaveUsePassword(*services_.registry);
}

void TScreenSaver::Destroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    if (hooked_ && services_.inhibitor)
        services_.inhibitor->Restore();
    hooked_ = false;
    if (AutoMouseHide)
        ShowCursor();
}

} // namespace vorlandite::host

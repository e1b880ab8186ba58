#pragma once
// The engine's one main window. It exists in every run mode and becomes the full-screen show,
// the preview, or the configuration dialog through the screensaver host component. The run mode
// is decided once, in FormCreate.

#include "app/RunMode.h"
#include "app/StartupReading.h"
#include "host/ActivationNews.h"
#include "host/InputExitPolicy.h"
#include "host/ScreenHold.h"
#include "host/ScreenSaver.h"
#include "platform/InputGrab.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/ScreenSaverInhibitor.h"
#include "platform/ScreenSaverPassword.h"
#include "platform/qt/QtShellOpen.h"
#include "platform/DesktopWallpaper.h"
#include "raster/DesktopCapture.h"
#include "raster/TBitmap32.h"
#include "slideshow/ExitBanner.h"
#include "slideshow/controller/ShowDisplay.h"

#include <QSize>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTimer;

namespace vorlandite::audio {
class IMediaPlayer;
}
namespace vorlandite::ui {
class TAboutWindow;
class ConfigPanel;
class TPlaylistWindow;
} // namespace vorlandite::ui

namespace vorlandite::app {

class ForeignWindowWatch;

class ShowSession;

struct EngineServices {
    platform::Registry& registry;
    platform::MessageBox& messageBox;
    platform::ScreenSaverInhibitor* inhibitor = nullptr;  // null: nothing to hold off
    platform::ScreenSaverPassword* password = nullptr;    // null: no password question
    bool windowManagerRunning = true;
    // Answers whether the preview's host window still exists; null: assume it does.
    std::function<bool(uint64_t)> windowExists;
    // A hosted show's window: its size now, nullopt once it is gone. Null: the primary screen's
    // size, and the window is taken to stay.
    std::function<std::optional<QSize>()> hostWindowSize;
    // The screenshot a screensaver host keeps of the desktop it covers, placed for its window;
    // null: the host keeps none.
    std::function<Result<raster::TBitmap32>()> hostScreenshot;
    // Keyboard and pointer grabs for a show that asks for a password; null: none to be had.
    platform::InputGrab* inputGrab = nullptr;
};

class TSSWindow : public QWidget, public slideshow::IPasswordCheck {
    Q_OBJECT
public:
    TSSWindow(EngineServices services, std::string engineFilePath, std::vector<std::string> arguments);
    ~TSSWindow() override;

    // Decides the run mode and starts it. False when the mode has already ended the
    // application (password change, an unreadable payload, a refused program-mode start).
    bool FormCreate();

    // Reads the payload and the stored settings; on failure shows the payload failure message
    // and ends the application.
    bool ReadData(bool SettingsOnly);

    // The host's password question, for the show's finish.
    bool VerifyPassword() override;

    // Ends the program at once and cleanly, whatever the mode (a termination signal): the media
    // stop, the show's files go, the desktop's screensaver settings and the cursor are given
    // back; no password question, exit link, exit banner or saving of settings. Exit status 0.
    void Terminate();

    const StartupPayload& State() const { return state_; }
    host::TScreenSaver* ScreenSaver() { return screenSaver_.get(); }
    ui::ConfigPanel* ConfigPanel() { return cfgBox_; }

    // Mode flags: set once, never cleared.
    bool SaverModeActive = false;
    bool PreviewModeActive = false;
    bool ProgramMode = false;
    bool MultiMonitor = false;
    // The show runs inside a screensaver host's window: the host owns input and locking.
    bool HostedMode = false;

    // Where the cursor was when the window was last shown (screen coordinates).
    host::InputPoint CursorAtShow;

protected:
    void closeEvent(QCloseEvent* event) override;  // FormClose
    void showEvent(QShowEvent* event) override;    // FormShow
    void hideEvent(QHideEvent* event) override;    // FormHide
    void paintEvent(QPaintEvent* event) override;
    // DeactivateScrSaver: the application-wide input filter of the full-screen show.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ScreenSaverMainSaverActive(host::TScreenSaver& sender);
    void ScreenSaverPreviewActive(host::TScreenSaver& sender);
    void ScreenSaverConfigBoxActive(host::TScreenSaver& sender);
    // The panel's buttons that reach beyond it.
    void OpenAddress(const std::string& address);
    void btnPlaylistEditorClick();
    void btnAboutClick();
    bool StartShow();
    bool StartHostedShow();
    // A hosted show at its host window's size; the show starts again when that size changes.
    void WatchHostWindow();
    void RestartHostedShow(QSize size);
    std::unique_ptr<ShowSession> MakeShowSession(QSize size, const std::string& tempFolder);
    // The desktop picture the show starts on or uses as background, when its settings want one.
    std::unique_ptr<raster::DesktopCapture> TakeDesktopPicture(QSize size);
    // Why a hosted show cannot start: on stderr (a hosted show opens no window of its own), then
    // the end with a failure status.
    bool FailHosted(const std::string& why);
    void StartPreview();
    void InstallInputFilter();
    void RemoveInputFilter();
    void DeactivateScrSaver(const host::InputMessage& message);
    // F2 while keyboard exit is on; the wallpaper action comes with the configuration work.
    void SetCurrentPictureAsWallpaper();
    void FormClose();
    void FormDestroy();
    // Leaves the event loop once it runs, with `exitCode` as the program's status.
    void EndApplication(int exitCode = 0);

    EngineServices services_;
    std::string engineFilePath_;
    std::vector<std::string> arguments_;
    RunModeDecision decision_;
    StartupPayload state_;
    QString title_ = QStringLiteral("Screen Saver");
    bool ending_ = false;
    bool closed_ = false;
    ui::ConfigPanel* cfgBox_ = nullptr;  // the configuration panel (owned by the window)
    // The playlist editor and its preview player, made when the editor is first opened.
    std::unique_ptr<audio::IMediaPlayer> editorPlayer_;
    ui::TPlaylistWindow* playlistWindow_ = nullptr;
    ui::TAboutWindow* aboutWindow_ = nullptr;  // made when About is first opened
    platform::QtShellOpen shell_;
    platform::SessionDesktopWallpaper wallpaper_;
    slideshow::ExitBanner exitBanner_;
    raster::TBitmap32 previewPicture_;  // empty: the preview stays black
    std::unique_ptr<host::TScreenSaver> screenSaver_;
    std::unique_ptr<ShowSession> show_;  // the full-screen show, while it runs
    std::unique_ptr<host::ScreenHold> screenHold_;  // a show that asks for a password holds the screen
    bool filterInstalled_ = false;
    host::ActivationNews activationNews_;  // the show's own activation is no input
    ForeignWindowWatch* previewWatch_ = nullptr;
    ForeignWindowWatch* hostWatch_ = nullptr;
    QSize hostSize_;
    bool terminated_ = false;
};

} // namespace vorlandite::app

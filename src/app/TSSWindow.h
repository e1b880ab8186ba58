#pragma once
// The engine's one main window. It exists in every run mode and becomes the full-screen show,
// the preview, or the configuration dialog through the screensaver host component. The run mode
// is decided once, in FormCreate.

#include "app/RunMode.h"
#include "app/StartupReading.h"
#include "host/InputExitPolicy.h"
#include "host/ScreenSaver.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/ScreenSaverInhibitor.h"
#include "platform/ScreenSaverPassword.h"
#include "platform/qt/QtShellOpen.h"
#include "platform/DesktopWallpaper.h"
#include "raster/TBitmap32.h"
#include "slideshow/ExitBanner.h"
#include "slideshow/controller/ShowDisplay.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QTimer;

namespace vorlandite::audio {
class IMediaPlayer;
}
namespace vorlandite::ui {
class TAboutWindow;
class TConfigPanel;
class TPlaylistWindow;
} // namespace vorlandite::ui

namespace vorlandite::app {

class ShowSession;

struct EngineServices {
    platform::Registry& registry;
    platform::MessageBox& messageBox;
    platform::ScreenSaverInhibitor* inhibitor = nullptr;  // null: nothing to hold off
    platform::ScreenSaverPassword* password = nullptr;    // null: no password question
    bool windowManagerRunning = true;
    // Answers whether the preview's host window still exists; null: assume it does.
    std::function<bool(uint64_t)> windowExists;
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

    const RunModeDecision& Decision() const { return decision_; }
    const StartupPayload& State() const { return state_; }
    QString ApplicationTitle() const { return title_; }
    host::TScreenSaver* ScreenSaver() { return screenSaver_.get(); }
    ui::TConfigPanel* ConfigPanel() { return cfgBox_; }

    // Mode flags: set once, never cleared.
    bool SaverModeActive = false;
    bool PreviewModeActive = false;
    bool ProgramMode = false;
    bool MultiMonitor = false;

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
    void StartPreview();
    void InstallInputFilter();
    void RemoveInputFilter();
    void DeactivateScrSaver(const host::InputMessage& message);
    // F2 while keyboard exit is on; the wallpaper action comes with the configuration work.
    void SetCurrentPictureAsWallpaper();
    void FormClose();
    void FormDestroy();
    void EndApplication();

    EngineServices services_;
    std::string engineFilePath_;
    std::vector<std::string> arguments_;
    RunModeDecision decision_;
    StartupPayload state_;
    QString title_ = QStringLiteral("Screen Saver");
    bool ending_ = false;
    bool closed_ = false;
    ui::TConfigPanel* cfgBox_ = nullptr;  // the configuration panel (owned by the window)
    // The playlist editor and its preview player, made when the editor is first opened.
    std::unique_ptr<audio::IMediaPlayer> editorPlayer_;
    ui::TPlaylistWindow* playlistWindow_ = nullptr;
    ui::TAboutWindow* aboutWindow_ = nullptr;  // made when About is first opened
    platform::QtShellOpen shell_;
    platform::SessionDesktopWallpaper wallpaper_;
    slideshow::TExitBanner exitBanner_;
    raster::TBitmap32 previewPicture_;  // empty: the preview stays black
    std::unique_ptr<host::TScreenSaver> screenSaver_;
    std::unique_ptr<ShowSession> show_;  // the full-screen show, while it runs
    bool filterInstalled_ = false;
    // Activation messages count only once the show window and the application have both been
    // active: their first activation is the show starting, not input.
    bool activationArmed_ = false;
    bool windowActive_ = false;
    bool applicationActive_ = false;
    QTimer* previewWatch_ = nullptr;
};

} // namespace vorlandite::app

#pragma once
// The screensaver host: turns the main window into what the run mode asks for (the full-screen
// show, a child of the desktop's preview window, the configuration dialog, the password change)
// and answers whether the show may end. It raises its events so that the window can set its
// mode flags and start the mode's own work; it never starts a show by itself.
//
// The component works on its owner window alone. What it changes outside the window (the
// desktop's screensaver held off, the cursor hidden) it gives back in Destroy, which the window
// runs while it closes; the destructor runs it too, so nothing stays changed.

#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/ScreenSaverInhibitor.h"
#include "platform/ScreenSaverPassword.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace vorlandite::host {

enum class TConfigBoxStyle { cbsMessageDlg = 0, cbsPanel = 1 };

class TScreenSaver;
using TOnPreviewEvent = std::function<void(TScreenSaver& sender)>;
using TOnMainSaverEvent = std::function<void(TScreenSaver& sender)>;
using TOnConfigBoxEvent = std::function<void(TScreenSaver& sender)>;
using TOnPasswordSetEvent = std::function<void(TScreenSaver& sender)>;
using TOnBeforePreviewEvent = std::function<void(TScreenSaver& sender)>;
using TOnBeforeMainSaverEvent = std::function<void(TScreenSaver& sender)>;
using TOnBeforeConfigBoxEvent = std::function<void(TScreenSaver& sender)>;
using TOnBeforePasswordSetEvent = std::function<void(TScreenSaver& sender)>;

// The command line as the run-mode decision read it.
struct ScreenSaverCommandLine {
    char switchLetter = '\0';               // upper case; '\0' for none
    std::optional<uint64_t> windowHandle;   // the second argument as a window id, when a number
    std::optional<uint64_t> hostWindow;     // a screensaver host's window for a hosted show
};

// What the component asks of the platform. Null members: the service is not there.
struct ScreenSaverServices {
    platform::Registry* registry = nullptr;              // the password flag
    platform::ScreenSaverPassword* password = nullptr;   // the password question
    platform::ScreenSaverInhibitor* inhibitor = nullptr; // the desktop's own screensaver
    platform::MessageBox* messageBox = nullptr;          // the message style of the configuration box
    // Without a window manager the show window bypasses it, or nothing would place it over the
    // whole screen and above every other window (a screensaver daemon's display).
    bool windowManagerRunning = true;
    // Ends the application once the event loop runs; null: QCoreApplication::quit, queued.
    std::function<void()> EndApplication;
};

inline constexpr int kPreviewWidth = 152;
inline constexpr int kPreviewHeight = 112;

class TScreenSaver {
public:
    // Create(Owner): the defaults below; `owner` must outlive the component.
    TScreenSaver(QWidget& owner, ScreenSaverCommandLine commandLine, ScreenSaverServices services);
    ~TScreenSaver();
    TScreenSaver(const TScreenSaver&) = delete;
    TScreenSaver& operator=(const TScreenSaver&) = delete;

    // Properties.
    bool AutoEnable = true;      // Loaded runs Dispatch
    bool AutoMaximize = true;    // full screen covers the primary screen
    bool AutoBorderLess = true;  // full screen has no border
    bool AutoOnTop = true;       // full screen stays above other windows
    bool AutoMouseHide = true;   // full screen hides the cursor; the password question and Destroy show it
    bool AutoPanelHide = true;   // Loaded hides the configuration panel
    bool PreviewWindow = true;   // preview embeds the window into the preview window
    bool MainScreenSaver = true; // full screen applies the window changes above
    bool ConfigurationBox = true;
    TConfigBoxStyle ConfigurationBoxStyle = TConfigBoxStyle::cbsMessageDlg;
    QWidget* ConfigurationBoxPanel = nullptr;  // a panel of the owner window
    std::string ConfigurationBoxMessage = "Screen saver host component. No settings to change.";
    // Kept for the hosts that set it: X11 has no system keys to disable, so nothing reads it.
    bool SystemKeysDisabled = true;
    bool PasswordSetting = true;     // the password change ends the program

    // Events.
    TOnPreviewEvent OnPreviewActive;
    TOnMainSaverEvent OnMainSaverActive;
    TOnConfigBoxEvent OnConfigBoxActive;
    TOnPasswordSetEvent OnPasswordSet;
    TOnBeforePreviewEvent OnBeforePreviewActive;
    TOnBeforeMainSaverEvent OnBeforeMainSaverActive;
    TOnBeforeConfigBoxEvent OnBeforeConfigBoxActive;
    TOnBeforePasswordSetEvent OnBeforePasswordSet;

    // The owner window has been built: checks the panel, hides it, runs Dispatch if AutoEnable.
    void Loaded();
    // "P" preview, "S" full screen, "A" password change, anything else configuration.
    void Dispatch();
    void RunPreview();
    void RunMainSaver();
    void RunConfigBox();
    void RunPasswordSet();
    // The show inside a screensaver host's window (HostWindow): the owner becomes a child that
    // takes no input. The host owns the screen, the input and the lock, so nothing else is
    // changed: no cursor, no stacking, nothing held off. Raises OnMainSaverActive only once the
    // window is embedded; Embedded() tells.
    void RunHostedSaver();
    // True when the show may end.
    bool VerifyPassword();
    // The show's end will ask for the password (VerifyPassword will put the question): the show
    // must then hold the screen.
    bool AsksPassword() const;
    // Gives back what the modes changed outside the window; runs once.
    void Destroy();

    char SwitchLetter() const { return commandLine_.switchLetter; }
    bool Embedded() const { return embedded_; }

    // The cursor over every window of the application; balanced, so repeated calls are harmless.
    void HideCursor();
    void ShowCursor();
    bool CursorHidden() const { return cursorHidden_; }

private:
    void Raise(const std::function<void(TScreenSaver&)>& event);
    void EndApplication();
    // Makes the owner a child of the foreign window, taking no input of its own.
    bool EmbedInto(uint64_t window);

    QWidget& owner_;
    ScreenSaverCommandLine commandLine_;
    ScreenSaverServices services_;
    bool hooked_ = false;
    bool embedded_ = false;
    bool destroyed_ = false;
    bool cursorHidden_ = false;
};

} // namespace vorlandite::host

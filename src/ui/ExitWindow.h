#pragma once
// The exit window: the author's banner picture when a full-screen run ends, a close glyph in its
// top-right corner, and the banner's link behind a click on the picture. Also the opening of the
// exit link, which comes just before it while the main window closes.

#include "payload/ContainerReader.h"
#include "platform/ShellOpen.h"
#include "raster/TBitmap32.h"
#include "slideshow/ExitBanner.h"

#include <QDialog>

#include <string>

class QFrame;
class QLabel;

namespace vorlandite::ui {

inline constexpr int kExitDesignWidth = 342;
inline constexpr int kExitDesignHeight = 292;
inline constexpr int kCloseGlyphSize = 21;
inline constexpr int kCloseGlyphTop = 8;
inline constexpr int kCloseGlyphRight = 9;

class TExitWindow : public QDialog {
public:
    // `exitBannerLink` is UTF-8; empty: the banner leads nowhere.
    TExitWindow(std::string exitBannerLink, platform::IShellOpen& shell, QWidget* parent = nullptr);

    // The banner picture, unscaled at the window's top-left corner.
    void SetBanner(const raster::TBitmap32& picture);

    // Opens the banner link when there is one, then closes the window.
    void imgBannerClick();
    void CloseClick();

    QFrame* Shape1 = nullptr;
    QLabel* imgBanner = nullptr;
    QLabel* imgClose = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::string link_;
    platform::IShellOpen& shell_;
};

// What the main window calls while it closes after a full-screen run, in this order:

// The exit link (Windows-1252, as stored; F1 may have replaced it) through the shell, or the
// waiting browser launch on the system generations that need it. Empty: nothing.
void OpenExitLink(const payload::TKelVarSizeInfo& strings, platform::IShellOpen& shell);

// The exit banner, centred on the primary screen, modal; returns when it has been closed, or at
// once (false) when there is none, it cannot be shown, or `banner` has shown one before.
bool DisplayExitBanner(slideshow::ExitBanner& banner, const payload::Payload& payload,
                       const std::string& screensaverPath, const std::string& tempFolder,
                       platform::IShellOpen& shell);

} // namespace vorlandite::ui

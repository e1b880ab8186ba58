#pragma once
// The About window: the screensaver's icon, title, descriptive notice and web address, opened
// from the configuration panel. It lives as long as the program and refreshes its texts each
// time it is shown (the panel's Website button may have changed the address meanwhile).

#include "payload/PayloadRecords.h"
#include "platform/ShellOpen.h"

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class QScrollArea;

namespace vorlandite::ui {

inline constexpr int kAboutClientWidth = 354;
inline constexpr int kAboutClientHeight = 211;
inline constexpr int kAboutLinkMaxWidth = 193;

class TAboutWindow : public QDialog {
public:
    // `strings` (the payload's texts, Windows-1252) must outlive the window; they are read at
    // every showing.
    TAboutWindow(const payload::TKelVarSizeInfo& strings, platform::IShellOpen& shell, QWidget* parent = nullptr);

    // Icon and translated captions; run by the constructor.
    void FormCreate();
    // Texts from the payload; run at every showing.
    void FormShow();
    // Opens the web address exactly as stored.
    void LinkClick();
    void btnCloseClick();

    QLabel* imgIcon = nullptr;
    QLabel* Title = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    QLabel* Text = nullptr;
    QLabel* Link = nullptr;
    QFrame* Bevel1 = nullptr;
    QPushButton* btnClose = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const payload::TKelVarSizeInfo& strings_;
    platform::IShellOpen& shell_;
};

} // namespace vorlandite::ui

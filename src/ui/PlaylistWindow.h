#pragma once
// The editor of the user's own playlist ("My Playlist"): a list of sound file paths kept in the
// "PlayList" subkey of the screensaver's settings key, with Add, Remove, Remove All, Up, Down and
// a preview player. The configuration panel loads the stored list into it, shows it modally and
// stores its list when it closes, however it was closed.
//
// Paths are kept as the file system's bytes in the store, exactly as the show opens them.

#include "platform/MessageBox.h"
#include "platform/Registry.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;

namespace vorlandite::audio {
class IMediaPlayer;
}

namespace vorlandite::ui {

// The file dialog's filter, description and patterns in turn, separated by '|'.
inline constexpr std::string_view kMelodyFilter =
    "Audio Files (*.mid;*.mp3;*wma;*.wav)|*.wav;*.mid;*.mp3;*wma|MIDI Files (*.mid)|*.mid|MP3 Files (*.mp3)|*.mp3|"
    "Wave Files (*.wav)|*.wav|Windows Media Audio (*wma)|*wma";

// The filter as Qt name filters: each description followed by its patterns in parentheses, for
// a dialog that hides these details (so that the description shows as written).
QStringList MelodyNameFilters();
// The patterns of each filter, in order.
std::vector<QStringList> MelodyFilterPatterns();

class TPlaylistWindow : public QDialog {
    Q_OBJECT
public:
    // The player previews files; the title (8-bit payload text) names the store's key and is
    // the caption of messages.
    TPlaylistWindow(platform::Registry& registry, audio::IMediaPlayer& player, platform::MessageBox& messages,
                    QWidget* parent = nullptr);
    ~TPlaylistWindow() override;

    void SetTitle(std::string title) { title_ = std::move(title); }

    // Captions through the translation table.
    void RenameFormControls();

    void LoadCustomPlayList();
    // Stores the list; a failure is shown to the user in a message box (StoreCustomPlayList's
    // message) and leaves the list stored before as it was.
    void SaveCustomPlayList();
    Status StoreCustomPlayList();
    void UpdateButtons();

    void btnMelodyAddClick();
    void btnMelodyDeleteClick();
    void btnMelodyDelAllClick();
    void btnMelodyUpClick();
    void btnMelodyDownClick();
    void btnPlayClick();
    void btnStopClick();

    // Asks for files to add: the chosen paths in the dialog's order, empty when cancelled. The
    // default shows the multiple-selection file dialog in InitialDir().
    std::function<QStringList()> ChooseFiles;
    const QString& InitialDir() const { return initialDir_; }

    QStringList Entries() const;
    int CurrentRow() const;
    QListWidget* List() const { return lbMelodies_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QStringList ShowOpenMelodyDlg();

    platform::Registry& registry_;
    audio::IMediaPlayer& mPlay_;
    platform::MessageBox& messages_;
    std::string title_;
    QString initialDir_;

    QListWidget* lbMelodies_ = nullptr;
    QPushButton* btnMelodyAdd_ = nullptr;
    QPushButton* btnMelodyDelete_ = nullptr;
    QPushButton* btnMelodyDelAll_ = nullptr;
    QPushButton* btnMelodyUp_ = nullptr;
    QPushButton* btnMelodyDown_ = nullptr;
    QLabel* lblSoundPreview_ = nullptr;
    QPushButton* btnPlay_ = nullptr;
    QPushButton* btnStop_ = nullptr;
    QPushButton* btnClose_ = nullptr;
};

} // namespace vorlandite::ui

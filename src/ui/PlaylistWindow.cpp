#include "ui/PlaylistWindow.h"

#include "ui/WidgetHelpers.h"

#include "audio/CustomPlaylist.h"
#include "audio/IMediaPlayer.h"
#include "base/Windows1252.h"
#include "ui/CaptionTable.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace vorlandite::ui {

namespace {

constexpr int kWidth = 486;
constexpr int kHeight = 320;
constexpr int kRowHeight = 16;

std::vector<std::pair<QString, QString>> FilterPairs() {
    const QStringList parts = QString::fromLatin1(kMelodyFilter.data(), qsizetype(kMelodyFilter.size())).split(u'|');
    std::vector<std::pair<QString, QString>> pairs;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        pairs.emplace_back(parts[i], parts[i + 1]);
    return pairs;
}

} // namespace

QStringList MelodyNameFilters() {
    QStringList filters;
    for (const auto& [description, patterns] : FilterPairs())
        filters << description + QStringLiteral(" (") + QString(patterns).replace(u';', u' ') + u')';
    return filters;
}

std::vector<QStringList> MelodyFilterPatterns() {
    std::vector<QStringList> result;
    for (const auto& pair : FilterPairs())
        result.push_back(pair.second.split(u';'));
    return result;
}

TPlaylistWindow::TPlaylistWindow(platform::Registry& registry, audio::IMediaPlayer& player,
                                 platform::MessageBox& messages, QWidget* parent)
    : QDialog(parent), registry_(registry), mPlay_(player), messages_(messages) {
    setObjectName(QStringLiteral("PlaylistWindow"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(kWidth, kHeight);
    setModal(true);

    lbMelodies_ = Make<QListWidget>(this, "lbMelodies", {8, 8, 353, 289});
    lbMelodies_->setUniformItemSizes(true);
    const int x = 8 + 353 + 12;
    const int w = kWidth - x - 8;
    btnMelodyAdd_ = Make<QPushButton>(this, "btnMelodyAdd", {x, 8, w, 25});
    btnMelodyDelete_ = Make<QPushButton>(this, "btnMelodyDelete", {x, 40, w, 25});
    btnMelodyDelAll_ = Make<QPushButton>(this, "btnMelodyDelAll", {x, 72, w, 25});
    btnMelodyUp_ = Make<QPushButton>(this, "btnMelodyUp", {x, 110, (w - 6) / 2, 25});
    btnMelodyDown_ = Make<QPushButton>(this, "btnMelodyDown", {x + (w + 6) / 2, 110, (w - 6) / 2, 25});
    lblSoundPreview_ = Make<QLabel>(this, "lblSoundPreview", {x, 158, w, 18});
    btnPlay_ = Make<QPushButton>(this, "btnPlay", {x, 178, (w - 6) / 2, 25});
    btnStop_ = Make<QPushButton>(this, "btnStop", {x + (w + 6) / 2, 178, (w - 6) / 2, 25});
    btnClose_ = Make<QPushButton>(this, "btnClose", {x, kHeight - 8 - 25, w, 25});

    btnMelodyUp_->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    btnMelodyDown_->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    btnPlay_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    btnStop_->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    for (QPushButton* b : {btnMelodyDelete_, btnMelodyDelAll_, btnMelodyUp_, btnMelodyDown_, btnPlay_, btnStop_})
        b->setEnabled(false);
    btnClose_->setDefault(true);

    connect(btnMelodyAdd_, &QPushButton::clicked, this, [this] { btnMelodyAddClick(); });
    connect(btnMelodyDelete_, &QPushButton::clicked, this, [this] { btnMelodyDeleteClick(); });
    connect(btnMelodyDelAll_, &QPushButton::clicked, this, [this] { btnMelodyDelAllClick(); });
    connect(btnMelodyUp_, &QPushButton::clicked, this, [this] { btnMelodyUpClick(); });
    connect(btnMelodyDown_, &QPushButton::clicked, this, [this] { btnMelodyDownClick(); });
    connect(btnPlay_, &QPushButton::clicked, this, [this] { btnPlayClick(); });
    connect(btnStop_, &QPushButton::clicked, this, [this] { btnStopClick(); });
    connect(btnClose_, &QPushButton::clicked, this, &QDialog::accept);

    RenameFormControls();
}

TPlaylistWindow::~TPlaylistWindow() = default;

void TPlaylistWindow::showEvent(QShowEvent* event) {
    // Centred on the screen, not over the panel.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TPlaylistWindow::RenameFormControls() {
    setWindowTitle(Caption("My Playlist"));
    // The looked-up caption replaces the design's "Add..." as it is.
    btnMelodyAdd_->setText(Caption("Add"));
    btnMelodyDelete_->setText(Caption("Remove"));
    btnMelodyDelAll_->setText(Caption("Remove All"));
    lblSoundPreview_->setText(Caption("Sound Preview"));
    btnClose_->setText(Caption("Close"));
}

QStringList TPlaylistWindow::Entries() const {
    QStringList entries;
    for (int i = 0; i < lbMelodies_->count(); ++i)
        entries << lbMelodies_->item(i)->text();
    return entries;
}

int TPlaylistWindow::CurrentRow() const { return lbMelodies_->currentRow(); }

void TPlaylistWindow::LoadCustomPlayList() {
    lbMelodies_->clear();
    if (auto key = registry_.OpenKey(audio::PlaylistKeyPath(title_), true)) {
        for (int i = 0;; ++i) {
            const std::string name = audio::PlaylistValueName(i);
            if (!(*key)->ValueExists(name))
                break;
            auto path = (*key)->ReadString(name);
            // A value of another type ends the list, as it does for the show.
            if (!path)
                break;
            if (!path->empty()) {
                auto* item = new QListWidgetItem(QFile::decodeName(QByteArray::fromStdString(*path)), lbMelodies_);
                item->setSizeHint(QSize(0, kRowHeight));
            }
        }
        (void)(*key)->Close();
    }
    UpdateButtons();
}

void TPlaylistWindow::SaveCustomPlayList() {
    if (Status stored = StoreCustomPlayList(); !stored)
        messages_.Show(Cp1252ToUtf8(title_), stored.message(), platform::MessageIcon::Error);
}

Status TPlaylistWindow::StoreCustomPlayList() {
    auto key = registry_.OpenKey(audio::PlaylistKeyPath(title_), true);
    Status stored = key ? Status() : Status(key.error());
    if (stored) {
        const int n = lbMelodies_->count();
        for (int i = 0; i < n; ++i)
            (*key)->WriteString(audio::PlaylistValueName(i),
                                QFile::encodeName(lbMelodies_->item(i)->text()).toStdString());
        // The list ends at the gap at N; values past it stay where they are, never read again.
        if ((*key)->ValueExists(audio::PlaylistValueName(n)))
            (*key)->DeleteValue(audio::PlaylistValueName(n));
        stored = (*key)->Close();
    }
    if (!stored)
        return MakeError("Your playlist could not be saved (" + stored.message()
                         + "). The playlist saved before is unchanged.");
    return {};
}

void TPlaylistWindow::UpdateButtons() {
    const bool any = lbMelodies_->count() > 0;
    if (any && lbMelodies_->currentRow() < 0)
        lbMelodies_->setCurrentRow(0);
    for (QPushButton* b : {btnMelodyDelete_, btnMelodyDelAll_, btnMelodyUp_, btnMelodyDown_, btnPlay_, btnStop_})
        b->setEnabled(any);
}

QStringList TPlaylistWindow::ShowOpenMelodyDlg() {
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("OpenMelodyDlg"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The descriptions already list their patterns; Qt's own copy of them stays hidden.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setSizeGripEnabled(true);
    dialog.setNameFilters(MelodyNameFilters());
    dialog.selectNameFilter(MelodyNameFilters().first());
    if (!initialDir_.isEmpty())
        dialog.setDirectory(initialDir_);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

void TPlaylistWindow::btnMelodyAddClick() {
    const QStringList files = ChooseFiles ? ChooseFiles() : ShowOpenMelodyDlg();
    for (const QString& file : files) {
        auto* item = new QListWidgetItem(QFileInfo(file).absoluteFilePath(), lbMelodies_);
        item->setSizeHint(QSize(0, kRowHeight));
    }
    if (!files.isEmpty()) {
        QString folder = QFileInfo(files.first()).absolutePath();
        if (!folder.endsWith(u'/'))
            folder += u'/';
        initialDir_ = folder;
    }
    UpdateButtons();
}

void TPlaylistWindow::btnMelodyDeleteClick() {
    const int row = lbMelodies_->currentRow();
    if (row >= 0) {
        delete lbMelodies_->takeItem(row);
        if (row < lbMelodies_->count())
            lbMelodies_->setCurrentRow(row);
        else if (lbMelodies_->count() > 0)
            lbMelodies_->setCurrentRow(lbMelodies_->count() - 1);
    }
    UpdateButtons();
}

void TPlaylistWindow::btnMelodyDelAllClick() {
    lbMelodies_->clear();
    UpdateButtons();
}

void TPlaylistWindow::btnMelodyUpClick() {
    const int row = lbMelodies_->currentRow();
    if (row <= 0)
        return;
    QListWidgetItem* item = lbMelodies_->takeItem(row);
    lbMelodies_->insertItem(row - 1, item);
    lbMelodies_->setCurrentRow(row - 1);
}

void TPlaylistWindow::btnMelodyDownClick() {
    const int row = lbMelodies_->currentRow();
    if (row < 0 || row >= lbMelodies_->count() - 1)
        return;
    QListWidgetItem* item = lbMelodies_->takeItem(row);
    lbMelodies_->insertItem(row + 1, item);
    lbMelodies_->setCurrentRow(row + 1);
}

void TPlaylistWindow::btnPlayClick() {
    const int row = lbMelodies_->currentRow();
    if (row < 0)
        return;
    const QString path = lbMelodies_->item(row)->text();
    if (!QFileInfo::exists(path)) {
        messages_.Show(Cp1252ToUtf8(title_), "Specified file does not exist.", platform::MessageIcon::Error);
        return;
    }
    mPlay_.Close();
    mPlay_.SetFileName(QFile::encodeName(path).toStdString());
    Status opened = mPlay_.Open();
    if (opened) {
        mPlay_.SetNotify(false);  // nothing happens when it ends
        opened = mPlay_.Play();
    }
    if (!opened)
        messages_.Show(Cp1252ToUtf8(title_), opened.message(), platform::MessageIcon::Error);
}

void TPlaylistWindow::btnStopClick() { mPlay_.Close(); }

} // namespace vorlandite::ui

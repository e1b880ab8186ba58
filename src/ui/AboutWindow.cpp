#include "ui/AboutWindow.h"

#include "ui/WidgetHelpers.h"

#include "base/Windows1252.h"
#include "ui/CaptionTable.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>

namespace vorlandite::ui {

namespace {

constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kTextLeft = 56;
constexpr int kTitlePixelSize = 16;
constexpr int kScrollWidth = 281;
constexpr int kScrollHeight = 85;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

const QString kDesignTitle = QStringLiteral("Screen Saver");
const QString kDesignNotice =
    QStringLiteral("A slideshow screen saver.\nIts author has not added a description.");

QString FromPayload(std::string_view bytes) { return QString::fromStdString(Cp1252ToUtf8(bytes)); }

} // namespace

TAboutWindow::TAboutWindow(const payload::TKelVarSizeInfo& strings, platform::IShellOpen& shell, QWidget* parent)
    : QDialog(parent), strings_(strings), shell_(shell) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(kAboutClientWidth, kAboutClientHeight);
    setModal(true);

    imgIcon = new QLabel(this);
    imgIcon->setGeometry(kMargin, kMargin, kIconSize, kIconSize);

    Title = new QLabel(kDesignTitle, this);
    QFont titleFont = Title->font();
    titleFont.setBold(true);
    titleFont.setPixelSize(kTitlePixelSize);
    Title->setFont(titleFont);
    Title->setGeometry(kTextLeft, kMargin, kAboutClientWidth - kTextLeft - kMargin, kIconSize);
    Title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setWidgetResizable(true);
    ScrollBox1->setGeometry(kTextLeft, kMargin + kIconSize + 6, kScrollWidth, kScrollHeight);
    Text = new QLabel(kDesignNotice);
    Text->setWordWrap(true);
    Text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ScrollBox1->setWidget(Text);

    Link = new QLabel(this);
    QPalette linkPalette = Link->palette();
    linkPalette.setColor(QPalette::WindowText, Qt::blue);
    Link->setPalette(linkPalette);
    QFont linkFont = Link->font();
    linkFont.setUnderline(true);
    Link->setFont(linkFont);
    Link->setCursor(Qt::PointingHandCursor);
    Link->setMaximumWidth(kAboutLinkMaxWidth);
    Link->move(kTextLeft, ScrollBox1->geometry().bottom() + 6);
    Link->installEventFilter(this);

    const int buttonTop = kAboutClientHeight - 8 - kButtonHeight;
    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(8, buttonTop - 10, kAboutClientWidth - 16, 2);

    btnClose = new QPushButton(this);
    btnClose->setGeometry(kAboutClientWidth - kMargin - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);
    btnClose->setDefault(true);
    btnClose->setAutoDefault(true);
    connect(btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });

    FormCreate();
}

void TAboutWindow::FormCreate() {
    // This platform's executables carry no icon resource; the application's icon stands in.
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = style()->standardIcon(QStyle::SP_ComputerIcon);
    imgIcon->setPixmap(icon.pixmap(kIconSize, kIconSize));
    setWindowTitle(Caption("About"));
    btnClose->setText(Caption("Close"));
}

void TAboutWindow::FormShow() {
    if (!strings_.Title.empty())
        Title->setText(FromPayload(strings_.Title));
    if (!strings_.Notice.empty())
        Text->setText(FromPayload(strings_.Notice));
    if (strings_.WebAddress.empty()) {
        Link->hide();
    } else {
        const QString address = FromPayload(strings_.WebAddress);
        // A long address is shortened on screen; the click still opens all of it.
        Link->setText(Link->fontMetrics().elidedText(address, Qt::ElideRight, kAboutLinkMaxWidth));
        Link->setToolTip(address);
        Link->adjustSize();
        Link->show();
    }
    if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
}

void TAboutWindow::LinkClick() {
    if (!strings_.WebAddress.empty())
        shell_.Open(Cp1252ToUtf8(strings_.WebAddress));
}

void TAboutWindow::btnCloseClick() { close(); }

void TAboutWindow::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

bool TAboutWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Link && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        LinkClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vorlandite::ui

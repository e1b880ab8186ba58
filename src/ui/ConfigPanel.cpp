#include "ui/ConfigPanel.h"

#include "ui/WidgetHelpers.h"

#include "base/AsciiCase.h"
#include "base/Windows1252.h"
#include "transitions/EffectCatalog.h"
#include "transitions/EffectSettings.h"
#include "ui/CaptionTable.h"
#include "ui/EffectPreviewFrame.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

#include <algorithm>
#include <cctype>

namespace vorlandite::ui {

namespace {

constexpr int kTabWidth = 76;
constexpr int kTabHeight = 20;
constexpr int kEffectRowHeight = 16;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 25;
constexpr int kGroupWidth = 375;

// The banner image: a label that reports clicks.
class ClickableImage final : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> Clicked;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && Clicked)
            Clicked();
        QLabel::mouseReleaseEvent(event);
    }
};

} // namespace

int ComposeStretch(int sizeTag, int positionTag) {
    // Only the sizes that can leave room around an item have a position.
    return sizeTag == 2 || sizeTag == 4 ? sizeTag + positionTag : sizeTag;
}

ConfigPanel::ConfigPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("CfgBox"));
    setFixedSize(kPanelWidth, kPanelDesignHeight);
    // The main window paints black for the show; the dialog wants the desktop's colours.
    // Every role is set, as a palette equal to the application's would count as "not set" and
    // the window's black would come through.
    QPalette dialogPalette;
    const QPalette desktop = QGuiApplication::palette();
    for (int group = 0; group < QPalette::NColorGroups; ++group)
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = QPalette::ColorGroup(group);
            const auto r = QPalette::ColorRole(role);
            dialogPalette.setBrush(g, r, desktop.brush(g, r));
        }
    setPalette(dialogPalette);
    setAutoFillBackground(true);

    bannerPlaceHolderPanel_ = Make<QWidget>(this, "BannerPlaceHolderPanel", {0, 0, kPanelWidth, kBannerStripHeight});
    panelWebBanner_ = Make<QFrame>(bannerPlaceHolderPanel_, "PanelWebBanner", {(kPanelWidth - 470) / 2, 4, 470, 62});
    panelWebBanner_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* banner = Make<ClickableImage>(panelWebBanner_, "imgBanner", {1, 1, 468, 60});
    banner->setAlignment(Qt::AlignCenter);
    banner->Clicked = [this] { imgBannerClick(); };
    imgBanner_ = banner;

    configControlsPanel_ =
        Make<QWidget>(this, "ConfigControlsPanel", {0, kBannerStripHeight, kPanelWidth, kPanelDesignHeight - kBannerStripHeight});
    pageControl_ = Make<QTabWidget>(configControlsPanel_, "PageControl", {8, 8, 399, 281});
    pageControl_->setStyleSheet(
        QStringLiteral("QTabBar::tab { min-width: %1px; min-height: %2px; }").arg(kTabWidth - 12).arg(kTabHeight - 6));
    pageControl_->tabBar()->setMouseTracking(true);  // hot tracking
    BuildGeneralTab();
    BuildPositionTab();
    BuildEffectsTab();
    BuildSoundTab();
    BuildBehaviorTab();
    pageControl_->setCurrentIndex(0);
    BuildButtonColumn();

    link_ = Make<QLabel>(configControlsPanel_, "Link", {8, 8 + 281 + 2, 399, kLinkHeight - 2});
    link_->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline"));
    link_->setCursor(Qt::PointingHandCursor);
    link_->hide();

    RenameFormControls();
}

ConfigPanel::~ConfigPanel() = default;

void ConfigPanel::BuildGeneralTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsGeneral"));
    tabs_[0] = page;
    pageControl_->addTab(page, QString());

    groupBox3_ = Make<QGroupBox>(page, "GroupBox3", {8, 8, kGroupWidth, 58});
    label12_ = Make<QLabel>(groupBox3_, "Label12", {12, 26, 170, 20});
    edSeconds_ = Make<QSpinBox>(groupBox3_, "edSeconds", {186, 24, 56, 24});
    edSeconds_->setRange(1, 60);
    label12_->setBuddy(edSeconds_);
    label13_ = Make<QLabel>(groupBox3_, "Label13", {250, 26, 115, 20});

    gbOrder_ = Make<QGroupBox>(page, "gbOrder", {8, 74, kGroupWidth, 96});
    rbSequential_ = Make<QRadioButton>(gbOrder_, "rbSequential", {12, 22, 350, 20});
    rbRandom_ = Make<QRadioButton>(gbOrder_, "rbRandom", {12, 44, 350, 20});
    rbMixed_ = Make<QRadioButton>(gbOrder_, "rbMixed", {12, 66, 350, 20});
    rbSequential_->setChecked(true);
    for (QRadioButton* rb : {rbSequential_, rbRandom_, rbMixed_})
        connect(rb, &QRadioButton::clicked, this, [this] { rbSequentialClick(); });

    groupBox2_ = Make<QGroupBox>(page, "GroupBox2", {8, 178, kGroupWidth, 52});
    cbDesktop_ = Make<QCheckBox>(groupBox2_, "cbDesktop", {12, 22, 350, 20});
}

void ConfigPanel::BuildPositionTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsPosition"));
    tabs_[1] = page;
    pageControl_->addTab(page, QString());

    gbSize_ = Make<QGroupBox>(page, "gbSize", {8, 8, kGroupWidth, 136});
    rbSizeResize_ = Make<QRadioButton>(gbSize_, "rbSizeResize", {12, 22, 350, 20});
    rbSizeResizeBig_ = Make<QRadioButton>(gbSize_, "rbSizeResizeBig", {12, 44, 350, 20});
    rbSizeStretch_ = Make<QRadioButton>(gbSize_, "rbSizeStretch", {12, 66, 350, 20});
    rbSizeNone_ = Make<QRadioButton>(gbSize_, "rbSizeNone", {12, 88, 350, 20});
    label37_ = Make<QLabel>(gbSize_, "Label37", {30, 112, 330, 18});
    rbSizeResize_->setChecked(true);
    for (QRadioButton* rb : {rbSizeResize_, rbSizeResizeBig_, rbSizeStretch_, rbSizeNone_})
        connect(rb, &QRadioButton::clicked, this, [this] { rbSizeResizeClick(); });

    gbPosition_ = Make<QGroupBox>(page, "gbPosition", {8, 152, kGroupWidth, 74});
    rbPosCenter_ = Make<QRadioButton>(gbPosition_, "rbPosCenter", {12, 22, 350, 20});
    rbPosRandom_ = Make<QRadioButton>(gbPosition_, "rbPosRandom", {12, 44, 350, 20});
    rbPosCenter_->setChecked(true);
    for (QRadioButton* rb : {rbPosCenter_, rbPosRandom_})
        connect(rb, &QRadioButton::clicked, this, [this] { rbPosCenterClick(); });
    gbPosition_->setEnabled(false);
    rbPosCenter_->setEnabled(false);
    rbPosRandom_->setEnabled(false);
}

void ConfigPanel::BuildEffectsTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsEffects"));
    tabs_[2] = page;
    pageControl_->addTab(page, QString());

    groupBox9_ = Make<QGroupBox>(page, "GroupBox9", {8, 8, 226, 238});
    lbEffects_ = Make<QListWidget>(groupBox9_, "lbEffects", {10, 22, 206, 174});
    lbEffects_->setUniformItemSizes(true);
    for (int effect = 1; effect <= transitions::kEffectCount; ++effect) {
        const std::string_view name = transitions::EffectName(effect);
        auto* item = new QListWidgetItem(QString::fromLatin1(name.data(), qsizetype(name.size())), lbEffects_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setSizeHint(QSize(0, kEffectRowHeight));
    }
    btnSelectAll_ = Make<QPushButton>(groupBox9_, "btnSelectAll", {10, 204, 100, kButtonHeight});
    btnSelectNone_ = Make<QPushButton>(groupBox9_, "btnSelectNone", {116, 204, 100, kButtonHeight});
    connect(btnSelectAll_, &QPushButton::clicked, this, [this] { btnSelectAllClick(); });
    connect(btnSelectNone_, &QPushButton::clicked, this, [this] { btnSelectNoneClick(); });

    panel3_ = Make<QFrame>(page, "Panel3", {242 + (141 - 123) / 2, 14, 123, 99});
    panel3_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel3_->setLineWidth(2);
    imgPreviewTrans_ = new EffectPreviewFrame(panel3_);
    imgPreviewTrans_->move(2, 2);
    // Every click asks for a preview; so does moving the current row with the keyboard.
    connect(lbEffects_, &QListWidget::itemClicked, this, [this] { imgPreviewTrans_->lbEffectsClick(); });
    connect(lbEffects_, &QListWidget::currentRowChanged, this, [this] { imgPreviewTrans_->lbEffectsClick(); });

    groupBox6_ = Make<QGroupBox>(page, "GroupBox6", {242, 122, 141, 124});
    label16_ = Make<QLabel>(groupBox6_, "Label16", {8, 24, 62, 18});
    label26_ = Make<QLabel>(groupBox6_, "Label26", {72, 24, 61, 18});
    label26_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    tbEffectSpeed_ = Make<QSlider>(groupBox6_, "tbEffectSpeed", {8, 48, 125, 30});
    tbEffectSpeed_->setOrientation(Qt::Horizontal);
    tbEffectSpeed_->setRange(transitions::kMinEffectSpeed, transitions::kMaxEffectSpeed);
    tbEffectSpeed_->setPageStep(1);
    tbEffectSpeed_->setSingleStep(1);
    tbEffectSpeed_->setTickPosition(QSlider::TicksBelow);
    tbEffectSpeed_->setTickInterval(1);
}

void ConfigPanel::BuildSoundTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsSound"));
    tabs_[3] = page;
    pageControl_->addTab(page, QString());

    groupBox10_ = Make<QGroupBox>(page, "GroupBox10", {8, 8, kGroupWidth, 52});
    cbMute_ = Make<QCheckBox>(groupBox10_, "cbMute", {12, 22, 350, 20});

    gbPlaylist_ = Make<QGroupBox>(page, "gbPlaylist", {8, 68, kGroupWidth, kPlaylistGroupHeight});
    rbPlayBuiltIn_ = Make<QRadioButton>(gbPlaylist_, "rbPlayBuiltIn", {12, 20, 350, 20});
    rbPlayMyOwn_ = Make<QRadioButton>(gbPlaylist_, "rbPlayMyOwn", {12, 42, 200, 20});
    btnPlaylistEditor_ = Make<QPushButton>(gbPlaylist_, "btnPlaylistEditor", {220, 40, 140, kButtonHeight});
    rbPlayBuiltIn_->setChecked(true);
    connect(btnPlaylistEditor_, &QPushButton::clicked, this, [this] {
        if (EditPlaylist)
            EditPlaylist();
    });
    // These three sit on the group's bottom edge: a change of height moves them with it.
    cbLoop_ = Make<QCheckBox>(gbPlaylist_, "cbLoop", {12, kPlaylistGroupHeight - 72, 350, 20});
    cbShuffle_ = Make<QCheckBox>(gbPlaylist_, "cbShuffle", {12, kPlaylistGroupHeight - 50, 350, 20});
    cbPlayOneRandom_ = Make<QCheckBox>(gbPlaylist_, "cbPlayOneRandom", {12, kPlaylistGroupHeight - 28, 350, 20});
}

void ConfigPanel::BuildBehaviorTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsBehavior"));
    tabs_[4] = page;
    pageControl_->addTab(page, QString());

    groupBox12_ = Make<QGroupBox>(page, "GroupBox12", {8, 8, kGroupWidth, 118});
    cbExitMouseMove_ = Make<QCheckBox>(groupBox12_, "cbExitMouseMove", {12, 22, 350, 20});
    cbExitMouseButton_ = Make<QCheckBox>(groupBox12_, "cbExitMouseButton", {12, 44, 350, 20});
    cbExitKeyboard_ = Make<QCheckBox>(groupBox12_, "cbExitKeyboard", {12, 66, 350, 20});
    cbExitEscape_ = Make<QCheckBox>(groupBox12_, "cbExitEscape", {12, 88, 350, 20});
    for (QCheckBox* cb : {cbExitMouseMove_, cbExitMouseButton_, cbExitKeyboard_, cbExitEscape_})
        connect(cb, &QCheckBox::clicked, this, [this, cb] { cbExitKeyboardClick(cb); });
}

void ConfigPanel::BuildButtonColumn() {
    const int x = 8 + 399 + 8;
    btnAbout_ = Make<QPushButton>(configControlsPanel_, "btnAbout", {x, 30, kButtonWidth, kButtonHeight});
    btnWebsite_ = Make<QPushButton>(configControlsPanel_, "btnWebsite", {x, 62, kButtonWidth, kButtonHeight});
    btnClose_ = Make<QPushButton>(configControlsPanel_, "btnClose", {x, 8 + 281 - kButtonHeight, kButtonWidth, kButtonHeight});
    connect(btnAbout_, &QPushButton::clicked, this, [this] {
        if (ShowAbout)
            ShowAbout();
    });
    connect(btnWebsite_, &QPushButton::clicked, this, [this] { btnWebsiteClick(); });
    connect(btnClose_, &QPushButton::clicked, this, [this] {
        if (CloseWindow)
            CloseWindow();
    });
    // Close is both the default and the cancel button: Enter and Escape press it.
    btnClose_->setDefault(true);
    for (QKeySequence key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_Escape)}) {
        auto* shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, btnClose_, &QPushButton::click);
    }
}

void ConfigPanel::RenameFormControls() {
    link_->setText(Caption("This screen saver was created with Vorlandite"));
    static constexpr const char* kTabKeys[5] = {"General", "Position", "Effects", "Sound", "Behavior"};
    for (int i = 0; i < 5; ++i)
        pageControl_->setTabText(pageControl_->indexOf(tabs_[i]), Caption(kTabKeys[i]));

    groupBox3_->setTitle(Caption("Image Duration"));
    label12_->setText(Caption("&Display each image for"));
    label13_->setText(Caption("seconds"));
    gbOrder_->setTitle(Caption("Item Order"));
    rbSequential_->setText(Caption("&Sequential"));
    rbRandom_->setText(Caption("&Random"));
    rbMixed_->setText(Caption("&Mixed"));
    groupBox2_->setTitle(Caption("Startup"));
    cbDesktop_->setText(Caption("S&tart image painting on Desktop"));

    gbSize_->setTitle(Caption("Item Size"));
    rbSizeResize_->setText(Caption("&Resize to fit screen", " *"));
    rbSizeResizeBig_->setText(Caption("Resize &only if too big to fit screen", " *"));
    rbSizeStretch_->setText(Caption("&Stretch to fit screen"));
    rbSizeNone_->setText(Caption("&Do not change size"));
    label37_->setText(Caption("* Maintains aspect ratio"));
    gbPosition_->setTitle(Caption("Item Position"));
    rbPosCenter_->setText(Caption("&Center"));
    rbPosRandom_->setText(Caption("R&andom position"));

    groupBox9_->setTitle(Caption("Selection"));
    btnSelectAll_->setText(Caption("Select All"));
    btnSelectNone_->setText(Caption("Select None"));
    groupBox6_->setTitle(Caption("Speed"));
    label16_->setText(Caption("Smooth"));
    label26_->setText(Caption("Fast"));

    groupBox10_->setTitle(Caption("General"));
    cbMute_->setText(Caption("&Mute sounds"));
    gbPlaylist_->setTitle(Caption("Music Playlist"));
    rbPlayBuiltIn_->setText(Caption("&Use built-in playlist"));
    rbPlayMyOwn_->setText(Caption("Us&e my own playlist"));
    btnPlaylistEditor_->setText(Caption("Edit My Playlist..."));
    cbLoop_->setText(Caption("&Repeat playlist"));
    cbShuffle_->setText(Caption("&Shuffle playlist item order"));
    cbPlayOneRandom_->setText(Caption("S&elect and play just one random playlist item"));

    groupBox12_->setTitle(Caption("Exit Conditions"));
    cbExitMouseMove_->setText(Caption("&Mouse Move"));
    cbExitMouseButton_->setText(Caption("Mouse &Button Click"));
    cbExitKeyboard_->setText(Caption("&Keyboard Button"));
    cbExitEscape_->setText(Caption("&ESC Button"));

    btnAbout_->setText(Caption("About", "..."));
    btnWebsite_->setText(Caption("Website", "..."));
    btnClose_->setText(Caption("Close"));
}

void ConfigPanel::PutSettings(const payload::StoredSettings& settings) {
    edSeconds_->setValue(settings.Seconds);  // clamped into 1..60
    switch (settings.DisplayOrder) {
    case 0: rbSequential_->setChecked(true); break;
    case 1: rbRandom_->setChecked(true); break;
    case 2: rbMixed_->setChecked(true); break;
    default: break;  // a value the panel never writes: the design's choice stays
    }
    cbDesktop_->setChecked(settings.DesktopStart);

    switch (settings.Stretch) {
    case 0: rbSizeResize_->setChecked(true); break;
    case 1: rbSizeStretch_->setChecked(true); break;
    case 2:
    case 3: rbSizeNone_->setChecked(true); break;
    case 4:
    case 5: rbSizeResizeBig_->setChecked(true); break;
    default: break;
    }
    if (settings.Stretch == 2 || settings.Stretch == 4)
        rbPosCenter_->setChecked(true);
    else if (settings.Stretch == 3 || settings.Stretch == 5)
        rbPosRandom_->setChecked(true);

    transitions::EffectChecklist checklist{};
    // The loader has refused codes outside the list already; a stray one leaves the rows set so far.
    (void)transitions::EffectSetToChecklist(settings.Effect, checklist);
    for (int i = 0; i < transitions::kEffectCount; ++i)
        lbEffects_->item(i)->setCheckState(checklist[std::size_t(i)] ? Qt::Checked : Qt::Unchecked);
    tbEffectSpeed_->setValue(settings.EffectSpeed);

    cbMute_->setChecked(settings.Mute);
    cbLoop_->setChecked(settings.Loop);
    cbShuffle_->setChecked(settings.ShuffleMelody);
    cbPlayOneRandom_->setChecked(settings.PlayOneRandom);
    if (settings.UseCustomPlaylist)
        rbPlayMyOwn_->setChecked(true);
    else
        rbPlayBuiltIn_->setChecked(true);

    cbExitMouseMove_->setChecked(settings.ExitMouseMove);
    cbExitMouseButton_->setChecked(settings.ExitMouseButton);
    cbExitKeyboard_->setChecked(settings.ExitKeyboard);
    cbExitEscape_->setChecked(settings.ExitESC);

    rbSequentialClick();
    rbSizeResizeClick();
    rbPosCenterClick();
}

void ConfigPanel::ApplyVisibilityRules(const PanelPayload& payload) {
    webAddress_ = payload.WebAddress;
    bannerLink_ = payload.BannerLink;
    btnWebsite_->setVisible(!webAddress_.empty());
    const bool hidden[5] = {payload.HideGeneralTab, payload.HidePositionTab, payload.HideEffectsTab,
                            payload.HideSoundTab, payload.HideBehaviorTab};
    for (int i = 0; i < 5; ++i)
        pageControl_->setTabVisible(pageControl_->indexOf(tabs_[i]), !hidden[i]);
}

void ConfigPanel::ArrangeFrame(const PanelPayload& payload) {
    panelWebBanner_->show();
    panel3_->show();
    int height = kPanelDesignHeight;
    if (payload.ConfigBannerSize <= 0) {
        height -= kBannerStripHeight;
        bannerPlaceHolderPanel_->hide();
        configControlsPanel_->move(0, 0);
    } else {
        bannerPlaceHolderPanel_->show();
        configControlsPanel_->move(0, kBannerStripHeight);
        if (!payload.BannerLink.empty())
            imgBanner_->setCursor(Qt::PointingHandCursor);
    }
    link_->hide();
    height -= kLinkHeight;
    configControlsPanel_->resize(kPanelWidth, kPanelDesignHeight - kBannerStripHeight - kLinkHeight);
    configControlsPanel_->show();
    setFixedSize(kPanelWidth, height);
}

void ConfigPanel::SetPlaylistGroupHeight(int height) {
    const int delta = height - gbPlaylist_->height();
    gbPlaylist_->resize(gbPlaylist_->width(), height);
    for (QCheckBox* cb : {cbLoop_, cbShuffle_, cbPlayOneRandom_})
        cb->move(cb->x(), cb->y() + delta);
}

void ConfigPanel::ApplyPlaylistRules(const PanelPayload& payload) {
    if (!payload.AllowCustomPlaylist) {
        SetPlaylistGroupHeight(kPlaylistGroupHeightNoUserList);
        rbPlayMyOwn_->hide();
        rbPlayBuiltIn_->hide();
        btnPlaylistEditor_->hide();
    }
    if (payload.MelodyCount == 0) {
        rbPlayMyOwn_->setChecked(true);
        rbPlayBuiltIn_->setEnabled(false);
    }
    if (payload.MelodyCount == 1 && !payload.AllowCustomPlaylist) {
        cbShuffle_->hide();
        cbPlayOneRandom_->hide();
        SetPlaylistGroupHeight(kPlaylistGroupHeightOneMelody);
    }
}

void ConfigPanel::Configure(const PanelPayload& payload, const payload::StoredSettings& settings) {
    RenameFormControls();
    PutSettings(settings);
    ApplyVisibilityRules(payload);
    ArrangeFrame(payload);
    ApplyPlaylistRules(payload);
}

void ConfigPanel::StartEffectPreview() {
    imgPreviewTrans_->Start([this] { return lbEffects_->currentRow(); });
}

payload::StoredSettings ConfigPanel::ReadSettings() const {
    payload::StoredSettings s;
    s.Seconds = edSeconds_->value();
    s.Stretch = ComposeStretch(sizeTag_, positionTag_);
    s.DisplayOrder = orderTag_;
    s.DesktopStart = cbDesktop_->isChecked();
    s.Loop = cbLoop_->isChecked();
    s.Mute = cbMute_->isChecked();
    s.ShuffleMelody = cbShuffle_->isChecked();
    transitions::EffectChecklist checklist{};
    for (int i = 0; i < transitions::kEffectCount; ++i)
        checklist[std::size_t(i)] = lbEffects_->item(i)->checkState() == Qt::Checked;
    s.Effect = transitions::EffectSetFromChecklist(checklist);
    s.EffectSpeed = tbEffectSpeed_->value();
    s.PlayOneRandom = cbPlayOneRandom_->isChecked();
    s.ExitMouseMove = cbExitMouseMove_->isChecked();
    s.ExitMouseButton = cbExitMouseButton_->isChecked();
    s.ExitKeyboard = cbExitKeyboard_->isChecked();
    s.ExitESC = cbExitEscape_->isChecked();
    s.UseCustomPlaylist = rbPlayMyOwn_->isChecked();
    return s;
}

void ConfigPanel::rbSequentialClick() {
    orderTag_ = rbRandom_->isChecked() ? 1 : rbMixed_->isChecked() ? 2 : 0;
}

void ConfigPanel::rbSizeResizeClick() {
    sizeTag_ = rbSizeStretch_->isChecked() ? 1 : rbSizeNone_->isChecked() ? 2 : rbSizeResizeBig_->isChecked() ? 4 : 0;
    const bool positioned = rbSizeNone_->isChecked() || rbSizeResizeBig_->isChecked();
    gbPosition_->setEnabled(positioned);
    rbPosCenter_->setEnabled(positioned);
    rbPosRandom_->setEnabled(positioned);
}

void ConfigPanel::rbPosCenterClick() { positionTag_ = rbPosRandom_->isChecked() ? 1 : 0; }

void ConfigPanel::cbExitKeyboardClick(QCheckBox* sender) {
    // At least one way out of the show stays on.
    const bool any = cbExitMouseMove_->isChecked() || cbExitMouseButton_->isChecked() || cbExitKeyboard_->isChecked() ||
                     cbExitEscape_->isChecked();
    if (!any && sender)
        sender->setChecked(true);
}

void ConfigPanel::SetCheckMarks(bool checked) {
    for (int i = 0; i < lbEffects_->count(); ++i)
        lbEffects_->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void ConfigPanel::btnSelectAllClick() { SetCheckMarks(true); }

void ConfigPanel::btnSelectNoneClick() { SetCheckMarks(false); }

void ConfigPanel::btnWebsiteClick() {
    const std::string lower = ToAsciiLower(webAddress_);
    // The prefixed form is kept: every later use sees it. A secure address already has its
    // scheme; putting "http://" before it would make an address no browser can open.
    if (!lower.starts_with("http://") && !lower.starts_with("https://"))
        webAddress_ = "http://" + webAddress_;
    if (OpenAddress)
        OpenAddress(webAddress_);
}

void ConfigPanel::imgBannerClick() {
    if (!bannerLink_.empty() && OpenAddress)
        OpenAddress(bannerLink_);
}

} // namespace vorlandite::ui

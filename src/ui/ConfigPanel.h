#pragma once
// The configuration panel `CfgBox`: five tabs of the user's settings, a column of buttons and an
// optional banner strip above. The panel keeps no store of its own: the settings come in as a
// plain record (payload defaults with the user's stored values over them) and go back out as one
// when the window closes. What the panel needs of the payload beyond the settings comes in
// PanelPayload, so tests build a panel without a payload file or a registry.
//
// Controls carry the names of the design as object names (edSeconds, rbSizeNone, ...), which the
// tests and the end-to-end run find them by.

#include "payload/SettingsStore.h"

#include <QFrame>

#include <functional>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;

namespace vorlandite::ui {

class EffectPreviewFrame;

// Sizes of the design at 96 pixels per inch.
inline constexpr int kPanelWidth = 513;
inline constexpr int kPanelDesignHeight = 381;
inline constexpr int kBannerStripHeight = 69;
inline constexpr int kLinkHeight = 15;
inline constexpr int kPlaylistGroupHeight = 159;
inline constexpr int kPlaylistGroupHeightNoUserList = 95;
inline constexpr int kPlaylistGroupHeightOneMelody = 111;

// The payload's part in the panel: header flags and strings (8-bit payload text).
struct PanelPayload {
    int ConfigBannerSize = 0;
    bool AllowCustomPlaylist = true;
    int MelodyCount = 0;
    bool HideGeneralTab = false;
    bool HidePositionTab = false;
    bool HideEffectsTab = false;
    bool HideSoundTab = false;
    bool HideBehaviorTab = false;
    std::string WebAddress;
    std::string BannerLink;
};

// The size group's tag for a size radio and how the combined Stretch value is formed.
int ComposeStretch(int sizeTag, int positionTag);

class ConfigPanel : public QFrame {
    Q_OBJECT
public:
    explicit ConfigPanel(QWidget* parent = nullptr);
    ~ConfigPanel() override;

    // Everything the configuration start does, in its order: captions, settings into the
    // controls with the visibility rules, the frame arrangement, the playlist group rules.
    // The effect preview is started separately (StartEffectPreview), as it runs a timer and a
    // transition engine.
    void Configure(const PanelPayload& payload, const payload::StoredSettings& settings);

    // The steps of Configure.
    void RenameFormControls();
    void PutSettings(const payload::StoredSettings& settings);
    void ApplyVisibilityRules(const PanelPayload& payload);
    void ArrangeFrame(const PanelPayload& payload);
    void ApplyPlaylistRules(const PanelPayload& payload);
    void StartEffectPreview();

    // The fifteen values as the controls hold them now.
    payload::StoredSettings ReadSettings() const;

    // The web address as the Website button last left it ("http://" put in front).
    const std::string& WebAddress() const { return webAddress_; }

    // Actions that leave the panel. Addresses are 8-bit payload text.
    std::function<void(const std::string& address)> OpenAddress;
    std::function<void()> ShowAbout;
    std::function<void()> EditPlaylist;
    std::function<void()> CloseWindow;

    // Handlers, public so that tests and the end-to-end run reach exactly what a click does.
    void rbSequentialClick();
    void rbSizeResizeClick();
    void rbPosCenterClick();
    void cbExitKeyboardClick(QCheckBox* sender);
    void btnSelectAllClick();
    void btnSelectNoneClick();
    void btnWebsiteClick();
    void imgBannerClick();

    QTabWidget* PageControl() const { return pageControl_; }
    QListWidget* EffectList() const { return lbEffects_; }

private:
    void BuildGeneralTab();
    void BuildPositionTab();
    void BuildEffectsTab();
    void BuildSoundTab();
    void BuildBehaviorTab();
    void BuildButtonColumn();
    void SetPlaylistGroupHeight(int height);
    void SetCheckMarks(bool checked);

    QWidget* bannerPlaceHolderPanel_ = nullptr;
    QFrame* panelWebBanner_ = nullptr;
    QLabel* imgBanner_ = nullptr;
    QWidget* configControlsPanel_ = nullptr;
    QTabWidget* pageControl_ = nullptr;
    QLabel* link_ = nullptr;
    QWidget* tabs_[5] = {};

    QLabel* label12_ = nullptr;
    QSpinBox* edSeconds_ = nullptr;
    QLabel* label13_ = nullptr;
    QGroupBox* groupBox3_ = nullptr;
    QGroupBox* gbOrder_ = nullptr;
    QRadioButton* rbSequential_ = nullptr;
    QRadioButton* rbRandom_ = nullptr;
    QRadioButton* rbMixed_ = nullptr;
    QGroupBox* groupBox2_ = nullptr;
    QCheckBox* cbDesktop_ = nullptr;

    QGroupBox* gbSize_ = nullptr;
    QRadioButton* rbSizeResize_ = nullptr;
    QRadioButton* rbSizeResizeBig_ = nullptr;
    QRadioButton* rbSizeStretch_ = nullptr;
    QRadioButton* rbSizeNone_ = nullptr;
    QLabel* label37_ = nullptr;
    QGroupBox* gbPosition_ = nullptr;
    QRadioButton* rbPosCenter_ = nullptr;
    QRadioButton* rbPosRandom_ = nullptr;

    QGroupBox* groupBox9_ = nullptr;
    QListWidget* lbEffects_ = nullptr;
    QPushButton* btnSelectAll_ = nullptr;
    QPushButton* btnSelectNone_ = nullptr;
    QFrame* panel3_ = nullptr;
    EffectPreviewFrame* imgPreviewTrans_ = nullptr;
    QGroupBox* groupBox6_ = nullptr;
    QLabel* label16_ = nullptr;
    QLabel* label26_ = nullptr;
    QSlider* tbEffectSpeed_ = nullptr;

    QGroupBox* groupBox10_ = nullptr;
    QCheckBox* cbMute_ = nullptr;
    QGroupBox* gbPlaylist_ = nullptr;
    QRadioButton* rbPlayBuiltIn_ = nullptr;
    QRadioButton* rbPlayMyOwn_ = nullptr;
    QPushButton* btnPlaylistEditor_ = nullptr;
    QCheckBox* cbLoop_ = nullptr;
    QCheckBox* cbShuffle_ = nullptr;
    QCheckBox* cbPlayOneRandom_ = nullptr;

    QGroupBox* groupBox12_ = nullptr;
    QCheckBox* cbExitMouseMove_ = nullptr;
    QCheckBox* cbExitMouseButton_ = nullptr;
    QCheckBox* cbExitKeyboard_ = nullptr;
    QCheckBox* cbExitEscape_ = nullptr;

    QPushButton* btnAbout_ = nullptr;
    QPushButton* btnWebsite_ = nullptr;
    QPushButton* btnClose_ = nullptr;

    int orderTag_ = 0;
    int sizeTag_ = 0;
    int positionTag_ = 0;
    std::string webAddress_;
    std::string bannerLink_;
};

} // namespace vorlandite::ui

// The configuration panel on the offscreen platform: frame heights, the exit-condition rule, the
// position group and the combined Stretch value, the Website address, the playlist group rules,
// Select All/None, hidden tabs, translated captions that fit, and that what the panel reads back
// is what a following start loads.

#include "support/TempDir.h"

#include "payload/SettingsStore.h"
#include "platform/FileRegistry.h"
#include "ui/CaptionTable.h"
#include "transitions/EffectPreview.h"
#include "ui/ConfigPanel.h"
#include "ui/EffectPreviewFrame.h"
#include "support/QtApplication.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

#include <memory>
#include <string>
#include <vector>

namespace vorlandite::ui {
namespace {

class ConfigPanelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        vorlandite::testing::EnsureQtApplication<QApplication>();
    }
    void TearDown() override { FreeCaptionTable(); }

    // Payload defaults of a typical screensaver: every exit condition on, several melodies.
    static payload::StoredSettings Defaults() {
        payload::StoredSettings s;
        s.Seconds = 5;
        s.EffectSpeed = 5;
        s.Effect = "\x01\x02\x03";
        s.ExitMouseMove = s.ExitMouseButton = s.ExitKeyboard = s.ExitESC = true;
        return s;
    }
    static PanelPayload Payload() {
        PanelPayload p;
        p.AllowCustomPlaylist = true;
        p.MelodyCount = 3;
        return p;
    }
    std::unique_ptr<ConfigPanel> Make(const PanelPayload& p = Payload(), const payload::StoredSettings& s = Defaults()) {
        auto panel = std::make_unique<ConfigPanel>();
        panel->Configure(p, s);
        return panel;
    }
    template <typename T>
    static T* Find(ConfigPanel& panel, const char* name) {
        T* widget = panel.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
};

// ---- frame ----

struct HeightRow {
    const char* name;
    int bannerSize;
    int height;
};

class PanelHeight : public ConfigPanelTest, public ::testing::WithParamInterface<HeightRow> {};

TEST_P(PanelHeight, ShorterWithoutBannerAndWithoutLink) {
    PanelPayload p = Payload();
    p.ConfigBannerSize = GetParam().bannerSize;
    auto panel = Make(p);
    EXPECT_EQ(panel->size(), QSize(kPanelWidth, GetParam().height));
    auto* strip = Find<QWidget>(*panel, "BannerPlaceHolderPanel");
    EXPECT_EQ(strip->isVisibleTo(panel.get()), GetParam().bannerSize > 0);
    EXPECT_FALSE(Find<QLabel>(*panel, "Link")->isVisibleTo(panel.get()));
    // The controls fill the rest exactly; nothing hangs below the frame.
    auto* controls = Find<QWidget>(*panel, "ConfigControlsPanel");
    EXPECT_EQ(controls->geometry().bottom() + 1, GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(Frame, PanelHeight,
                         ::testing::Values(HeightRow{"NoBanner", 0, 381 - 69 - 15},
                                           HeightRow{"NegativeBannerSize", -1, 381 - 69 - 15},
                                           HeightRow{"WithBanner", 2048, 381 - 15}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(ConfigPanelTest, BannerClickOpensTheBannerLinkOnlyWhenThereIsOne) {
    PanelPayload p = Payload();
    p.ConfigBannerSize = 10;
    std::vector<std::string> opened;
    auto panel = Make(p);
    panel->OpenAddress = [&](const std::string& a) { opened.push_back(a); };
    panel->imgBannerClick();
    EXPECT_TRUE(opened.empty());
    p.BannerLink = "http://banner.example/";
    panel->Configure(p, Defaults());
    panel->imgBannerClick();
    EXPECT_EQ(opened, std::vector<std::string>{"http://banner.example/"});
    EXPECT_EQ(Find<QLabel>(*panel, "imgBanner")->cursor().shape(), Qt::PointingHandCursor);
}

// ---- behavior ----

TEST_F(ConfigPanelTest, TheLastExitConditionCannotBeUnchecked) {
    payload::StoredSettings s = Defaults();
    s.ExitMouseMove = s.ExitMouseButton = s.ExitESC = false;
    auto panel = Make(Payload(), s);
    auto* keyboard = Find<QCheckBox>(*panel, "cbExitKeyboard");
    auto* escape = Find<QCheckBox>(*panel, "cbExitEscape");
    keyboard->click();
    EXPECT_TRUE(keyboard->isChecked());
    escape->click();
    keyboard->click();
    EXPECT_FALSE(keyboard->isChecked()) << "with two checked, one can go";
    escape->click();
    EXPECT_TRUE(escape->isChecked());
    const payload::StoredSettings read = panel->ReadSettings();
    EXPECT_TRUE(read.ExitESC);
    EXPECT_FALSE(read.ExitKeyboard || read.ExitMouseMove || read.ExitMouseButton);
}

// ---- position ----

TEST_F(ConfigPanelTest, PositionGroupFollowsTheSizeChoiceAndKeepsItsMarks) {
    auto panel = Make();
    auto* group = Find<QGroupBox>(*panel, "gbPosition");
    auto* random = Find<QRadioButton>(*panel, "rbPosRandom");
    EXPECT_FALSE(group->isEnabled());
    Find<QRadioButton>(*panel, "rbSizeNone")->click();
    EXPECT_TRUE(group->isEnabled());
    EXPECT_TRUE(random->isEnabled());
    random->click();
    EXPECT_EQ(panel->ReadSettings().Stretch, 3);
    Find<QRadioButton>(*panel, "rbSizeResizeBig")->click();
    EXPECT_EQ(panel->ReadSettings().Stretch, 5);
    Find<QRadioButton>(*panel, "rbSizeStretch")->click();
    EXPECT_FALSE(group->isEnabled());
    EXPECT_EQ(panel->ReadSettings().Stretch, 1);
    Find<QRadioButton>(*panel, "rbSizeResize")->click();
    EXPECT_FALSE(random->isEnabled());
    EXPECT_TRUE(random->isChecked()) << "the position radios keep their marks";
    const payload::StoredSettings stored = panel->ReadSettings();
    EXPECT_EQ(stored.Stretch, 0);

    // And back: a stored 0 comes back as the plain resize choice, the position at its design.
    auto again = Make(Payload(), stored);
    EXPECT_TRUE(Find<QRadioButton>(*again, "rbSizeResize")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(*again, "rbPosCenter")->isChecked());
    EXPECT_FALSE(Find<QGroupBox>(*again, "gbPosition")->isEnabled());
}

struct StretchRow {
    const char* name;
    int stretch;
    const char* sizeRadio;
    const char* positionRadio;
    bool positionEnabled;
};

class StretchRoundTrip : public ConfigPanelTest, public ::testing::WithParamInterface<StretchRow> {};

TEST_P(StretchRoundTrip, StoredValueSelectsItsRadiosAndComesBack) {
    payload::StoredSettings s = Defaults();
    s.Stretch = GetParam().stretch;
    auto panel = Make(Payload(), s);
    EXPECT_TRUE(Find<QRadioButton>(*panel, GetParam().sizeRadio)->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(*panel, GetParam().positionRadio)->isChecked());
    EXPECT_EQ(Find<QGroupBox>(*panel, "gbPosition")->isEnabled(), GetParam().positionEnabled);
    EXPECT_EQ(panel->ReadSettings().Stretch, GetParam().stretch);
}

INSTANTIATE_TEST_SUITE_P(Position, StretchRoundTrip,
                         ::testing::Values(StretchRow{"ResizeToFit", 0, "rbSizeResize", "rbPosCenter", false},
                                           StretchRow{"StretchToFit", 1, "rbSizeStretch", "rbPosCenter", false},
                                           StretchRow{"KeepSizeCentred", 2, "rbSizeNone", "rbPosCenter", true},
                                           StretchRow{"KeepSizeRandom", 3, "rbSizeNone", "rbPosRandom", true},
                                           StretchRow{"ShrinkCentred", 4, "rbSizeResizeBig", "rbPosCenter", true},
                                           StretchRow{"ShrinkRandom", 5, "rbSizeResizeBig", "rbPosRandom", true}),
                         [](const auto& row) { return std::string(row.param.name); });

// ---- Website ----

struct WebsiteRow {
    const char* name;
    const char* stored;
    const char* opened;
};

class WebsiteAddress : public ConfigPanelTest, public ::testing::WithParamInterface<WebsiteRow> {};

TEST_P(WebsiteAddress, SchemeIsPutInFrontOnlyWhenMissing) {
    PanelPayload p = Payload();
    p.WebAddress = GetParam().stored;
    auto panel = Make(p);
    EXPECT_TRUE(Find<QPushButton>(*panel, "btnWebsite")->isVisibleTo(panel.get()));
    std::vector<std::string> opened;
    panel->OpenAddress = [&](const std::string& a) { opened.push_back(a); };
    panel->btnWebsiteClick();
    panel->btnWebsiteClick();  // the stored form keeps its prefix: no second one
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], GetParam().opened);
    EXPECT_EQ(opened[1], GetParam().opened);
    EXPECT_EQ(panel->WebAddress(), GetParam().opened);
}

INSTANTIATE_TEST_SUITE_P(
    Website, WebsiteAddress,
    ::testing::Values(WebsiteRow{"NoScheme", "www.example.com", "http://www.example.com"},
                      WebsiteRow{"CapitalPrefix", "HTTP://Example.com/", "HTTP://Example.com/"},
                      WebsiteRow{"Plain", "http://example.com", "http://example.com"},
                      // A secure address already has its scheme.
                      WebsiteRow{"Secure", "https://example.com", "https://example.com"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(ConfigPanelTest, WebsiteButtonHiddenWithoutAnAddress) {
    auto panel = Make();
    EXPECT_FALSE(Find<QPushButton>(*panel, "btnWebsite")->isVisibleTo(panel.get()));
}

// ---- sound ----

TEST_F(ConfigPanelTest, NoMelodiesForceTheUsersPlaylist) {
    PanelPayload p = Payload();
    p.MelodyCount = 0;
    payload::StoredSettings s = Defaults();
    s.UseCustomPlaylist = false;
    auto panel = Make(p, s);
    EXPECT_TRUE(Find<QRadioButton>(*panel, "rbPlayMyOwn")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>(*panel, "rbPlayBuiltIn")->isEnabled());
    EXPECT_TRUE(panel->ReadSettings().UseCustomPlaylist);
    EXPECT_EQ(Find<QGroupBox>(*panel, "gbPlaylist")->height(), kPlaylistGroupHeight);
}

struct PlaylistRow {
    const char* name;
    bool allowCustom;
    int melodies;
    int height;
    std::vector<const char*> shown;
};

class PlaylistGroup : public ConfigPanelTest, public ::testing::WithParamInterface<PlaylistRow> {};

TEST_P(PlaylistGroup, HeightAndVisibleControls) {
    PanelPayload p = Payload();
    p.AllowCustomPlaylist = GetParam().allowCustom;
    p.MelodyCount = GetParam().melodies;
    auto design = Make();
    auto panel = Make(p);
    auto* group = Find<QGroupBox>(*panel, "gbPlaylist");
    EXPECT_EQ(group->height(), GetParam().height);
    std::vector<std::string> shown;
    // The Sound tab is not the current one: ask for the controls' own state.
    for (QAbstractButton* b : group->findChildren<QAbstractButton*>()) {
        if (!b->isHidden())
            shown.push_back(b->objectName().toStdString());
    }
    std::vector<std::string> expected(GetParam().shown.begin(), GetParam().shown.end());
    std::sort(shown.begin(), shown.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(shown, expected);
    // The bottom row moves with the bottom edge and stays inside the group.
    auto* loop = Find<QCheckBox>(*panel, "cbLoop");
    EXPECT_EQ(loop->y() - Find<QCheckBox>(*design, "cbLoop")->y(), GetParam().height - kPlaylistGroupHeight);
    for (QAbstractButton* b : group->findChildren<QAbstractButton*>()) {
        if (b->isHidden())
            continue;
        EXPECT_LE(b->geometry().bottom(), group->height()) << b->objectName().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sound, PlaylistGroup,
    ::testing::Values(
        PlaylistRow{"Design", true, 3, 159,
                    {"rbPlayBuiltIn", "rbPlayMyOwn", "btnPlaylistEditor", "cbLoop", "cbShuffle", "cbPlayOneRandom"}},
        PlaylistRow{"NoUserList", false, 3, 95, {"cbLoop", "cbShuffle", "cbPlayOneRandom"}},
        PlaylistRow{"OneMelodyNoUserList", false, 1, 111, {"cbLoop"}},
        PlaylistRow{"OneMelodyWithUserList", true, 1, 159,
                    {"rbPlayBuiltIn", "rbPlayMyOwn", "btnPlaylistEditor", "cbLoop", "cbShuffle", "cbPlayOneRandom"}}),
    [](const auto& row) { return std::string(row.param.name); });

// ---- effects ----

TEST_F(ConfigPanelTest, SelectNoneAndAllSetEveryMarkAndKeepTheRow) {
    auto panel = Make();
    QListWidget* list = panel->EffectList();
    ASSERT_EQ(list->count(), 120);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("Slide From Up Left"));
    list->setCurrentRow(57);
    panel->btnSelectNoneClick();
    EXPECT_EQ(panel->ReadSettings().Effect, "");
    EXPECT_EQ(list->currentRow(), 57);
    panel->btnSelectAllClick();
    const std::string all = panel->ReadSettings().Effect;
    ASSERT_EQ(all.size(), 120u);
    for (int i = 0; i < 120; ++i)
        EXPECT_EQ(static_cast<unsigned char>(all[std::size_t(i)]), i + 1);
    EXPECT_EQ(list->currentRow(), 57);
}

// ---- tabs and captions ----

TEST_F(ConfigPanelTest, HiddenTabsLeaveTheOthersInOrder) {
    PanelPayload p = Payload();
    p.HidePositionTab = true;
    p.HideSoundTab = true;
    auto panel = Make(p);
    QTabWidget* tabs = panel->PageControl();
    std::vector<std::string> visible;
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->isTabVisible(i))
            visible.push_back(tabs->tabText(i).toStdString());
    EXPECT_EQ(visible, (std::vector<std::string>{"General", "Effects", "Behavior"}));
    EXPECT_EQ(tabs->currentIndex(), 0);
}

TEST_F(ConfigPanelTest, CaptionsAreTranslatedBeforeTheirSuffix) {
    LoadCaptionTable("Screen Saver\nAbout=\xC0 propos\n&Resize to fit screen=&Redimensionner\nClose=Fermer",
                     kCaptionSection);
    auto panel = Make();
    EXPECT_EQ(Find<QPushButton>(*panel, "btnAbout")->text(), QStringLiteral("\u00C0 propos..."));
    EXPECT_EQ(Find<QRadioButton>(*panel, "rbSizeResize")->text(), QStringLiteral("&Redimensionner *"));
    EXPECT_EQ(Find<QRadioButton>(*panel, "rbSizeResizeBig")->text(),
              QStringLiteral("Resize &only if too big to fit screen *"));
    EXPECT_EQ(Find<QPushButton>(*panel, "btnClose")->text(), QStringLiteral("Fermer"));
    EXPECT_EQ(Find<QPushButton>(*panel, "btnWebsite")->text(), QStringLiteral("Website..."));
}

TEST_F(ConfigPanelTest, CaptionsFitTheirControlsAtTheSystemFont) {
    auto panel = Make();
    for (QWidget* w : panel->findChildren<QWidget*>()) {
        const bool text = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w);
        // The tab bar's scroll arrows are the toolkit's own.
        if (!text || panel->PageControl()->tabBar()->isAncestorOf(w) || w->objectName() == QLatin1String("imgBanner") || w->objectName() == QLatin1String("Link"))
            continue;
        EXPECT_LE(w->sizeHint().width(), w->width()) << w->objectName().toStdString();
        EXPECT_LE(w->sizeHint().height(), w->height() + 2) << w->objectName().toStdString();
    }
    // Every tab's controls stay inside the page.
    QTabWidget* tabs = panel->PageControl();
    for (int i = 0; i < tabs->count(); ++i) {
        QWidget* page = tabs->widget(i);
        for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            EXPECT_LE(child->geometry().right(), tabs->contentsRect().width()) << child->objectName().toStdString();
            EXPECT_LE(child->geometry().bottom(), tabs->contentsRect().height() - tabs->tabBar()->height())
                << child->objectName().toStdString();
        }
    }
    // With VORLANDITE_SHOTS=<folder> the five tabs are saved as pictures to look at.
    const QByteArray shots = qgetenv("VORLANDITE_SHOTS");
    if (!shots.isEmpty()) {
        panel->show();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            panel->grab().save(QDir(QString::fromLocal8Bit(shots)).filePath(QStringLiteral("tab-%1-%2.png").arg(i + 1).arg(tabs->tabText(i))));
        }
    }
}

// ---- close and the next start ----

TEST_F(ConfigPanelTest, WhatClosingStoresIsWhatTheNextStartLoads) {
    vorlandite::testing::TempDir dir;
    platform::FileRegistry registry(dir.File("user.reg"));
    payload::StoredSettings s;
    s.Seconds = 42;
    s.Stretch = 5;
    s.DisplayOrder = 2;
    s.DesktopStart = true;
    s.Loop = true;
    s.Mute = true;
    s.ShuffleMelody = true;
    s.Effect = std::string("\x05\x40\x78", 3);
    s.EffectSpeed = 9;
    s.PlayOneRandom = true;
    s.ExitMouseMove = false;
    s.ExitMouseButton = true;
    s.ExitKeyboard = false;
    s.ExitESC = true;
    s.UseCustomPlaylist = true;
    auto panel = Make(Payload(), s);
    const payload::StoredSettings read = panel->ReadSettings();
    EXPECT_EQ(read, s) << "unchanged controls give back every value";
    ASSERT_TRUE(payload::SaveSettings(registry, "Round Trip", read));

    // The next start: payload defaults, then the store over them.
    payload::TKelFixedSizeInfo header;
    payload::TKelVarSizeInfo strings;
    bool useCustom = false;
    ASSERT_TRUE(payload::LoadSettings(registry, "Round Trip", header, strings, useCustom));
    EXPECT_EQ(payload::CurrentSettings(header, strings, useCustom), s);
}

TEST_F(ConfigPanelTest, OutOfRangeStoredValuesComeBackWithinTheControlsRanges) {
    payload::StoredSettings s = Defaults();
    s.Seconds = 0;
    s.EffectSpeed = 25;
    s.DisplayOrder = 7;
    s.Stretch = 9;
    auto panel = Make(Payload(), s);
    const payload::StoredSettings read = panel->ReadSettings();
    EXPECT_EQ(read.Seconds, 1);
    EXPECT_EQ(read.EffectSpeed, 10);
    EXPECT_EQ(read.DisplayOrder, 0);
    EXPECT_EQ(read.Stretch, 0);
}

} // namespace
} // namespace vorlandite::ui

namespace vorlandite::ui {
namespace {

bool SamePicture(const raster::TBitmap32& a, const raster::TBitmap32& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                return false;
    return true;
}

// The preview on the panel runs the real engine on its own timer: a click on a row plays that
// effect and leaves the first sample picture on the preview.
TEST_F(ConfigPanelTest, ClickingAnEffectPlaysItOnThePreview) {
    auto panel = Make();
    panel->StartEffectPreview();
    auto* frame = panel->findChild<EffectPreviewFrame*>(QStringLiteral("ImgPreviewTrans"));
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(SamePicture(frame->Canvas(), transitions::MakePreviewSample(2)));
    panel->EffectList()->setCurrentRow(0);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 3000 && !SamePicture(frame->Canvas(), transitions::MakePreviewSample(1)))
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(SamePicture(frame->Canvas(), transitions::MakePreviewSample(1)));
    EXPECT_FALSE(frame->Preview()->PreviewPending());
    EXPECT_TRUE(frame->Preview()->PreviewToggle());
}

} // namespace
} // namespace vorlandite::ui

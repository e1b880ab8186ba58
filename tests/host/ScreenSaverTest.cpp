// The screensaver host component without a real display (offscreen windows): the defaults the
// main window relies on, which operation each switch letter runs and which events it raises,
// what the full-screen mode changes and gives back, and when the show asks for the password.

#include "host/ScreenSaver.h"
#include "platform/FileRegistry.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QFrame>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vorlandite::host {
namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "host_screensaver_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's input-device registry goes first at exit, and the application would
    // then free devices it no longer knows. The tests of this program share one application.
    static QApplication* app = QCoreApplication::instance() ? static_cast<QApplication*>(QCoreApplication::instance())
                                                           : new QApplication(argc, argv);
    return *app;
}

class FakeInhibitor final : public platform::ScreenSaverInhibitor {
public:
    void Suspend() override { ++suspends; }
    void Restore() override { ++restores; }
    int suspends = 0;
    int restores = 0;
};

class FakePassword final : public platform::ScreenSaverPassword {
public:
    std::optional<bool> Verify() override {
        ++asked;
        return answer;
    }
    std::optional<bool> answer;
    int asked = 0;
};

// One owner window with its panel and the component on it, recording what it raises.
struct Host {
    explicit Host(char letter, std::optional<uint64_t> handle = std::nullopt) {
        panel = new QFrame(&window);
        panel->setObjectName(QStringLiteral("CfgBox"));
        panel->setFixedSize(300, 200);
        other = new QFrame(&window);
        other->setObjectName(QStringLiteral("Other"));
        ScreenSaverServices services;
        services.registry = &registry;
        services.password = &password;
        services.inhibitor = &inhibitor;
        services.windowManagerRunning = windowManager;
        services.EndApplication = [this] { events.push_back("end"); };
        saver = std::make_unique<TScreenSaver>(window, ScreenSaverCommandLine{letter, handle}, services);
        auto record = [this](const char* name) { return [this, name](TScreenSaver&) { events.push_back(name); }; };
        saver->OnPreviewActive = record("preview");
        saver->OnMainSaverActive = record("main");
        saver->OnConfigBoxActive = record("config");
        saver->OnPasswordSet = record("password");
        saver->OnBeforePreviewActive = record("before-preview");
        saver->OnBeforeMainSaverActive = record("before-main");
        saver->OnBeforeConfigBoxActive = record("before-config");
        saver->OnBeforePasswordSet = record("before-password");
    }
    ~Host() {
        saver.reset();
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
    }

    void SetUsePassword(int32_t value) {
        auto key = registry.OpenKey(platform::kDesktopKey, true);
        ASSERT_TRUE(key.ok());
        (*key)->WriteInteger(platform::kScreenSaveUsePasswordValue, value);
        ASSERT_TRUE((*key)->Close().ok());
    }

    QApplication& app = App();  // before any widget
    testing::TempDir dir;
    platform::FileRegistry registry{dir.File("user.reg")};
    FakePassword password;
    FakeInhibitor inhibitor;
    bool windowManager = true;
    QWidget window;
    QFrame* panel = nullptr;
    QFrame* other = nullptr;
    std::unique_ptr<TScreenSaver> saver;
    std::vector<std::string> events;
};

TEST(ScreenSaverTest, DefaultsAreThoseTheMainWindowLeavesInPlace) {
    Host host('S');
    const TScreenSaver& s = *host.saver;
    EXPECT_TRUE(s.AutoEnable && s.AutoMaximize && s.AutoBorderLess && s.AutoOnTop && s.AutoMouseHide &&
                s.AutoPanelHide && s.PreviewWindow && s.MainScreenSaver && s.ConfigurationBox &&
                s.SystemKeysDisabled && s.PasswordSetting);
    EXPECT_EQ(s.ConfigurationBoxStyle, TConfigBoxStyle::cbsMessageDlg);
    EXPECT_EQ(s.ConfigurationBoxPanel, nullptr);
    EXPECT_FALSE(s.ConfigurationBoxMessage.empty());
}

struct DispatchRow {
    const char* name;
    char letter;
    std::vector<std::string> events;
};

class DispatchTest : public ::testing::TestWithParam<DispatchRow> {};

TEST_P(DispatchTest, RunsTheOperationOfTheSwitchLetter) {
    Host host(GetParam().letter);
    host.saver->ConfigurationBoxStyle = TConfigBoxStyle::cbsPanel;
    host.saver->ConfigurationBoxPanel = host.panel;
    host.saver->AutoEnable = false;
    host.saver->Loaded();
    EXPECT_TRUE(host.events.empty()) << "Loaded dispatched with AutoEnable off";
    host.saver->Dispatch();
    EXPECT_EQ(host.events, GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(
    Letters, DispatchTest,
    ::testing::Values(DispatchRow{"Preview", 'P', {"before-preview", "preview"}},
                      DispatchRow{"Show", 'S', {"before-main", "main"}},
                      DispatchRow{"PasswordChangeEndsTheProgram", 'A', {"before-password", "password", "end"}},
                      DispatchRow{"ConfigureFromDisplaySettings", 'C', {"before-config", "config"}},
                      DispatchRow{"UnknownLetterConfigures", 'X', {"before-config", "config"}},
                      DispatchRow{"NoLetterConfigures", '\0', {"before-config", "config"}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ScreenSaverTest, LoadedRunsDispatchOnlyWithAutoEnableAndHidesTheOwnPanel) {
    Host host('S');
    host.saver->ConfigurationBoxStyle = TConfigBoxStyle::cbsPanel;
    host.saver->ConfigurationBoxPanel = host.panel;
    host.window.show();
    host.saver->Loaded();
    EXPECT_TRUE(host.panel->isHidden());
    EXPECT_EQ(host.events, (std::vector<std::string>{"before-main", "main"}));
}

TEST(ScreenSaverTest, APanelOfAnotherWindowFallsBackToTheMessageStyle) {
    Host host('C');
    QFrame stranger;
    host.saver->ConfigurationBoxStyle = TConfigBoxStyle::cbsPanel;
    host.saver->ConfigurationBoxPanel = &stranger;
    host.saver->AutoEnable = false;
    host.saver->Loaded();
    EXPECT_EQ(host.saver->ConfigurationBoxStyle, TConfigBoxStyle::cbsMessageDlg);
    EXPECT_EQ(host.saver->ConfigurationBoxPanel, nullptr);
    // The message style raises its event twice and ends the program.
    host.saver->Dispatch();
    EXPECT_EQ(host.events, (std::vector<std::string>{"before-config", "config", "end", "config"}));
}

TEST(ScreenSaverTest, PanelStyleShowsOnlyThePanelInAFixedDialogOfItsSize) {
    Host host('C');
    host.saver->ConfigurationBoxStyle = TConfigBoxStyle::cbsPanel;
    host.saver->ConfigurationBoxPanel = host.panel;
    host.saver->RunConfigBox();
    host.window.show();
    EXPECT_TRUE(host.other->isHidden());
    EXPECT_FALSE(host.panel->isHidden());
    EXPECT_EQ(host.panel->pos(), QPoint(0, 0));
    EXPECT_EQ(host.window.size(), QSize(300, 200));
    EXPECT_EQ(host.window.minimumSize(), host.window.maximumSize()) << "not a fixed dialog";
}

TEST(ScreenSaverTest, FullScreenHoldsOffTheDesktopSaverAndGivesEverythingBackOnce) {
    Host host('S');
    host.saver->RunMainSaver();
    EXPECT_EQ(host.inhibitor.suspends, 1);
    EXPECT_TRUE(host.saver->CursorHidden());
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
    const Qt::WindowFlags flags = host.window.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(flags.testFlag(Qt::X11BypassWindowManagerHint)) << "a window manager is there";
    EXPECT_EQ(host.window.geometry(), QGuiApplication::primaryScreen()->geometry());

    host.saver->Destroy();
    host.saver->Destroy();
    EXPECT_EQ(host.inhibitor.restores, 1);
    EXPECT_FALSE(host.saver->CursorHidden());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(ScreenSaverTest, WithoutAWindowManagerTheShowWindowBypassesIt) {
    Host host('S');
    // A fresh component with the other answer; the first one goes without having run.
    host.windowManager = false;
    ScreenSaverServices services;
    services.inhibitor = &host.inhibitor;
    services.windowManagerRunning = false;
    TScreenSaver saver(host.window, {'S', std::nullopt}, services);
    saver.RunMainSaver();
    EXPECT_TRUE(host.window.windowFlags().testFlag(Qt::X11BypassWindowManagerHint));
}

TEST(ScreenSaverTest, TheDestructorGivesBackWhatTheShowChanged) {
    FakeInhibitor inhibitor;
    {
        Host host('S');
        ScreenSaverServices services;
        services.inhibitor = &inhibitor;
        TScreenSaver saver(host.window, {'S', std::nullopt}, services);
        saver.RunMainSaver();
    }
    EXPECT_EQ(inhibitor.suspends, 1);
    EXPECT_EQ(inhibitor.restores, 1);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(ScreenSaverTest, APreviewWithoutAWindowNumberStaysAnOrdinaryWindow) {
    Host host('P');
    host.saver->RunPreview();
    EXPECT_FALSE(host.saver->Embedded());
    EXPECT_EQ(host.events, (std::vector<std::string>{"before-preview", "preview"}));
}

struct PasswordRow {
    const char* name;
    char letter;
    std::optional<int32_t> usePassword;  // nullopt: no value stored
    std::optional<bool> answer;          // the desktop's check; nullopt: none there
    bool mayEnd;
    bool asked;
};

class VerifyPasswordTest : public ::testing::TestWithParam<PasswordRow> {};

TEST_P(VerifyPasswordTest, AsksOnlyInADesktopStartedShowThatWantsIt) {
    const PasswordRow& row = GetParam();
    Host host(row.letter);
    if (row.usePassword)
        host.SetUsePassword(*row.usePassword);
    host.password.answer = row.answer;
    host.saver->HideCursor();
    EXPECT_EQ(host.saver->VerifyPassword(), row.mayEnd);
    EXPECT_EQ(host.password.asked, row.asked ? 1 : 0);
    // A refused password keeps the show going with the cursor hidden again.
    EXPECT_EQ(host.saver->CursorHidden(), !row.mayEnd);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, VerifyPasswordTest,
    ::testing::Values(PasswordRow{"NoValueStored", 'S', std::nullopt, false, true, false},
                      PasswordRow{"ValueZero", 'S', 0, false, true, false},
                      PasswordRow{"GivenPassword", 'S', 1, true, true, true},
                      PasswordRow{"RefusedPassword", 'S', 1, false, false, true},
                      PasswordRow{"AnyNonZeroValueAsks", 'S', -7, false, false, true},
                      PasswordRow{"NoCheckOnThisDesktop", 'S', 1, std::nullopt, true, true},
                      PasswordRow{"ProgramStartNeverAsks", '\0', 1, false, true, false},
                      PasswordRow{"PreviewNeverAsks", 'P', 1, false, true, false},
                      PasswordRow{"ConfigurationNeverAsks", 'C', 1, false, true, false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ScreenSaverTest, APasswordFlagWrittenAsTextCountsWhenItIsANumber) {
    for (const auto& [text, asks] : {std::pair{"1", true}, {"0", false}, {"yes", false}, {"", false}, {"2x", false}}) {
        Host host('S');
        {
            auto key = host.registry.OpenKey(platform::kDesktopKey, true);
            ASSERT_TRUE(key.ok());
            (*key)->WriteString(platform::kScreenSaveUsePasswordValue, text);
            ASSERT_TRUE((*key)->Close().ok());
        }
        host.password.answer = false;
        EXPECT_EQ(host.saver->VerifyPassword(), !asks) << '"' << text << '"';
        EXPECT_EQ(host.password.asked, asks ? 1 : 0) << '"' << text << '"';
    }
}

} // namespace
} // namespace vorlandite::host

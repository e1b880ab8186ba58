// Opening addresses and applying the wallpaper: which desktop facility is chosen and what it is
// asked to run, with a fake command runner; and the process launching itself.

#include "platform/DesktopWallpaper.h"
#include "platform/ShellOpen.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace vorlandite::platform {
namespace {

// Programs "installed" by name; every run is recorded and answered from a table by its first
// two words ("gsettings writable"), else with success.
class FakeRunner final : public ICommandRunner {
public:
    bool Exists(const std::string& program) override { return installed.contains(program); }
    Result<CommandResult> Run(const std::vector<std::string>& arguments) override {
        runs.push_back(arguments);
        if (!installed.contains(arguments.front()))
            return MakeError("cannot start");
        const std::string key = arguments.front() + " " + (arguments.size() > 1 ? arguments[1] : "");
        if (auto it = answers.find(key); it != answers.end())
            return it->second;
        return CommandResult{0, ""};
    }
    bool Ran(const std::vector<std::string>& arguments) const {
        return std::find(runs.begin(), runs.end(), arguments) != runs.end();
    }

    std::set<std::string> installed;
    std::map<std::string, CommandResult> answers;
    std::vector<std::vector<std::string>> runs;
};

struct FacilityRow {
    const char* name;
    const char* desktop;
    std::vector<std::string> installed;
    bool gnomeSchemaWritable;
    WallpaperFacility expected;
};

class FacilityChoice : public ::testing::TestWithParam<FacilityRow> {};

TEST_P(FacilityChoice, PicksTheSessionsOwnOrTheFirstFound) {
    const FacilityRow& row = GetParam();
    FakeRunner runner;
    runner.installed.insert(row.installed.begin(), row.installed.end());
    runner.answers["gsettings writable"] = CommandResult{0, row.gnomeSchemaWritable ? "true\n" : "false\n"};
    EXPECT_EQ(WallpaperFacilityName(DetectWallpaperFacility(runner, row.desktop)),
              WallpaperFacilityName(row.expected));
}

const std::vector<std::string> kAll = {"gsettings", "plasma-apply-wallpaperimage", "xfconf-query", "feh"};

INSTANTIATE_TEST_SUITE_P(
    Sessions, FacilityChoice,
    ::testing::Values(
        FacilityRow{"GnomeSession", "ubuntu:GNOME", kAll, true, WallpaperFacility::Gnome},
        FacilityRow{"KdeSessionWithGnomeSchemasInstalled", "KDE", kAll, true, WallpaperFacility::Kde},
        FacilityRow{"XfceSessionWithGnomeSchemasInstalled", "XFCE", kAll, true, WallpaperFacility::Xfce},
        FacilityRow{"UnknownSessionOrderGnomeFirst", "", kAll, true, WallpaperFacility::Gnome},
        FacilityRow{"UnknownSessionGnomeSchemaMissing", "i3", kAll, false, WallpaperFacility::Kde},
        FacilityRow{"UnknownSessionXfceBeforeFeh", "", {"gsettings", "xfconf-query", "feh"}, false,
                    WallpaperFacility::Xfce},
        FacilityRow{"OnlyFeh", "i3", {"feh"}, false, WallpaperFacility::Feh},
        FacilityRow{"KdeSessionWithoutItsToolFallsThrough", "KDE", {"feh"}, false, WallpaperFacility::Feh},
        FacilityRow{"Nothing", "GNOME", {}, false, WallpaperFacility::None}),
    [](const auto& rowInfo) { return std::string(rowInfo.param.name); });

TEST(DesktopWallpaperApply, GnomeGetsFileUriAndPlacement) {
    FakeRunner runner;
    runner.installed = {"gsettings"};
    DesktopWallpaper(runner, "GNOME").Apply("/home/u/.local/share/vorlandite/Screen Saver Wallpaper.bmp", false);
    const std::string uri = "file:///home/u/.local/share/vorlandite/Screen%20Saver%20Wallpaper.bmp";
    EXPECT_TRUE(runner.Ran({"gsettings", "set", "org.gnome.desktop.background", "picture-uri", uri}));
    EXPECT_TRUE(runner.Ran({"gsettings", "set", "org.gnome.desktop.background", "picture-uri-dark", uri}));
    EXPECT_TRUE(runner.Ran({"gsettings", "set", "org.gnome.desktop.background", "picture-options", "centered"}));

    DesktopWallpaper(runner, "GNOME").Apply("/w.bmp", true);
    EXPECT_TRUE(runner.Ran({"gsettings", "set", "org.gnome.desktop.background", "picture-options", "stretched"}));
}

TEST(SystemCommandRunner, CapturesOutputAndStopsARunawayChild) {
    SystemCommandRunner runner(300);
    EXPECT_TRUE(runner.Exists("sh"));
    EXPECT_FALSE(runner.Exists("no-such-program-vorlandite"));
    auto echoed = runner.Run({"sh", "-c", "echo hi; exit 4"});
    ASSERT_TRUE(echoed.ok());
    EXPECT_EQ(echoed->output, "hi\n");
    EXPECT_EQ(echoed->exitCode, 4);
    EXPECT_FALSE(runner.Run({"sleep", "5"}).ok());
    EXPECT_FALSE(runner.Run({"no-such-program-vorlandite"}).ok());
}

// ---- exit link and the browser launch -------------------------------------------------------

struct ExitLinkRow {
    const char* name;
    int osVersionCode;
    bool browserInstalled;
    const char* expectedShell;    // "" when the shell is not used
    const char* expectedLaunch;   // "" when no process is started
};

class ExitLink : public ::testing::TestWithParam<ExitLinkRow> {};

TEST_P(ExitLink, OpenedByTheSystemsRoad) {
    const ExitLinkRow& row = GetParam();
    FakeShellOpen shell;
    std::vector<std::string> launched;
    BrowserLauncher launcher;
    launcher.programFilesDir = "C:\\Program Files\\";
    launcher.fileExists = [&](const std::string& p) {
        return row.browserInstalled && p == "C:\\Program Files\\Internet Explorer\\iexplore.exe";
    };
    launcher.launchAndWait = [&](const std::string& c) {
        launched.push_back(c);
        return 0;
    };
    OpenExitLink("http://example.test/a b", row.osVersionCode, shell, launcher);
    EXPECT_EQ(shell.opened.empty() ? "" : shell.opened.front(), row.expectedShell);
    EXPECT_EQ(launched.empty() ? "" : launched.front(), row.expectedLaunch);
}

INSTANTIATE_TEST_SUITE_P(
    Systems, ExitLink,
    ::testing::Values(
        ExitLinkRow{"ThisPlatform", -1, true, "http://example.test/a b", ""},
        ExitLinkRow{"NewerSystem", 7, true, "http://example.test/a b", ""},
        ExitLinkRow{"OlderSystem", 4, true, "http://example.test/a b", ""},
        ExitLinkRow{"XpWithBrowser", 6, true, "",
                    "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" http://example.test/a b"},
        ExitLinkRow{"W2000WithoutBrowser", 5, false, "", "\"explorer\" http://example.test/a b"}),
    [](const auto& rowInfo) { return std::string(rowInfo.param.name); });

TEST(LaunchAndWait, ExitCodeWithoutShellInterpretation) {
    EXPECT_EQ(LaunchAndWait("\"sh\" -c \"exit 7\""), 7);
    EXPECT_EQ(LaunchAndWait("\"no-such-program-vorlandite\" x"), 0);
    EXPECT_EQ(LaunchAndWait(""), 0);
    // The address is one argument: a ";" in it starts nothing further.
    EXPECT_EQ(LaunchAndWait("\"test\" \"a;exit 9\" = \"a;exit 9\""), 0);
}

} // namespace
} // namespace vorlandite::platform

// `vorlandite register` / `unregister` in-process, with HOME and XDG_DATA_HOME in a scratch
// folder: a copy of a real ~/.xscreensaver (tests/platform/data) edited and restored byte for
// byte, a new one started from the system's list, the .desktop file, refusals.

#include "CliTestSupport.h"
#include "commands/Register.h"
#include "platform/HostRegistration.h"
#include "support/RandomPayload.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sys/stat.h>

namespace vorlandite::tools {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::RunCommand;

std::size_t ProgramCount(const std::string& text) {
    return platform::ReadXScreenSaverPrograms(text).value_or(std::vector<platform::XScreenSaverProgram>{}).size();
}

class RegisterCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(home_);
        payload::PayloadDraft draft;
        draft.strings.Title = "Caf\xE9 \"Noir\"\tshow";  // Windows-1252, as payloads hold it
        const auto bytes = vorlandite::testing::BuildScreensaverBytes(draft);
        testing::WriteFile(showPath_, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        fs::permissions(showPath_, fs::perms::owner_all);
    }

    testing::TempDir dir_;
    fs::path home_ = dir_ / "home";
    std::string showPath_ = (dir_ / "show.scr").string();
    // Both name showPath_: the command makes them absolute and normal.
    std::string relative_ = fs::relative(showPath_).string();
    std::string roundabout_ = (dir_ / "My Shows" / ".." / "." / "show.scr").string();
    fs::path desktop_ = dir_ / "data" / "applications" / "screensavers" / "vorlandite-caf-noir-show.desktop";
    vorlandite::testing::ScopedEnv homeEnv_{"HOME", home_.c_str()};
    vorlandite::testing::ScopedEnv dataHomeEnv_{"XDG_DATA_HOME", (dir_ / "data").c_str()};
};

TEST_F(RegisterCommandTest, RealSettingsFileGetsTheEntryAndUnregisterRestoresItsBytes) {
    const std::string original = ReadFile(fs::path(VORLANDITE_PLATFORM_TEST_DATA) / "xscreensaver-settings-6.06.xscreensaver");
    testing::WriteFile(home_ / ".xscreensaver", original);

    auto registered = RunCommand(RunRegister, {relative_});
    ASSERT_EQ(registered.status, kExitOk) << registered.err;
    const std::string name = "Caf\xC3\xA9 'Noir' show";
    EXPECT_NE(registered.out.find("updated " + (home_ / ".xscreensaver").string() + ": added \"" + name + "\" (" +
                                  platform::ShellQuoted(showPath_) + " --root)"),
              std::string::npos)
        << registered.out;
    EXPECT_NE(registered.out.find("created " + desktop_.string()), std::string::npos) << registered.out;
    EXPECT_NE(registered.out.find("XSECURELOCK_SAVER=" + platform::ShellQuoted(showPath_) + " xsecurelock\n"),
              std::string::npos);
    const auto programs = platform::ReadXScreenSaverPrograms(ReadFile(home_ / ".xscreensaver")).value();
    EXPECT_EQ(programs.back().name, name);
    EXPECT_TRUE(platform::RunsHosted(programs.back().command, showPath_));
    EXPECT_EQ(ReadFile(desktop_), platform::DesktopEntryText(name, showPath_, showPath_));

    auto again = RunCommand(RunRegister, {showPath_});
    ASSERT_EQ(again.status, kExitOk);
    EXPECT_NE(again.out.find("nothing to change in " + (home_ / ".xscreensaver").string()), std::string::npos);
    EXPECT_NE(again.out.find("nothing to change in " + desktop_.string()), std::string::npos);
    EXPECT_EQ(ProgramCount(ReadFile(home_ / ".xscreensaver")), programs.size());

    auto unregistered = RunCommand(RunUnregister, {roundabout_});
    ASSERT_EQ(unregistered.status, kExitOk) << unregistered.err;
    EXPECT_NE(unregistered.out.find("removed " + desktop_.string()), std::string::npos) << unregistered.out;
    EXPECT_EQ(ReadFile(home_ / ".xscreensaver"), original);
    EXPECT_FALSE(fs::exists(desktop_));
}

TEST_F(RegisterCommandTest, WithoutASettingsFileTheSystemListIsKeptAndExtended) {
    auto where = platform::HostLocationsFromEnvironment();
    ASSERT_TRUE(where);
    std::size_t systemCount = 0;
    for (const std::string& candidate : where->appDefaults)
        if (fs::exists(candidate) && systemCount == 0)
            systemCount = ProgramCount(platform::NewXScreenSaverFile(
                platform::SystemProgramsResource(ReadFile(candidate)).value_or("")));

    auto registered = RunCommand(RunRegister, {showPath_, "--name", "Mine"});
    ASSERT_EQ(registered.status, kExitOk) << registered.err;
    EXPECT_NE(registered.out.find("created " + (home_ / ".xscreensaver").string()), std::string::npos);
    const std::string created = ReadFile(home_ / ".xscreensaver");
    EXPECT_EQ(ProgramCount(created), systemCount + 1);
    EXPECT_EQ(platform::ReadXScreenSaverPrograms(created)->back().name, "Mine");
    EXPECT_TRUE(fs::exists(desktop_.parent_path() / "vorlandite-mine.desktop"));

    ASSERT_EQ(RunCommand(RunUnregister, {showPath_}).status, kExitOk);
    EXPECT_EQ(ProgramCount(ReadFile(home_ / ".xscreensaver")), systemCount);
    auto twice = RunCommand(RunUnregister, {showPath_});
    EXPECT_EQ(twice.out.find("updated"), std::string::npos) << twice.out;
    EXPECT_NE(twice.out.find("nothing to change"), std::string::npos);
}

TEST_F(RegisterCommandTest, RefusalsWriteNothing) {
    testing::WriteFile(dir_ / "notes.txt", "not a screensaver at all");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string errStart;
    };
    const Case cases[] = {
        {{(dir_ / "notes.txt").string()}, kExitBadInput, "vorlandite: cannot register " + (dir_ / "notes.txt").string()},
        {{(dir_ / "missing.scr").string()}, kExitBadInput, "vorlandite: cannot register"},
        {{showPath_, "--name", " \t"}, kExitUsage, "vorlandite: --name needs"},
        {{}, kExitUsage, "vorlandite: register takes one FILE"},
        {{showPath_, showPath_}, kExitUsage, "vorlandite: register takes one FILE"},
    };
    for (const Case& c : cases) {
        auto result = RunCommand(RunRegister, c.args);
        EXPECT_EQ(result.status, c.status) << c.errStart;
        EXPECT_TRUE(result.err.starts_with(c.errStart)) << result.err;
        EXPECT_TRUE(result.out.empty());
        if (c.status == kExitBadInput) {
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        }
    }
    EXPECT_TRUE(testing::ListFolder(home_).empty());
    EXPECT_FALSE(fs::exists(dir_ / "data"));

    homeEnv_.Set(nullptr);
    auto noHome = RunCommand(RunRegister, {showPath_});
    EXPECT_EQ(noHome.status, kExitBadInput);
    EXPECT_NE(noHome.err.find("HOME"), std::string::npos);
}

TEST_F(RegisterCommandTest, ANonExecutableFileIsRegisteredWithANote) {
    fs::permissions(showPath_, fs::perms::owner_read | fs::perms::owner_write);
    auto registered = RunCommand(RunRegister, {showPath_});
    ASSERT_EQ(registered.status, kExitOk);
    EXPECT_NE(registered.out.find("note: " + showPath_ + " is not executable"), std::string::npos) << registered.out;
}

} // namespace
} // namespace vorlandite::tools

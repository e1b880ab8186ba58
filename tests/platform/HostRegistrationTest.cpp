// Registering a screensaver with the hosts: the programs resource edited the way xscreensaver
// reads it, on real files and on every shape its value can take; the desktop entry; the user's
// files as register and unregister leave them.
//
// Test data (tests/platform/data):
// - xscreensaver-settings-6.06.xscreensaver: the ~/.xscreensaver that Debian 12's
//   xscreensaver-settings 6.06 wrote for a fresh user (run under Xvfb; Blank After set to 15
//   minutes and Maze unchecked, which made it save).
// - xscreensaver-settings-6.06-rewritten.xscreensaver: that file after `vorlandite register` added
//   /tmp/reg-x/demo.scr (as "Plain One") and a long path with blanks and a quote, and
//   xscreensaver-settings then saved it again (Blank After raised): the long entry is wrapped.
// - XScreenSaver-6.06.ad: Debian 12's /etc/X11/app-defaults/XScreenSaver (xscreensaver 6.06,
//   the variant without the GL hacks).

#include "platform/HostRegistration.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace vorlandite::platform {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string DataFile(const char* name) { return ReadText(fs::path(VORLANDITE_PLATFORM_TEST_DATA) / name); }

constexpr char kShow[] = "/home/u/shows/demo.scr";

std::vector<std::string> Commands(std::string_view text) {
    std::vector<std::string> commands;
    for (const auto& program : ReadXScreenSaverPrograms(text).value_or(std::vector<XScreenSaverProgram>{}))
        commands.push_back(program.command);
    return commands;
}

// `after` is `before` with one run of bytes put in: nothing else moved or changed.
void ExpectPureInsertion(const std::string& before, const std::string& after) {
    ASSERT_GT(after.size(), before.size());
    std::size_t prefix = 0;
    while (prefix < before.size() && before[prefix] == after[prefix])
        ++prefix;
    const std::string_view rest = std::string_view(before).substr(prefix);
    EXPECT_TRUE(std::string_view(after).ends_with(rest)) << "bytes after the insertion changed";
}

TEST(XScreenSaverFile, RealSettingsFileGetsOneEntryAndLosesItAgainByteForByte) {
    const std::string original = DataFile("xscreensaver-settings-6.06.xscreensaver");
    const auto before = ReadXScreenSaverPrograms(original).value();
    ASSERT_GT(before.size(), 200u);
    EXPECT_FALSE(before.front().enabled);  // the unchecked Maze
    EXPECT_EQ(before.front().command, "maze --root");

    const EditedText added = AddXScreenSaverProgram(original, "", "Demo Show", kShow);
    ASSERT_TRUE(added.changed);
    ExpectPureInsertion(original, added.text);
    const auto after = ReadXScreenSaverPrograms(added.text).value();
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(after.back().name, "Demo Show");
    EXPECT_EQ(after.back().command, std::string(kShow) + " --root");
    EXPECT_TRUE(after.back().enabled);

    const EditedText again = AddXScreenSaverProgram(added.text, "", "Demo Show", kShow);
    EXPECT_FALSE(again.changed);
    EXPECT_EQ(again.text, added.text);

    const EditedText removed = RemoveXScreenSaverProgram(added.text, kShow);
    EXPECT_TRUE(removed.changed);
    EXPECT_EQ(removed.text, original);
    EXPECT_FALSE(RemoveXScreenSaverProgram(original, kShow).changed);
}

TEST(XScreenSaverFile, EntriesTheSettingsToolRewroteAreStillFoundAndRemovedWhole) {
    const std::string rewritten = DataFile("xscreensaver-settings-6.06-rewritten.xscreensaver");
    const std::string longPath = "/tmp/reg-x/My Shows/it's a very long folder name for wrapping purposes/demo show.scr";
    const auto programs = ReadXScreenSaverPrograms(rewritten).value();
    ASSERT_TRUE(RunsHosted(programs.back().command, longPath)) << programs.back().command;
    EXPECT_EQ(programs.back().name, "Demo Show");

    std::string expected = rewritten;
    const std::size_t from = expected.find("\t\t   \"Plain One\"");
    const std::size_t to = expected.find('\n', expected.find("show.scr' --root")) + 1;
    ASSERT_NE(from, std::string::npos);
    expected.erase(from, to - from);
    const EditedText once = RemoveXScreenSaverProgram(rewritten, longPath);
    EXPECT_EQ(RemoveXScreenSaverProgram(once.text, "/tmp/reg-x/demo.scr").text, expected);
}

struct ProgramsShape {
    const char* name;
    const char* text;
    std::vector<std::string> commandsBefore;
};

class ProgramsShapes : public ::testing::TestWithParam<ProgramsShape> {};

TEST_P(ProgramsShapes, AddAppendsOursAndRemoveRestoresTheBytes) {
    const std::string original = GetParam().text;
    EXPECT_EQ(Commands(original), GetParam().commandsBefore);
    const EditedText added = AddXScreenSaverProgram(original, "programs: sys --root\n", "Demo", kShow);
    ASSERT_TRUE(added.changed);
    std::vector<std::string> expected = GetParam().commandsBefore;
    if (!ReadXScreenSaverPrograms(original))
        expected = {"sys --root"};
    expected.push_back(std::string(kShow) + " --root");
    EXPECT_EQ(Commands(added.text), expected) << added.text;
    const EditedText removed = RemoveXScreenSaverProgram(added.text, kShow);
    if (ReadXScreenSaverPrograms(original))
        EXPECT_EQ(removed.text, original);
    else  // the system's list appended for the entry stays
        EXPECT_EQ(Commands(removed.text), std::vector<std::string>{"sys --root"});
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ProgramsShapes,
    ::testing::Values(
        ProgramsShape{"SettingsTool", "programs:\t\\\n\t\tmaze --root\t\\n\\\n-  GL: \t\tpipes --root\t\\n\\\n\n\nx: 1\n",
                      {"maze --root", "pipes --root"}},
        ProgramsShape{"AppDefaultsEnd", "programs:\t\\\n\t\tmaze --root\t\\n\\\n\t\tqix --root    \\n\n",
                      {"maze --root", "qix --root"}},
        ProgramsShape{"LastWithoutSeparator", "programs: maze --root\\n\\\n  qix --root\nmode: one\n",
                      {"maze --root", "qix --root"}},
        ProgramsShape{"NoFinalNewline", "programs:\tmaze --root", {"maze --root"}},
        ProgramsShape{"OnePhysicalLine", "programs: a --root\\nb --root\\n\n", {"a --root", "b --root"}},
        ProgramsShape{"Empty", "programs:\n", {}},
        ProgramsShape{"EmptyContinued", "programs:\t\t\\\n\n", {}},
        ProgramsShape{"KeyInOtherCase", "Programs: a --root\n", {"a --root"}},
        ProgramsShape{"LastOfTwoCounts", "programs: old --root\nprograms: new --root\\n\n", {"new --root"}},
        ProgramsShape{"CommentedOut", "! programs: a --root\ntimeout: 0:10:00\n", {}},
        ProgramsShape{"EmptyFile", "", {}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(XScreenSaverFile, AnEntryRunningTheFileIsKeptInPlaceAndOnlyRenamed) {
    const std::string text = std::string("programs: \\\n-  GL: \"Old\"  '") + kShow + "'   --root \\n\\\n  qix --root\\n\n";
    const EditedText renamed = AddXScreenSaverProgram(text, "", "New", kShow);
    ASSERT_TRUE(renamed.changed);
    const auto programs = ReadXScreenSaverPrograms(renamed.text).value();
    ASSERT_EQ(programs.size(), 2u);
    EXPECT_FALSE(programs[0].enabled);
    EXPECT_EQ(programs[0].visual, "GL");
    EXPECT_EQ(programs[0].name, "New");
    EXPECT_TRUE(RunsHosted(programs[0].command, kShow));
}

TEST(XScreenSaverFile, RemoveTakesEveryEntryOfTheFileAndNoOther) {
    // The second entry is wrapped over two lines, as the settings tool writes long ones.
    const std::string text = std::string("programs:\t\\\n  maze --root\t\\n\\\n  \"A\"\t\t   \\\n\t\t") + kShow +
                             " --root\t\\n\\\n  " + kShow + " --root -extra\t\\n\\\n-  \"B\"  " + kShow +
                             " -root\t\\n\\\n\n";
    const EditedText removed = RemoveXScreenSaverProgram(text, kShow);
    EXPECT_EQ(Commands(removed.text), (std::vector<std::string>{"maze --root", std::string(kShow) + " --root -extra"}));
}

struct OddPath {
    const char* name;
    std::string path;
    std::string command;  // as it stands in the entry
};

class OddPaths : public ::testing::TestWithParam<OddPath> {};

TEST_P(OddPaths, RoundTripThroughBothHosts) {
    const std::string& path = GetParam().path;
    EXPECT_EQ(HostedCommand(path), GetParam().command);
    const EditedText added = AddXScreenSaverProgram("programs:\n", "", "T", path);
    const auto programs = ReadXScreenSaverPrograms(added.text).value();
    ASSERT_EQ(programs.size(), 1u);
    EXPECT_EQ(programs[0].command, GetParam().command);
    EXPECT_TRUE(RunsHosted(programs[0].command, path));
    EXPECT_EQ(RemoveXScreenSaverProgram(added.text, path).text, "programs:\n");
    EXPECT_EQ(DesktopEntrySource(DesktopEntryText("T", path, path)), path);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OddPaths,
    ::testing::Values(OddPath{"Plain", "/a/b.scr", "/a/b.scr --root"},
                      OddPath{"Blanks", "/a/My Shows/b.scr ", "'/a/My Shows/b.scr ' --root"},
                      OddPath{"Quote", "/a/it's.scr", "'/a/it'\"'\"'s.scr' --root"},
                      OddPath{"DoubleQuoteAndDollar", "/a/\"$HOME\".scr", "'/a/\"$HOME\".scr' --root"},
                      OddPath{"Unicode", "/a/caf\xC3\xA9.scr", "'/a/caf\xC3\xA9.scr' --root"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(HostText, BlankRunsInAPathCountAsOne) {
    EXPECT_TRUE(RunsHosted("'/a/My      \t\t  Shows/b.scr' --root", "/a/My Shows/b.scr"));
    EXPECT_FALSE(RunsHosted("'/a/MyShows/b.scr' --root", "/a/My Shows/b.scr"));
    EXPECT_FALSE(RunsHosted("'/a/b.scr --root", "/a/b.scr"));  // quote left open
    EXPECT_FALSE(RunsHosted("/a/b.scr", "/a/b.scr"));
}

TEST(HostText, UnusablePathsAreNamed) {
    EXPECT_EQ(UnusableHostPath("/a/b c.scr"), std::nullopt);
    for (const char* bad : {"b.scr", "/a/b\nc.scr", "/a/b\x7F.scr", "/a/x=y.scr", "/a/x\\y.scr", "/a/\xFF.scr"})
        EXPECT_NE(UnusableHostPath(bad), std::nullopt) << bad;
}

TEST(HostText, DisplayNameLosesWhatTheHostsCannotCarry) {
    EXPECT_EQ(HostDisplayName("  Caf\xC3\xA9 \"Noir\"\t\x01\\ 50%\xC2\x85x  "), "Caf\xC3\xA9 'Noir' / 50% x");
    EXPECT_EQ(HostDisplayName("\xFF" "ok"), "?ok");
    EXPECT_EQ(HostDisplayName(" \t\n"), "");
}

TEST(HostText, DesktopEntryNamesAreSafeSlugs) {
    EXPECT_EQ(DesktopEntryFileName("My Show!", kShow), "vorlandite-my-show.desktop");
    EXPECT_EQ(DesktopEntryFileName("../../etc/passwd", kShow), "vorlandite-etc-passwd.desktop");
    EXPECT_EQ(DesktopEntryFileName("\xE6\x97\xA5\xE6\x9C\xAC", "/x/Sunset Beach.scr"), "vorlandite-sunset-beach.desktop");
    EXPECT_EQ(DesktopEntryFileName("", "/x/.scr"), "vorlandite-scr.desktop");
    EXPECT_EQ(DesktopEntryFileName("...", "/x/___"), "vorlandite-screensaver.desktop");
    EXPECT_EQ(DesktopEntryFileName(std::string(80, 'a'), kShow), "vorlandite-" + std::string(48, 'a') + ".desktop");
}

TEST(HostText, ExecArgumentsAreQuotedThenEscaped) {
    EXPECT_EQ(DesktopExecArgument("/a/b.scr"), "/a/b.scr");
    EXPECT_EQ(DesktopExecArgument("/a/b c.scr"), "\"/a/b c.scr\"");
    EXPECT_EQ(DesktopExecArgument("/a/$x`\".scr"), "\"/a/\\\\$x\\\\`\\\\\".scr\"");
    EXPECT_EQ(DesktopExecArgument("/a/b\\c"), "\"/a/b\\\\\\\\c\"");
    EXPECT_EQ(DesktopExecArgument("/a/100%.scr"), "/a/100%%.scr");
}

TEST(HostText, DesktopEntryHasTheKeysMateReads) {
    EXPECT_EQ(DesktopEntryText("Demo \"Show\"", "/a/b c.scr", "/a/b c.scr"),
              "[Desktop Entry]\nType=Application\nName=Demo 'Show'\nComment=A Vorlandite slideshow screensaver\n"
              "Exec=\"/a/b c.scr\" --root\nTryExec=/a/b c.scr\nCategories=Screensaver;\nOnlyShowIn=MATE;\n"
              "StartupNotify=false\nTerminal=false\nX-Vorlandite-File=/a/b c.scr\n");
    EXPECT_EQ(DesktopEntrySource("[Other]\nX-Vorlandite-File=/x\n"), std::nullopt);
}

TEST(HostText, SystemProgramsComeFromTheAppDefaults) {
    const std::string ad = DataFile("XScreenSaver-6.06.ad");
    const auto resource = SystemProgramsResource(ad);
    ASSERT_TRUE(resource);
    EXPECT_TRUE(resource->starts_with("programs:"));
    const auto programs = ReadXScreenSaverPrograms(NewXScreenSaverFile(*resource)).value();
    ASSERT_GT(programs.size(), 200u);
    EXPECT_EQ(programs.front().command, "maze --root");
    EXPECT_EQ(programs[1].visual, "GL");
    EXPECT_FALSE(programs[1].enabled);
    EXPECT_EQ(SystemProgramsResource("*timeout: 0:10:00\n"), std::nullopt);
}

// ---- The user's files ----------------------------------------------------------------------

class UserFiles : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir_.Path() / "home");
        fs::create_directories(dir_.Path() / "savers");
        where_.xscreensaverFile = dir_.File("home/.xscreensaver");
        where_.desktopEntryFolder = dir_.File("data/applications/screensavers");
        where_.appDefaults = {dir_.File("missing.ad"), fs::path(VORLANDITE_PLATFORM_TEST_DATA) / "XScreenSaver-6.06.ad"};
        where_.mateSaverDirs = {dir_.File("savers")};
    }
    std::vector<std::string> DesktopFiles() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(where_.desktopEntryFolder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    vorlandite::testing::TempDir dir_;
    HostLocations where_;
};

TEST_F(UserFiles, RegisterCreatesBothFilesAndUnregisterTakesBackItsPart) {
    const std::string show = dir_.File("demo.scr");
    auto report = RegisterWithHosts(where_, "Demo", show);
    ASSERT_TRUE(report) << report.message();
    ASSERT_EQ(report->changes.size(), 2u);
    EXPECT_EQ(report->changes[0].kind, HostFileChange::Kind::Created);
    EXPECT_EQ(report->changes[1].path, where_.desktopEntryFolder + "/vorlandite-demo.desktop");
    ASSERT_EQ(report->notes.size(), 1u);  // MATE wants a link in its folders
    const std::string system = NewXScreenSaverFile(*SystemProgramsResource(DataFile("XScreenSaver-6.06.ad")));
    EXPECT_EQ(Commands(ReadText(where_.xscreensaverFile)).back(), show + " --root");

    auto again = RegisterWithHosts(where_, "Demo", show);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->changes[0].kind, HostFileChange::Kind::Unchanged);
    EXPECT_EQ(again->changes[1].kind, HostFileChange::Kind::Unchanged);

    auto undone = UnregisterFromHosts(where_, show);
    ASSERT_TRUE(undone);
    EXPECT_EQ(undone->changes[1].kind, HostFileChange::Kind::Removed);
    EXPECT_EQ(ReadText(where_.xscreensaverFile), system);  // the file register made stays
    EXPECT_TRUE(DesktopFiles().empty());
    auto nothing = UnregisterFromHosts(where_, show);
    ASSERT_TRUE(nothing);
    EXPECT_EQ(nothing->changes[0].kind, HostFileChange::Kind::Unchanged);
    EXPECT_EQ(nothing->changes[1].kind, HostFileChange::Kind::Unchanged);
}

TEST_F(UserFiles, ModeAndSymbolicLinkOfTheSettingsFileSurvive) {
    const std::string real = dir_.File("dotfiles-xscreensaver");
    std::ofstream(real) << DataFile("xscreensaver-settings-6.06.xscreensaver");
    ::chmod(real.c_str(), 0600);
    fs::create_symlink(real, where_.xscreensaverFile);
    ASSERT_TRUE(RegisterWithHosts(where_, "Demo", dir_.File("demo.scr")));
    EXPECT_TRUE(fs::is_symlink(where_.xscreensaverFile));
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(UnregisterFromHosts(where_, dir_.File("demo.scr")));
    EXPECT_EQ(ReadText(real), DataFile("xscreensaver-settings-6.06.xscreensaver"));
}

TEST_F(UserFiles, SameTitleTwoFilesTwoEntriesAndALinkInMatesFolderIsUsed) {
    fs::create_symlink(dir_.File("b.scr"), dir_.File("savers/vorlandite-demo"));
    ASSERT_TRUE(RegisterWithHosts(where_, "Demo", dir_.File("a.scr")));
    std::ofstream(dir_.File("b.scr")) << "x";
    auto b = RegisterWithHosts(where_, "Demo", dir_.File("b.scr"));
    ASSERT_TRUE(b);
    EXPECT_TRUE(b->notes.empty());
    EXPECT_EQ(DesktopFiles(), (std::vector<std::string>{"vorlandite-demo-2.desktop", "vorlandite-demo.desktop"}));
    EXPECT_NE(ReadText(where_.desktopEntryFolder + "/vorlandite-demo-2.desktop")
                  .find("Exec=" + dir_.File("savers/vorlandite-demo") + " --root\n"),
              std::string::npos);
    ASSERT_TRUE(UnregisterFromHosts(where_, dir_.File("a.scr")));
    EXPECT_EQ(DesktopFiles(), std::vector<std::string>{"vorlandite-demo-2.desktop"});
    EXPECT_EQ(Commands(ReadText(where_.xscreensaverFile)).back(), dir_.File("b.scr") + " --root");
}

TEST_F(UserFiles, AnUnreadableSettingsFileStopsRegistrationWithItsName) {
    fs::create_directories(where_.xscreensaverFile);  // a folder where the file should be
    auto report = RegisterWithHosts(where_, "Demo", dir_.File("a.scr"));
    ASSERT_FALSE(report);
    EXPECT_NE(report.message().find(where_.xscreensaverFile), std::string::npos);
    EXPECT_FALSE(fs::exists(where_.desktopEntryFolder));
}

} // namespace
} // namespace vorlandite::platform

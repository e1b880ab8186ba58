// The run-mode decision: file-name extension first, then the switch letter of the first
// argument with its first character dropped whatever it is.

#include "app/RunMode.h"

#include <gtest/gtest.h>

namespace vorlandite::app {
namespace {

struct ModeRow {
    const char* name;
    const char* engineFile;
    std::vector<std::string> arguments;
    RunMode mode;
    bool programMode;
    char letter;
};

class RunModeTest : public ::testing::TestWithParam<ModeRow> {};

TEST_P(RunModeTest, Decides) {
    const ModeRow& row = GetParam();
    RunModeDecision d = DecideRunMode(row.engineFile, row.arguments);
    EXPECT_EQ(d.mode, row.mode);
    EXPECT_EQ(d.programMode, row.programMode);
    EXPECT_EQ(d.switchLetter, row.letter);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, RunModeTest,
    ::testing::Values(
        ModeRow{"SlashLowerS", "/opt/MyShow.scr", {"/s"}, RunMode::Show, false, 'S'},
        ModeRow{"DashUpperS", "/opt/MyShow.scr", {"-S"}, RunMode::Show, false, 'S'},
        ModeRow{"AnyFirstCharacter", "/opt/MyShow.scr", {"xs"}, RunMode::Show, false, 'S'},
        ModeRow{"BareLetterLosesItself", "/opt/MyShow.scr", {"s"}, RunMode::Configuration, false, '\0'},
        ModeRow{"ConfigWithHandle", "/opt/MyShow.scr", {"/c:1234"}, RunMode::Configuration, false, 'C'},
        ModeRow{"NoArguments", "/opt/MyShow.scr", {}, RunMode::Configuration, false, '\0'},
        ModeRow{"EmptyArgument", "/opt/MyShow.scr", {""}, RunMode::Configuration, false, '\0'},
        ModeRow{"UnknownSwitch", "/opt/MyShow.scr", {"/z"}, RunMode::Configuration, false, 'Z'},
        ModeRow{"OnlyTheFirstLetterCounts", "/opt/MyShow.scr", {"/pa"}, RunMode::Preview, false, 'P'},
        ModeRow{"Preview", "/opt/MyShow.scr", {"/p", "1234"}, RunMode::Preview, false, 'P'},
        ModeRow{"PasswordChange", "/opt/MyShow.scr", {"/a", "77"}, RunMode::PasswordChange, false, 'A'},
        ModeRow{"ExeRunsTheShow", "/opt/MyShow.exe", {}, RunMode::Show, true, '\0'},
        ModeRow{"ExeAnyCase", "/opt/MyShow.ExE", {"/c"}, RunMode::Show, true, 'C'},
        ModeRow{"ExeIgnoresPreview", "/opt/MyShow.EXE", {"/p", "5"}, RunMode::Show, true, 'P'},
        ModeRow{"ScrGoesThroughTheCommandLine", "/opt/MyShow.SCR", {"/c"}, RunMode::Configuration, false, 'C'},
        ModeRow{"NoExtension", "/opt/vorlandite-engine", {"/s"}, RunMode::Show, false, 'S'},
        ModeRow{"DotInFolderNotFile", "/opt/shows.exe/saver", {}, RunMode::Configuration, false, '\0'},
        ModeRow{"ExeOnlyAsTheLastExtension", "/opt/show.exe.scr", {}, RunMode::Configuration, false, '\0'},
        ModeRow{"LongerExtension", "/opt/show.exes", {"/s"}, RunMode::Show, false, 'S'}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(WindowHandle, DecimalAndHexadecimalAsX11ToolsPrintThem) {
    EXPECT_EQ(ParseWindowHandle("1234"), 1234u);
    EXPECT_EQ(ParseWindowHandle("0x3a00007"), 0x3a00007u);
    EXPECT_EQ(ParseWindowHandle("0X1F"), 0x1Fu);
    EXPECT_EQ(ParseWindowHandle("0"), 0u);
}

TEST(WindowHandle, AnythingElseIsNoHandle) {
    for (const char* text : {"", "abc", "12ab", "-5", " 12", "0x", "0xZZ", "99999999999999999999999"})
        EXPECT_FALSE(ParseWindowHandle(text).has_value()) << text;
}

TEST(WindowHandle, SecondArgumentOfPreview) {
    EXPECT_EQ(DecideRunMode("a.scr", {"/p", "1234"}).windowHandle, 1234u);
    EXPECT_FALSE(DecideRunMode("a.scr", {"/p"}).windowHandle.has_value());
    EXPECT_FALSE(DecideRunMode("a.scr", {"/p", "window"}).windowHandle.has_value());
}

// The screensaver hosts' conventions come before the switch letter.
struct HostedRow {
    const char* name;
    std::vector<std::string> arguments;
    const char* xscreensaverWindow;  // null: unset
    RunMode mode;
    std::optional<uint64_t> hostWindow;
};

class HostedModeTest : public ::testing::TestWithParam<HostedRow> {};

TEST_P(HostedModeTest, Decides) {
    const HostedRow& row = GetParam();
    RunModeDecision d = DecideRunMode("/home/u/Show.scr", row.arguments, row.xscreensaverWindow);
    EXPECT_EQ(d.mode, row.mode);
    EXPECT_EQ(d.hostWindow, row.hostWindow);
    if (d.mode == RunMode::HostedShow) {
        EXPECT_FALSE(d.hostWindowSource.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    HostConventions, HostedModeTest,
    ::testing::Values(
        HostedRow{"WindowIdHex", {"--window-id", "0x3a00007"}, nullptr, RunMode::HostedShow, 0x3a00007u},
        HostedRow{"WindowIdDecimalSingleDash", {"-window-id", "60817415"}, nullptr, RunMode::HostedShow, 60817415u},
        HostedRow{"WindowIdBeatsTheEnvironment", {"--window-id", "12"}, "0x99", RunMode::HostedShow, 12u},
        HostedRow{"WindowIdAfterOtherOptions", {"--verbose", "--window-id", "0x10"}, nullptr, RunMode::HostedShow, 0x10u},
        HostedRow{"WindowIdNotANumber", {"--window-id", "root"}, nullptr, RunMode::HostedShow, std::nullopt},
        HostedRow{"WindowIdMissing", {"--window-id"}, nullptr, RunMode::HostedShow, std::nullopt},
        HostedRow{"RootWithEnvironmentHex", {"--root"}, "0x1200004", RunMode::HostedShow, 0x1200004u},
        HostedRow{"RootSingleDashDecimal", {"-root"}, "4242", RunMode::HostedShow, 4242u},
        HostedRow{"RootEnvironmentNotANumber", {"-root"}, "garbage", RunMode::HostedShow, std::nullopt},
        HostedRow{"RootWithoutEnvironmentIsTheShow", {"--root"}, nullptr, RunMode::Show, std::nullopt},
        HostedRow{"RootWithEmptyEnvironmentIsTheShow", {"-root"}, "", RunMode::Show, std::nullopt},
        HostedRow{"NoArgumentsWithEnvironment", {}, "0x400001", RunMode::HostedShow, 0x400001u},
        HostedRow{"SwitchLetterKeepsItsMeaningWithEnvironment", {"/c"}, "0x400001", RunMode::Configuration, std::nullopt},
        HostedRow{"PreviewKeepsItsMeaningWithEnvironment", {"/p", "77"}, "0x400001", RunMode::Preview, std::nullopt},
        HostedRow{"TripleDashIsNoOption", {"---root"}, "0x5", RunMode::Configuration, std::nullopt},
        HostedRow{"RootAsAWordIsNoOption", {"root"}, "0x5", RunMode::Configuration, std::nullopt}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(HostedMode, ProgramModeStillIgnoresTheCommandLine) {
    RunModeDecision d = DecideRunMode("/opt/Show.exe", {"--root"}, "0x10");
    EXPECT_EQ(d.mode, RunMode::Show);
    EXPECT_TRUE(d.programMode);
}

TEST(HostedMode, RootWithoutHostWindowAsksForThePasswordLikeSlashS) {
    EXPECT_EQ(DecideRunMode("/opt/Show.scr", {"--root"}).switchLetter, 'S');
}

TEST(FileExtension, FromTheLastDotOfTheFileName) {
    EXPECT_EQ(FileExtension("/a/b.c/show.scr"), ".scr");
    EXPECT_EQ(FileExtension("/a/b.c/show"), "");
    EXPECT_EQ(FileExtension("show."), ".");
    EXPECT_EQ(FileExtension(".hidden"), ".hidden");
}

} // namespace
} // namespace vorlandite::app

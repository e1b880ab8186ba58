// `vorlandite play` and `port` on a payload appended to a Windows-style program written here (an
// "MZ" header, a "PE" header where e_lfanew points, padding): the port is the engine plus those
// payload bytes, unchanged, and reads the same except for positions; the file plays (headless
// with `record`, and through the built program); files without a payload are refused by play,
// port and record alike, with nothing written.

#include "tools/PictureItem.h"
#include "CliTestSupport.h"
#include "commands/Inspect.h"
#include "commands/Play.h"
#include "commands/Port.h"
#include "commands/Record.h"
#include "raster/decoders/PictureDecoding.h"
#include "raster/decoders/PictureWriters.h"
#include "support/RandomPayload.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>

namespace vorlandite::tools {
namespace {

using raster::TColor32;
using testing::ReadFile;
using testing::RunCommand;
using testing::TempDir;
using testing::WriteFile;

constexpr raster::TColor32 kRed = 0xFFFF0000u;
constexpr raster::TColor32 kBlue = 0xFF0000FFu;

// A stand-in for a Windows program: the DOS header with e_lfanew at 0x3C, the PE signature where
// it points, and padding up to a few KB. Only the shape matters, nothing here runs.
std::string WindowsStylePrefix() {
    std::string bytes(6144, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[0x3C] = char(0x80);
    bytes.replace(0x80, 4, std::string("PE\0\0", 4));
    for (std::size_t i = 0x200; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    return bytes;
}

payload::DraftItem<payload::TKelImageInfo> Picture(TColor32 colour) { return vorlandite::testing::SolidPictureItem(colour); }

// Every number in `ported` equals the one in `original`, or (a position) that plus `shift`; the
// count of shifted numbers goes to `shifted`.
void ExpectSameButPositions(const nlohmann::json& original, const nlohmann::json& ported, int64_t shift,
                            const std::string& where, int& shifted) {
    ASSERT_EQ(original.type(), ported.type()) << where;
    if (original.is_object()) {
        ASSERT_EQ(original.size(), ported.size()) << where;
        for (auto it = original.begin(); it != original.end(); ++it) {
            ASSERT_TRUE(ported.contains(it.key())) << where << "." << it.key();
            ExpectSameButPositions(*it, ported[it.key()], shift, where + "." + it.key(), shifted);
        }
    } else if (original.is_array()) {
        ASSERT_EQ(original.size(), ported.size()) << where;
        for (std::size_t i = 0; i < original.size(); ++i)
            ExpectSameButPositions(original[i], ported[i], shift, where + "[" + std::to_string(i) + "]", shifted);
    } else if (original.is_number_integer() && original != ported) {
        EXPECT_EQ(ported.get<int64_t>(), original.get<int64_t>() + shift) << where;
        ++shifted;
    } else {
        EXPECT_EQ(original, ported) << where;
    }
}

class PlayPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        payload::PayloadDraft draft;
        draft.header.Seconds = 2;
        draft.strings.Title = "Old Show";
        draft.images = {Picture(kRed), Picture(kBlue)};
        const auto bytes = vorlandite::testing::BuildScreensaverBytes(draft, 0);
        payload_.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        WriteFile(old_, WindowsStylePrefix() + payload_);
        engine_ = std::string("\x7F" "ELF stand-in engine\n") + std::string(3000, 'e');
        WriteFile(dir_ / "engine", engine_);
    }

    testing::CommandResult Port(const std::filesystem::path& from, const std::filesystem::path& to) {
        return RunCommand(RunPort, {from.string(), "-o", to.string(), "--engine", (dir_ / "engine").string()});
    }

    TempDir dir_;
    std::filesystem::path old_ = dir_ / "Old Show.scr";
    std::string payload_;
    std::string engine_;
    // No stored settings of the user's reach the show.
    vorlandite::testing::ScopedEnv config_{"XDG_CONFIG_HOME", (dir_ / "config").c_str()};
};

TEST_F(PlayPortTest, PortIsTheEngineFollowedByTheSamePayloadBytes) {
    const auto ported = dir_ / "ported";
    const auto result = Port(old_, ported);
    ASSERT_EQ(result.status, kExitOk) << result.err;
    EXPECT_EQ(ReadFile(ported), engine_ + payload_);
    EXPECT_EQ(ReadFile(old_), WindowsStylePrefix() + payload_) << "the original was changed";

    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat(ported.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755 & ~mask);
    // Only the temporary file's trace would be extra.
    EXPECT_EQ(testing::ListFolder(dir_.path()), (std::vector<std::string>{"Old Show.scr", "engine", "ported"}));
}

TEST_F(PlayPortTest, InspectOfThePortDiffersOnlyInPositions) {
    const auto ported = dir_ / "ported";
    ASSERT_EQ(Port(old_, ported).status, kExitOk);
    const auto before = RunCommand(RunInspect, {old_.string(), "--json"});
    const auto after = RunCommand(RunInspect, {ported.string(), "--json"});
    ASSERT_EQ(before.status, kExitOk) << before.err;
    ASSERT_EQ(after.status, kExitOk) << after.err;
    int shifted = 0;
    const int64_t shift = int64_t(engine_.size()) - int64_t(WindowsStylePrefix().size());
    ExpectSameButPositions(nlohmann::json::parse(before.out), nlohmann::json::parse(after.out), shift, "", shifted);
    EXPECT_GT(shifted, 0) << "the file size at least moves";

    // A port of a port is the same file again.
    const auto again = dir_ / "again";
    ASSERT_EQ(Port(ported, again).status, kExitOk);
    EXPECT_EQ(ReadFile(again), ReadFile(ported));
}

TEST_F(PlayPortTest, ThePortReplacesItsTargetOnlyWhenComplete) {
    const auto target = dir_ / "target";
    WriteFile(target, "kept");
    const auto failed =
        RunCommand(RunPort, {old_.string(), "-o", target.string(), "--engine", (dir_ / "missing").string()});
    EXPECT_EQ(failed.status, kExitBadInput);
    EXPECT_NE(failed.err.find("cannot read the engine"), std::string::npos) << failed.err;
    EXPECT_EQ(ReadFile(target), "kept");
    ASSERT_EQ(Port(old_, target).status, kExitOk);
    EXPECT_EQ(ReadFile(target), engine_ + payload_);
}

TEST_F(PlayPortTest, RecordPlaysTheWindowsStyleFile) {
    const auto result = RunCommand(
        RunRecord, {old_.string(), "--size", "64x48", "--seconds", "6", "--out", (dir_ / "rec").string(), "--frames"});
    ASSERT_EQ(result.status, kExitOk) << result.err;
    auto screen = raster::DecodePictureFile(dir_ / "rec" / "item-0000.png");
    ASSERT_TRUE(screen.ok()) << screen.message();
    EXPECT_EQ(screen->Pixel(32, 24), kRed);
    auto second = raster::DecodePictureFile(dir_ / "rec" / "item-0001.png");
    ASSERT_TRUE(second.ok()) << second.message();
    EXPECT_EQ(second->Pixel(32, 24), kBlue);
}

TEST_F(PlayPortTest, PlayHandsTheEngineItsArgumentsAndTheFileByAbsolutePath) {
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    const std::vector<std::string> args{"Old Show.scr", "--window-id", "0x2a"};
    auto launch = PreparePlay(args, "/opt/engine");
    std::filesystem::current_path(saved);
    ASSERT_TRUE(launch.ok()) << launch.message();
    EXPECT_EQ(launch->engine, "/opt/engine");
    EXPECT_EQ(launch->argv, (std::vector<std::string>{"/opt/engine", "--window-id", "0x2a"}));
    EXPECT_EQ(launch->payloadFile, (dir_ / "Old Show.scr").lexically_normal().string());
}

struct Refusal {
    std::string name;
    std::string content;  // "-" for no file at all
    std::string reason;   // in the one line on stderr
};

std::ostream& operator<<(std::ostream& os, const Refusal& r) { return os << r.name; }

class NoPayload : public ::testing::TestWithParam<Refusal> {};

TEST_P(NoPayload, PlayPortAndRecordRefuseWithTheReadersReason) {
    const Refusal& c = GetParam();
    TempDir dir;
    const auto file = dir / "file.scr";
    if (c.content != "-")
        WriteFile(file, c.content);
    const std::string path = file.string();
    const std::vector<std::pair<CommandFunction, std::vector<std::string>>> commands{
        {RunPlay, {path, "/s"}},
        {RunPort, {path, "-o", (dir / "new").string(), "--engine", path}},
        {RunRecord, {path, "--size", "64x48", "--seconds", "1", "--out", (dir / "rec").string()}},
    };
    for (const auto& [command, args] : commands) {
        const auto result = RunCommand(command, args);
        EXPECT_EQ(result.status, kExitBadInput) << args[1];
        EXPECT_TRUE(result.out.empty()) << result.out;
        EXPECT_EQ(result.err.rfind("vorlandite: ", 0), 0u) << result.err;
        // record goes on with the message the engine would show; play and port say only why.
        if (command != RunRecord) {
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        }
        const std::string firstLine = result.err.substr(0, result.err.find('\n'));
        EXPECT_NE(firstLine.find(c.reason), std::string::npos) << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "new"));
    const auto left = testing::ListFolder(dir.path());
    EXPECT_LE(left.size(), 2u) << "only the file and record's folder may be there";
}

INSTANTIATE_TEST_SUITE_P(
    Files, NoPayload,
    ::testing::Values(Refusal{"Missing", "-", "file.scr"}, Refusal{"Empty", "", "file.scr"},
                      Refusal{"WindowsProgramAlone", WindowsStylePrefix(), "file.scr"},
                      Refusal{"TextFile", std::string(400, 'j'), "file.scr"},
                      Refusal{"MagicWithoutPayload", std::string(300, '\0') + "Vorlandite", "file.scr"}),
    [](const auto& param) { return param.param.name; });

#ifdef VORLANDITE_CLI_PATH
// The built program replaces itself with the engine beside it: its exit status and output are
// the engine's.
TEST_F(PlayPortTest, TheBuiltProgramExecsTheEngine) {
    const std::string command = std::string("'") + VORLANDITE_CLI_PATH + "' play '" + old_.string() +
                                "' --version >'" + (dir_ / "out").string() + "' 2>&1";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 0) << ReadFile(dir_ / "out");
    EXPECT_EQ(ReadFile(dir_ / "out").rfind("vorlandite-engine ", 0), 0u) << ReadFile(dir_ / "out");
}
#endif

} // namespace
} // namespace vorlandite::tools

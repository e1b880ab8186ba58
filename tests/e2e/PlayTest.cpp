// `vorlandite play` on a private X server: the payload of a file that is not this engine (here
// behind a Windows-style program) shows its item on the screen, and the show ends and exits as
// the engine's own would; a file named *.exe follows the rule for program names.

#include "e2e/EngineFixture.h"
#include "e2e/XSession.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace vorlandite::e2e {
namespace {

struct PlayCase {
    std::string name;
    std::string fileName;
    std::vector<std::string> arguments;
    bool runAsProgram = false;
};

std::ostream& operator<<(std::ostream& os, const PlayCase& c) { return os << c.name; }

class PlayEndToEnd : public EndToEnd, public ::testing::WithParamInterface<PlayCase> {
protected:
    // The fixture's screensaver with its engine replaced by an "MZ ... PE" stand-in.
    std::string MakeOldFile(const std::string& fileName, bool runAsProgram) {
        const std::string built =
            MakeScreensaver({}, [runAsProgram](payload::PayloadDraft& draft) { draft.header.RunAsProgram = runAsProgram; });
        std::ifstream in(built, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto engineSize = fs::file_size(VORLANDITE_ENGINE_PATH);
        std::string prefix(4096, '\0');
        prefix[0] = 'M';
        prefix[1] = 'Z';
        prefix[0x3C] = char(0x80);
        prefix.replace(0x80, 4, std::string("PE\0\0", 4));
        const std::string path = dir_.File(fileName);
        std::ofstream out(path, std::ios::binary);
        out << prefix << bytes.substr(engineSize);
        return path;
    }
};

TEST_P(PlayEndToEnd, ShowsTheFilesItemAndEndsOnAMove) {
    const PlayCase& c = GetParam();
    StartServer();
    testing::FakeMotion(display_, 300, 200);
    std::vector<std::string> argv{VORLANDITE_CLI_PATH, "play", MakeOldFile(c.fileName, c.runAsProgram)};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    StartEngine(argv);
    WaitForShow();
    testing::FakeMotion(display_, 400, 300);
    ExpectEnds("a mouse move");
}

// The ".EXE" rule follows the played file's name: a show that may not run as a program ends at
// once, silently, where a *.scr without arguments would open its configuration.
TEST_F(PlayEndToEnd, AProgramNameWhoseShowMayNotRunAsAProgramEndsAtOnce) {
    StartServer();
    StartEngine({VORLANDITE_CLI_PATH, "play", MakeOldFile("Old Show.exe", false)});
    ASSERT_TRUE(engine_.WaitForExit(8s)) << engine_.Output();
    EXPECT_EQ(engine_.ExitCode(), 0) << engine_.Output();
}

INSTANTIATE_TEST_SUITE_P(Files, PlayEndToEnd,
                         ::testing::Values(PlayCase{"ScreensaverName", "Old Show.scr", {"/s"}},
                                           PlayCase{"ProgramName", "Old Show.exe", {}, true}),
                         [](const auto& param) { return param.param.name; });

} // namespace
} // namespace vorlandite::e2e

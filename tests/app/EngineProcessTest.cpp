// The engine as a whole process: a copy of the engine with a payload appended, started the ways
// the desktop starts a screensaver. Only the modes that end by themselves are run to the end.

#include "payload/ContainerReader.h"
#include "payload/PayloadWriter.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vorlandite::app {
namespace {

namespace fs = std::filesystem;

std::string MakeScreensaver(const testing::TempDir& dir, const std::string& name, bool runAsProgram, bool withPayload) {
    std::string path = dir.File(name);
    fs::copy_file(VORLANDITE_ENGINE_PATH, path);
    if (withPayload) {
        payload::PayloadDraft draft;
        draft.strings.Title = "Engine Test";
        draft.header.RunAsProgram = runAsProgram;
        auto sink = payload::FileSink::OpenForAppend(path);
        EXPECT_TRUE(sink.ok());
        EXPECT_TRUE(payload::WritePayload(draft, **sink).ok());
        EXPECT_TRUE((*sink)->Close().ok());
    }
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

std::vector<std::string> Environment(const testing::TempDir& dir) {
    return {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + dir.File("config"),
            "XDG_RUNTIME_DIR=" + dir.Path().string()};
}

TEST(EngineProcess, ProgramModeEndsSilentlyWhenThePayloadDoesNotAllowIt) {
    testing::TempDir dir;
    std::string exe = MakeScreensaver(dir, "Show.EXE", false, true);
    auto r = testing::RunProcess({exe}, 30, Environment(dir));
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err.find("can not run"), std::string::npos) << r.err;
}

TEST(EngineProcess, PasswordChangeEndsAtOnce) {
    testing::TempDir dir;
    std::string scr = MakeScreensaver(dir, "Show.scr", false, true);
    auto r = testing::RunProcess({scr, "/a", "123"}, 30, Environment(dir));
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
}

TEST(EngineProcess, AMissingPayloadReportsTheFailureMessage) {
    testing::TempDir dir;
    std::string scr = MakeScreensaver(dir, "Bare.scr", false, false);
    // The message box waits for a click; its text also goes to stderr, which is what we check.
    auto r = testing::RunProcess({scr, "/s"}, 8, Environment(dir));
    EXPECT_NE(r.err.find("The screen saver can not run because of one of the following reasons:"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("Screen Saver: "), std::string::npos) << "caption before the title is known";
    EXPECT_NE(r.err.find("vorlandite-engine: "), std::string::npos) << "the cause is reported too: " << r.err;
}

} // namespace
} // namespace vorlandite::app

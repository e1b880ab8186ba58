// The built `vorlandite` program as a user runs it: exit statuses, nothing on stdout when it
// fails, and the default engine found beside the program itself.

#include "tools/CliTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

namespace vorlandite::tools {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct ProcessResult {
    int status = -1;  // exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args, const TempDir& dir) {
    std::string command = Quote(program);
    for (const std::string& a : args)
        command += " " + Quote(a);
    command += " >" + Quote((dir / "stdout").string()) + " 2>" + Quote((dir / "stderr").string());
    int raw = std::system(command.c_str());
    ProcessResult r;
    if (raw != -1 && WIFEXITED(raw))
        r.status = WEXITSTATUS(raw);
    r.out = ReadFile(dir / "stdout");
    r.err = ReadFile(dir / "stderr");
    return r;
}

struct Call {
    std::string name;
    std::vector<std::string> args;  // "@" stands for the scratch folder
    int status;
    bool stdoutEmpty;
    std::string stderrStart;
};

std::ostream& operator<<(std::ostream& os, const Call& c) { return os << c.name; }

class Program : public ::testing::TestWithParam<Call> {};

TEST_P(Program, ExitsAsDocumented) {
    const Call& call = GetParam();
    TempDir dir;
    WriteFile(dir / "junk.scr", std::string(300, 'j'));
    WriteFile(dir / "bad.json", "{\"Images\": [{\"File\": \"nothing.jpg\"}]}");
    std::vector<std::string> args;
    for (const std::string& a : call.args)
        args.push_back(a.starts_with("@") ? dir.path().string() + a.substr(1) : a);
    auto r = RunProgram(VORLANDITE_CLI_PATH, args, dir);
    EXPECT_EQ(r.status, call.status) << r.err;
    EXPECT_EQ(r.out.empty(), call.stdoutEmpty) << r.out;
    EXPECT_EQ(r.err.substr(0, call.stderrStart.size()), call.stderrStart) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Program,
    ::testing::Values(
        Call{"NoCommand", {}, 2, true, "vorlandite: no command given\nusage: vorlandite COMMAND"},
        Call{"UnknownCommand", {"frobnicate"}, 2, true, "vorlandite: unknown command frobnicate"},
        Call{"Help", {"--help"}, 0, false, ""},
        Call{"CommandHelp", {"extract", "--help"}, 0, false, ""},
        Call{"InspectWithoutFile", {"inspect", "--json"}, 2, true, "vorlandite: inspect takes one FILE"},
        Call{"InspectNoPayload", {"inspect", "@/junk.scr", "--json"}, 1, true, "vorlandite: "},
        Call{"InspectMissingFile", {"inspect", "@/none.scr"}, 1, true, "vorlandite: cannot open"},
        Call{"ExtractNoPayload", {"extract", "@/junk.scr", "@/out"}, 1, true, "vorlandite: "},
        Call{"BuildMissingContent", {"build", "@/bad.json", "-o", "@/x.scr", "--engine", "@/junk.scr"}, 1, true,
             "vorlandite: "},
        Call{"BuildUnknownOption", {"build", "@/bad.json", "--out", "@/x.scr"}, 2, true,
             "vorlandite: unknown option --out"}),
    [](const ::testing::TestParamInfo<Call>& row) { return row.param.name; });

// Without --engine, build copies the vorlandite-engine that sits beside the running program.
TEST(ProgramBuild, FindsTheEngineBesideItself) {
    TempDir dir;
    std::filesystem::copy_file(VORLANDITE_CLI_PATH, dir / "vorlandite");
    WriteFile(dir / "vorlandite-engine", "ENGINE!");
    WriteFile(dir / "m.json", R"({"Strings": {"Title": "t"}})");
    auto r = RunProgram((dir / "vorlandite").string(), {"build", (dir / "m.json").string(), "-o", (dir / "s.scr").string()},
                        dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "s.scr").substr(0, 7), "ENGINE!");

    auto inspect = RunProgram((dir / "vorlandite").string(), {"inspect", (dir / "s.scr").string()}, dir);
    EXPECT_EQ(inspect.status, 0);
    EXPECT_EQ(inspect.out.rfind("Title: \"t\"\n", 0), 0u) << inspect.out;
}

} // namespace
} // namespace vorlandite::tools

// The installed programs: `cmake --install` of this build tree into a scratch folder (staged
// through DESTDIR as a package build stages it), then only the installed files are used: the
// CLI makes a screensaver from a manifest and records it, and the engine inside a screensaver
// file kept in another folder takes the installed Flash runtime, never a `flash/` folder put
// beside the file.

#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vorlandite::install {
namespace {

namespace fs = std::filesystem;
using testing::ProcessResult;
using testing::RunProcess;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string Describe(const ProcessResult& r) {
    return "exit " + std::to_string(r.exitCode) + (r.timedOut ? " (timed out)" : "") + "\nstdout:\n" + r.out +
           "\nstderr:\n" + r.err;
}

// The install of this build tree: staged in <dir>/stage for the prefix <dir>/usr, then moved
// there, as unpacking a package puts its files in place.
class Installed : public ::testing::Test {
protected:
    void SetUp() override {
        // The runs below must find the runtime as a user's would.
        unsetenv("VORLANDITE_FLASH_RUNTIME");
        ASSERT_FALSE(dir_.Path().empty());
        prefix_ = dir_.Path() / "usr";
        stage_ = dir_.Path() / "stage";
    }

    // `component` empty: all of them, the debug information included.
    ProcessResult InstallStaged(const fs::path& prefix, const std::string& component = "") {
        std::vector<std::string> argv = {VORLANDITE_CMAKE, "--install", VORLANDITE_BUILD_DIR, "--prefix",
                                         prefix.string()};
        if (!component.empty())
            argv.insert(argv.end(), {"--component", component});
        return RunProcess(argv, 300, {"DESTDIR=" + stage_.string()});
    }

    void InstallAndUnpack() {
        const ProcessResult r = InstallStaged(prefix_, "runtime");
        ASSERT_EQ(r.exitCode, 0) << Describe(r);
        const fs::path staged = stage_ / prefix_.relative_path();
        ASSERT_TRUE(fs::is_directory(staged)) << "nothing staged in " << staged;
        fs::rename(staged, prefix_);
    }

    ProcessResult Run(const std::vector<std::string>& argv, const std::vector<std::string>& environment = {}) {
        std::vector<std::string> env = {"XDG_CONFIG_HOME=" + (dir_.Path() / "config").string(),
                                        "XDG_DATA_HOME=" + (dir_.Path() / "data").string()};
        env.insert(env.end(), environment.begin(), environment.end());
        return RunProcess(argv, 120, env);
    }

    // "Flash runtime: DIR" as `--version` reports it.
    std::string FlashRuntimeOf(const fs::path& program, const std::vector<std::string>& environment = {}) {
        const ProcessResult r = Run({program.string(), "--version"}, environment);
        EXPECT_EQ(r.exitCode, 0) << Describe(r);
        const std::string key = "Flash runtime: ";
        const auto at = r.out.find(key);
        if (at == std::string::npos)
            return "(not reported: " + r.out + ")";
        return r.out.substr(at + key.size(), r.out.find('\n', at) - at - key.size());
    }

    // A folder with what a runtime has, so that only where it lies keeps it from being used.
    static void PlantFakeRuntime(const fs::path& folder) {
        Write(folder / "libvorlandite_flash.so", "not a library");
        Write(folder / "ruffle" / "ruffle.js", "// not the player");
    }

    fs::path Bin(const char* program) const { return prefix_ / "bin" / program; }
    fs::path InstalledRuntime() const { return prefix_ / "lib/vorlandite/flash"; }

    testing::TempDir dir_;
    fs::path prefix_, stage_;
};

TEST_F(Installed, FilesLieWhereTheLayoutSaysAndNoneNamesTheBuildOrStagingFolder) {
    const ProcessResult r = InstallStaged(prefix_);
    ASSERT_EQ(r.exitCode, 0) << Describe(r);
    const fs::path root = stage_ / prefix_.relative_path();

    struct Expected {
        const char* path;
        bool executable;
    };
    std::vector<Expected> expected = {
        {"bin/vorlandite", true},
        {"bin/vorlandite-engine", true},
        {"share/man/man1/vorlandite.1.gz", false},
        {"share/man/man1/vorlandite-engine.1.gz", false},
        {"share/doc/vorlandite/README.md", false},
    };
    if (VORLANDITE_FLASH_PLUGIN_BUILT) {
        expected.push_back({"lib/vorlandite/flash/libvorlandite_flash.so", false});
        expected.push_back({"lib/vorlandite/flash/ruffle/ruffle.js", false});
        expected.push_back({"lib/vorlandite/flash/ruffle/LICENSE_MIT", false});
        expected.push_back({"lib/vorlandite/flash/ruffle/LICENSE_APACHE", false});
        expected.push_back({"share/doc/vorlandite/ruffle/LICENSE_MIT", false});
        expected.push_back({"share/doc/vorlandite/ruffle/LICENSE_APACHE", false});
    }
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.path);
        const fs::path file = root / e.path;
        ASSERT_TRUE(fs::is_regular_file(file));
        EXPECT_GT(fs::file_size(file), 0u);
        EXPECT_EQ((fs::status(file).permissions() & fs::perms::others_exec) != fs::perms::none, e.executable);
    }
    // Manual pages compressed: gzip's magic bytes.
    EXPECT_EQ(Slurp(root / "share/man/man1/vorlandite.1.gz").substr(0, 2), "\x1f\x8b");

    // Neither the build tree, the checkout nor the staging folder is named anywhere: the engine
    // carries the prefix's runtime folder, the debug information names relative paths.
    const std::vector<std::string> forbidden = {VORLANDITE_BUILD_DIR, VORLANDITE_SOURCE_DIR, stage_.string()};
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(stage_)) {
        if (!entry.is_regular_file())
            continue;
        ++files;
        const std::string bytes = Slurp(entry.path());
        for (const std::string& path : forbidden)
            EXPECT_EQ(bytes.find(path), std::string::npos) << entry.path() << " names " << path;
    }
    EXPECT_GE(files, int(expected.size()));
    // A RelWithDebInfo build installs its programs without their debug information, which lies
    // under the build id of each (the engine, the CLI and the plugin when it is built).
    if (VORLANDITE_SPLIT_DEBUG_BUILT) {
        int debugFiles = 0;
        if (fs::is_directory(root / "lib/debug/.build-id"))
            for (const auto& entry : fs::recursive_directory_iterator(root / "lib/debug/.build-id"))
                debugFiles += entry.path().extension() == ".debug";
        EXPECT_EQ(debugFiles, VORLANDITE_FLASH_PLUGIN_BUILT ? 3 : 2);
        const ProcessResult sections =
            RunProcess({VORLANDITE_READELF, "-S", "--wide", (root / "bin/vorlandite-engine").string()}, 60);
        EXPECT_EQ(sections.out.find(".debug_info"), std::string::npos) << sections.out;
    }
    // No library search path: $ORIGIN, or the empty entries that mean the current folder, would
    // have a screensaver load libraries from where it lies or is started.
    for (const char* binary :
         {"bin/vorlandite", "bin/vorlandite-engine", "lib/vorlandite/flash/libvorlandite_flash.so"}) {
        if (!fs::exists(root / binary))
            continue;
        const ProcessResult dynamic = RunProcess({VORLANDITE_READELF, "-d", (root / binary).string()}, 60);
        ASSERT_EQ(dynamic.exitCode, 0) << Describe(dynamic);
        EXPECT_EQ(dynamic.out.find("PATH)"), std::string::npos) << binary << ":\n" << dynamic.out;
    }
    const std::string engine = Slurp(root / "bin/vorlandite-engine");
    EXPECT_NE(engine.find((prefix_ / "lib/vorlandite/flash").string() + '\0'), std::string::npos)
        << "the engine does not carry the installed runtime's folder";
}

TEST_F(Installed, TheInstalledCliBuildsAndRecordsAScreensaverThatTakesOnlyTheInstalledRuntime) {
    ASSERT_NO_FATAL_FAILURE(InstallAndUnpack());

    for (const char* program : {"vorlandite", "vorlandite-engine"}) {
        const ProcessResult r = Run({Bin(program).string(), "--version"});
        EXPECT_EQ(r.exitCode, 0) << Describe(r);
        EXPECT_EQ(r.out.rfind(std::string(program) + " " VORLANDITE_VERSION "\n", 0), 0u) << r.out;
    }

    // Content made by the installed CLI, a screensaver built by it into another folder.
    const fs::path work = dir_.Path() / "work", elsewhere = dir_.Path() / "Screensavers";
    fs::create_directories(work);
    fs::create_directories(elsewhere);
    for (const auto& [name, style] : {std::pair{"a.png", "1"}, std::pair{"b.png", "3"}}) {
        const ProcessResult r = Run({Bin("vorlandite").string(), "render-background", "--style", style, "--from",
                                     "0x00A05010", "--to", "0x0010D0F0", "--size", "64x48", "-o",
                                     (work / name).string()});
        ASSERT_EQ(r.exitCode, 0) << Describe(r);
    }
    Write(work / "show.json", R"({"Header": {"Seconds": 1}, "Strings": {"Title": "Installed"},
                                  "Images": [{"File": "a.png"}, {"File": "b.png", "Compressed": true}]})");
    const fs::path screensaver = elsewhere / "Installed.scr";
    ProcessResult r =
        Run({Bin("vorlandite").string(), "build", (work / "show.json").string(), "-o", screensaver.string()});
    ASSERT_EQ(r.exitCode, 0) << Describe(r);
    const std::string engine = Slurp(Bin("vorlandite-engine"));
    EXPECT_EQ(Slurp(screensaver).compare(0, engine.size(), engine), 0) << "the screensaver is not the installed engine";

    r = Run({Bin("vorlandite").string(), "record", screensaver.string(), "--size", "160x120", "--seconds", "6", "--out",
             (work / "rec").string()});
    ASSERT_EQ(r.exitCode, 0) << Describe(r);
    const std::string events = Slurp(work / "rec/events.jsonl");
    EXPECT_NE(events.find(R"("event": "item", "index": 0)"), std::string::npos) << events;
    EXPECT_NE(events.find(R"("event": "item", "index": 1)"), std::string::npos) << events;

    // Where the screensaver takes its Flash runtime from: the installed one, also with a complete
    // runtime beside it; with the installed one gone, none at all.
    PlantFakeRuntime(elsewhere / "flash");
    const std::string installed = VORLANDITE_FLASH_PLUGIN_BUILT ? InstalledRuntime().string() : "none";
    EXPECT_EQ(FlashRuntimeOf(screensaver), installed);
    EXPECT_EQ(FlashRuntimeOf(Bin("vorlandite-engine")), installed);
    if (VORLANDITE_FLASH_PLUGIN_BUILT)
        fs::rename(InstalledRuntime(), dir_.Path() / "moved-away");
    EXPECT_EQ(FlashRuntimeOf(screensaver), "none") << "a flash/ folder beside the screensaver was taken";
    // Chosen by the user, any folder is taken.
    EXPECT_EQ(FlashRuntimeOf(screensaver, {"VORLANDITE_FLASH_RUNTIME=" + (elsewhere / "flash").string()}),
              (elsewhere / "flash").string());
    EXPECT_EQ(FlashRuntimeOf(screensaver, {"VORLANDITE_FLASH_RUNTIME=none"}), "none");
}

// The end-to-end tests and the demo make screensavers from the build tree's engine in other
// folders; those keep the build tree's runtime.
TEST_F(Installed, AScreensaverMadeInTheBuildTreeKeepsTheBuildTreesRuntime) {
    const fs::path copy = dir_.Path() / "elsewhere" / "Built.scr";
    fs::create_directories(copy.parent_path());
    fs::copy_file(VORLANDITE_ENGINE_PATH, copy);
    PlantFakeRuntime(copy.parent_path() / "flash");
    const fs::path buildRuntime = fs::path(VORLANDITE_BUILD_DIR) / "bin/flash";
    EXPECT_EQ(FlashRuntimeOf(copy), VORLANDITE_FLASH_PLUGIN_BUILT ? buildRuntime.string() : "none");
}

// Prefixes the engine cannot carry stop the install with a message.
TEST_F(Installed, APrefixTheEngineCannotCarryIsRefused) {
    struct Row {
        const char* name;
        fs::path prefix;
        const char* message;
    };
    // Longer than the engine's 1024 bytes, in folder names a file system takes.
    fs::path tooLong = dir_.Path();
    for (int i = 0; i < 6; ++i)
        tooLong /= std::string(200, 'p');
    const Row rows[] = {
        {"too long", tooLong, "the install prefix is too long"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ProcessResult r = InstallStaged(row.prefix, "runtime");
        EXPECT_NE(r.exitCode, 0) << Describe(r);
        EXPECT_NE((r.out + r.err).find(row.message), std::string::npos) << Describe(r);
    }
}

// The Debian packages of this build, as dpkg-deb describes them.
TEST(DebianPackage, NamesItsDependenciesAndHoldsTheInstalledLayoutUnderUsr) {
    if (VORLANDITE_SANITIZED_BUILD)
        GTEST_SKIP() << "the packages are made and checked from the optimised build";
    if (!VORLANDITE_DPKG_TOOLS_FOUND)
        GTEST_SKIP() << "dpkg-dev is not installed";
    testing::TempDir dir;
    const ProcessResult made = RunProcess(
        {VORLANDITE_CPACK, "-G", "DEB", "--config", std::string(VORLANDITE_BUILD_DIR) + "/CPackConfig.cmake", "-B",
         dir.Path().string()},
        600);
    ASSERT_EQ(made.exitCode, 0) << Describe(made);
    const fs::path deb = dir.Path() / ("vorlandite_" VORLANDITE_VERSION "_" + [] {
        const ProcessResult arch = RunProcess({VORLANDITE_DPKG, "--print-architecture"}, 60);
        return arch.out.substr(0, arch.out.find('\n'));
    }() + ".deb");
    ASSERT_TRUE(fs::is_regular_file(deb)) << Describe(made);

    const ProcessResult info = RunProcess({VORLANDITE_DPKG_DEB, "--info", deb.string()}, 60);
    ASSERT_EQ(info.exitCode, 0) << Describe(info);
    const auto field = [&](const std::string& name) {
        const auto at = info.out.find("\n " + name + ": ");
        return at == std::string::npos ? std::string() : info.out.substr(at, info.out.find('\n', at + 1) - at);
    };
    EXPECT_NE(field("Package").find("vorlandite"), std::string::npos) << info.out;
    // Computed from the binaries, and the playback plugins named by hand.
    for (const char* dependency : {"libc6", "libqt6core6", "libqt6widgets6", "libgstreamer1.0-0", "libpam0g",
                                   "gstreamer1.0-plugins-base", "gstreamer1.0-plugins-good"})
        EXPECT_NE(field("Depends").find(dependency), std::string::npos) << dependency << "\n" << info.out;
    for (const char* recommended : {"gstreamer1.0-libav", "gstreamer1.0-plugins-ugly", "gstreamer1.0-plugins-bad",
                                    "gstreamer1.0-alsa", "timgm6mb-soundfont"})
        EXPECT_NE(field("Recommends").find(recommended), std::string::npos) << recommended << "\n" << info.out;

    const ProcessResult contents = RunProcess({VORLANDITE_DPKG_DEB, "--contents", deb.string()}, 60);
    ASSERT_EQ(contents.exitCode, 0) << Describe(contents);
    std::vector<std::string> files = {"./usr/bin/vorlandite", "./usr/bin/vorlandite-engine",
                                      "./usr/share/man/man1/vorlandite.1.gz",
                                      "./usr/share/man/man1/vorlandite-engine.1.gz",
                                      "./usr/share/doc/vorlandite/README.md"};
    if (VORLANDITE_FLASH_PLUGIN_BUILT)
        files.insert(files.end(), {"./usr/lib/vorlandite/flash/libvorlandite_flash.so",
                                   "./usr/lib/vorlandite/flash/ruffle/ruffle.js",
                                   "./usr/lib/vorlandite/flash/ruffle/LICENSE_MIT",
                                   "./usr/lib/vorlandite/flash/ruffle/LICENSE_APACHE"});
    for (const std::string& file : files)
        EXPECT_NE(contents.out.find(" " + file + "\n"), std::string::npos) << file << "\n" << contents.out;
    EXPECT_EQ(contents.out.find("/lib/debug/"), std::string::npos) << "debug information in the main package";

    // The packaged engine takes the runtime from where the package puts it.
    const ProcessResult unpacked =
        RunProcess({VORLANDITE_DPKG_DEB, "-x", deb.string(), (dir.Path() / "root").string()}, 60);
    ASSERT_EQ(unpacked.exitCode, 0) << Describe(unpacked);
    const std::string engine = Slurp(dir.Path() / "root/usr/bin/vorlandite-engine");
    EXPECT_NE(engine.find(std::string("/usr/lib/vorlandite/flash") + '\0'), std::string::npos);
}

} // namespace
} // namespace vorlandite::install

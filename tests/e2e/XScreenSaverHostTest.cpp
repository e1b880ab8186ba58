// The engine run by the xscreensaver daemon (6.06) on a private X server, the way a desktop runs
// it once the screensaver is in the user's ~/.xscreensaver.
//
// What the daemon does, as the first test records with a stub saver: it runs the program line's
// command (argv is the line split into words, here {"/path/FILE", "--root"}) as a child of
// xscreensaver-gfx, niced to 10, with the daemon's own environment plus XSCREENSAVER_WINDOW (the
// window id in hex, "0x..."), DISPLAY with the screen number added (":N.0") and PATH prefixed
// with /usr/libexec/xscreensaver.
// That window is an override-redirect, screen-sized top-level window of the daemon's; it carries
// the saver's pid in _NET_WM_PID and the desktop as it was before blanking in
// _SCREENSAVER_SCREENSHOT (a pixmap id). Deactivating sends the saver SIGTERM; xscreensaver-gfx
// then exits and its windows go.
//
// Set-up: the daemon refuses to run savers as root, so it runs as "nobody" through setpriv, with
// a clean environment, a home and a runtime folder of its own (both made here and handed over)
// and a ~/.xscreensaver that runs the one program only when told to (long idle timeout), never
// cycles, never locks, fades or shows its splash. The X server accepts local clients of any
// user (no authorisation set up); the saver file lives in a world-readable scratch folder.
// Skipped without xscreensaver, setpriv or Xvfb, and when not run as root.

#include "e2e/SolidBmp.h"
#include "e2e/XSession.h"
#include "payload/PayloadWriter.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <map>
#include <pwd.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorlandite::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::XvfbServer;

constexpr uint32_t kItemColour = 0x3366CC;         // 0xRRGGBB on screen
constexpr int32_t kBackgroundColour = 0x000080;    // 0x00BBGGRR: dark red, never the item's
constexpr uint32_t kDesktopColour = 0xC08040;      // the desktop before blanking, 0xRRGGBB
constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The NUL-separated entries of /proc/<pid>/cmdline or /proc/<pid>/environ.
std::vector<std::string> ProcList(int pid, const char* what) {
    std::vector<std::string> entries;
    std::stringstream in(ReadText(fs::path("/proc") / std::to_string(pid) / what));
    std::string entry;
    while (std::getline(in, entry, '\0'))
        entries.push_back(entry);
    return entries;
}

// True while `pid` runs `executable`: a zombie, a process gone or a reused pid all count as gone.
bool RunsExecutable(int pid, const fs::path& executable) {
    std::error_code error;
    const fs::path exe = fs::read_symlink(fs::path("/proc") / std::to_string(pid) / "exe", error);
    return !error && exe == executable;
}

std::vector<int> ProcessesRunning(const fs::path& executable) {
    std::vector<int> pids;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        if (RunsExecutable(std::stoi(name), executable))
            pids.push_back(std::stoi(name));
    }
    return pids;
}

long long MillisecondsBetween(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to) {
    return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count());
}


// Savers can outlive xscreensaver-gfx, and this system's init may never reap them; the test
// adopts such orphans as their subreaper and collects them when it ends.
class OrphanReaper {
public:
    OrphanReaper() { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }
    ~OrphanReaper() {
        testing::WaitUntil([] { return ::waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD; }, 3s);
    }
};

class XScreenSaverHost : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto [tool, path] : {std::pair{"xscreensaver", &daemonBinary_},
                                  std::pair{"xscreensaver-command", &commandBinary_},
                                  std::pair{"setpriv", &setpriv_}, std::pair{"env", &env_}}) {
            *path = FindProgram(tool);
            if (path->empty())
                GTEST_SKIP() << tool << " is not installed";
        }
        if (XvfbServer::FindBinary().empty())
            GTEST_SKIP() << "Xvfb is not installed";
        if (::geteuid() != 0)
            GTEST_SKIP() << "not root: setpriv cannot run the daemon as another user";
        const passwd* user = ::getpwnam("nobody");
        if (!user)
            GTEST_SKIP() << "no user \"nobody\" to run the daemon as";
        uid_ = user->pw_uid;
        const group* nogroup = ::getgrnam("nogroup");
        gid_ = nogroup ? nogroup->gr_gid : user->pw_gid;

        // The scratch folder holds the saver (read and run by the user) and the user's folders.
        fs::permissions(dir_.Path(), fs::perms(0755));
        home_ = dir_.File("home");
        runtime_ = dir_.File("runtime");
        record_ = dir_.File("record");
        for (const std::string& folder : {home_, runtime_, record_}) {
            fs::create_directory(folder);
            ASSERT_EQ(::chown(folder.c_str(), uid_, gid_), 0) << folder;
            fs::permissions(folder, fs::perms(folder == record_ ? 0755 : 0700));
        }
        ASSERT_TRUE(server_.Start("1024x768x24")) << server_.Error();
        display_ = server_.Connection();
    }

    void TearDown() override {
        if (daemonStarted_) {
            Command("-exit");
            daemon_.WaitForExit(5s);
        }
        // A saver the daemon left behind (it is ours: the test made the daemon start it).
        if (!saverPath_.empty())
            for (int pid : ProcessesRunning(saverPath_))
                ::kill(pid, SIGKILL);
    }

    // `command` run as the user with a clean environment: the variables given and the user's
    // folders, in the user's home.
    std::vector<std::string> AsUser(const std::vector<std::string>& command,
                                    const std::vector<std::string>& environment = {}) const {
        std::vector<std::string> argv{setpriv_,
                                      "--reuid=" + std::to_string(uid_),
                                      "--regid=" + std::to_string(gid_),
                                      "--clear-groups",
                                      "--",
                                      env_,
                                      "-i",
                                      "-C",
                                      home_,
                                      "HOME=" + home_,
                                      "XDG_RUNTIME_DIR=" + runtime_,
                                      "DISPLAY=" + server_.DisplayName(),
                                      "PATH=/usr/bin:/bin"};
        argv.insert(argv.end(), environment.begin(), environment.end());
        argv.insert(argv.end(), command.begin(), command.end());
        return argv;
    }

    testing::ProcessResult Command(const char* option) const {
        return testing::RunProcess(AsUser({commandBinary_, option}), 20.0);
    }

    // Writes the user's ~/.xscreensaver with `programLine` as its only program and starts the
    // daemon; returns once it answers commands.
    void StartDaemon(const std::string& programLine) {
        const std::string config = home_ + "/.xscreensaver";
        {
            std::ofstream out(config);
            // Only the test's command blanks the screen (the idle timeout is hours away), the one
            // program runs until deactivated (cycle 0), and nothing else comes in between.
            out << "timeout:\t8:00:00\n"
                   "cycle:\t0:00:00\n"
                   "lock:\tFalse\n"
                   "lockTimeout:\t0:00:00\n"
                   "fade:\tFalse\n"
                   "unfade:\tFalse\n"
                   "fadeSeconds:\t0:00:00\n"
                   "splash:\tFalse\n"
                   "dpmsEnabled:\tFalse\n"
                   "dpmsQuickOff:\tFalse\n"
                   "mode:\tone\n"
                   "selected:\t0\n"
                   "programs:\t\"Test\" "
                << programLine << " \\n\n";
        }
        ASSERT_EQ(::chown(config.c_str(), uid_, gid_), 0);

        // The saver inherits the daemon's environment: the X platform, and the sanitizer
        // settings of the run when there are any.
        std::vector<std::string> environment{"QT_QPA_PLATFORM=xcb"};
        for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
            if (const char* value = std::getenv(name))
                environment.push_back(std::string(name) + "=" + value);
        ASSERT_TRUE(daemon_.Start(AsUser({daemonBinary_, "--no-splash", "--verbose"}, environment), {}));
        daemonStarted_ = true;
        ASSERT_TRUE(testing::WaitUntil([&] { return Command("-time").exitCode == 0; }, 15s))
            << "the daemon never answered; it said:\n" << daemon_.Output();
    }

    // The saver window's area (the whole screen) shows the item: corners, centre, an edge point.
    bool ShowsItem() {
        const int points[][2] = {{0, 0},
                                 {kScreenWidth - 1, 0},
                                 {0, kScreenHeight - 1},
                                 {kScreenWidth - 1, kScreenHeight - 1},
                                 {kScreenWidth / 2, kScreenHeight / 2},
                                 {7, kScreenHeight / 3}};
        for (const auto& p : points)
            if (testing::RootPixel(display_, p[0], p[1]) != kItemColour)
                return false;
        return true;
    }

    // A screensaver file in the scratch folder: one small picture of kItemColour stretched over
    // the whole window, on a background of another colour.
    std::string MakeScreensaver() {
        const std::string path = dir_.File("Show.scr");
        fs::copy_file(VORLANDITE_ENGINE_PATH, path);
        payload::PayloadDraft draft;
        draft.strings.Title = "XScreenSaver Host";
        draft.header.Seconds = 60;
        draft.header.BackgroundColor = kBackgroundColour;
        draft.header.BackgroundColor2 = kBackgroundColour;
        payload::DraftItem<payload::TKelImageInfo> item;
        item.record.Ext = ".BMP";
        item.record.Stretch = 1;  // over the whole window
        item.content = payload::Content::FromBytes(SolidBmp(64, 48, kItemColour));
        item.compressed = true;
        draft.images.push_back(std::move(item));
        auto sink = payload::FileSink::OpenForAppend(path);
        EXPECT_TRUE(sink.ok());
        EXPECT_TRUE(payload::WritePayload(draft, **sink).ok());
        EXPECT_TRUE((*sink)->Close().ok());
        fs::permissions(path, fs::perms(0755));
        saverPath_ = fs::canonical(path);
        return path;
    }

    OrphanReaper reaper_;  // first: it waits for what the members below leave behind
    testing::TempDir dir_;
    XvfbServer server_;
    Display* display_ = nullptr;
    ChildProcess daemon_;
    bool daemonStarted_ = false;
    std::string daemonBinary_, commandBinary_, setpriv_, env_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    std::string home_, runtime_, record_;
    fs::path saverPath_;
};

// The contract, as a stand-in saver sees it: how it is started, the window it is given, and the
// signal that stops it.
TEST_F(XScreenSaverHost, StartsTheSaverWithRootOnAWindowOfItsOwnAndStopsItWithSigterm) {
    const std::string stub = dir_.File("stub-saver");
    {
        std::ofstream out(stub);
        out << "#!/bin/sh\n"
               "# Records how the daemon started it, then idles until a signal stops it.\n"
               "record='" << record_ << "'\n"
               "stopped() { echo \"$1\" > \"$record/stopped.tmp\"; mv \"$record/stopped.tmp\" \"$record/stopped\"; exit 0; }\n"
               "for s in TERM INT HUP; do trap \"stopped $s\" $s; done\n"
               "{\n"
               "  printf 'pid=%s\\n' \"$$\"\n"
               "  printf 'nice=%s\\n' \"$(nice)\"\n"
               "  for a in \"$0\" \"$@\"; do printf 'arg=%s\\n' \"$a\"; done\n"
               "  env | sed 's/^/env=/'\n"
               "} > \"$record/started.tmp\"\n"
               "mv \"$record/started.tmp\" \"$record/started\"\n"
               "while :; do sleep 0.1; done\n";
    }
    fs::permissions(stub, fs::perms(0755));

    // A desktop of one colour before blanking, to find again in the screenshot the daemon keeps.
    testing::PaintWindow(display_, 0, kDesktopColour);
    ASSERT_EQ(testing::RootPixel(display_, 300, 200), kDesktopColour);

    StartDaemon(stub + " --root");
    const auto activated = Command("-activate");
    ASSERT_EQ(activated.exitCode, 0) << activated.err;
    const fs::path started = fs::path(record_) / "started";
    ASSERT_TRUE(testing::WaitUntil([&] { return fs::exists(started); }, 15s))
        << "the stub never ran; the daemon said:\n" << daemon_.Output();

    std::vector<std::string> args;
    std::map<std::string, std::string> env;
    int pid = 0;
    std::string nice;
    std::stringstream lines(ReadText(started));
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("arg="))
            args.push_back(line.substr(4));
        else if (line.starts_with("env=") && line.find('=', 4) != std::string::npos)
            env[line.substr(4, line.find('=', 4) - 4)] = line.substr(line.find('=', 4) + 1);
        else if (line.starts_with("pid="))
            pid = std::atoi(line.c_str() + 4);
        else if (line.starts_with("nice="))
            nice = line.substr(5);
    }
    EXPECT_THAT(args, ::testing::ElementsAre(stub, "--root"));
    EXPECT_EQ(nice, "10");
    EXPECT_EQ(env["DISPLAY"], server_.DisplayName() + ".0");
    EXPECT_TRUE(env["PATH"].starts_with("/usr/libexec/xscreensaver:")) << env["PATH"];
    EXPECT_EQ(env["HOME"], home_);
    EXPECT_EQ(env["XDG_RUNTIME_DIR"], runtime_);
    EXPECT_EQ(env["QT_QPA_PLATFORM"], "xcb");
    ASSERT_TRUE(env.contains("XSCREENSAVER_WINDOW"));
    const std::string& windowText = env["XSCREENSAVER_WINDOW"];
    EXPECT_TRUE(windowText.starts_with("0x")) << windowText;
    const unsigned long window = std::strtoul(windowText.c_str(), nullptr, 0);
    ASSERT_NE(window, 0ul) << windowText;

    // A mapped top-level window over the whole screen, labelled with the saver's pid and holding
    // the desktop's screenshot.
    bool topLevel = false;
    for (const auto& w : testing::ChildWindows(display_))
        if (w.id == window) {
            topLevel = true;
            EXPECT_TRUE(w.mapped);
            EXPECT_EQ(w.x, 0);
            EXPECT_EQ(w.y, 0);
            EXPECT_EQ(w.width, kScreenWidth);
            EXPECT_EQ(w.height, kScreenHeight);
        }
    EXPECT_TRUE(topLevel) << "XSCREENSAVER_WINDOW is not a child of the root";
    EXPECT_TRUE(testing::WaitUntil(
        [&] { return testing::WindowProperty32(display_, window, "_NET_WM_PID") == static_cast<unsigned long>(pid); },
        5s));
    const auto screenshot = testing::WindowProperty32(display_, window, "_SCREENSAVER_SCREENSHOT");
    ASSERT_TRUE(screenshot.has_value() && *screenshot != 0) << "no _SCREENSAVER_SCREENSHOT on the window";
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{300, 200}, std::pair{kScreenWidth - 1, kScreenHeight - 1}})
        EXPECT_EQ(testing::DrawablePixel(display_, *screenshot, x, y), kDesktopColour)
            << "the screenshot is not the desktop at " << x << "," << y;
    EXPECT_NE(testing::RootPixel(display_, 300, 200), kDesktopColour) << "the saver window does not hide the desktop";

    const auto deactivated = Command("-deactivate");
    ASSERT_EQ(deactivated.exitCode, 0) << deactivated.err;
    const fs::path stopped = fs::path(record_) / "stopped";
    ASSERT_TRUE(testing::WaitUntil([&] { return fs::exists(stopped); }, 10s))
        << "the stub was never signalled; the daemon said:\n" << daemon_.Output();
    EXPECT_EQ(ReadText(stopped), "TERM\n");
    EXPECT_TRUE(testing::WaitUntil(
        [&] {
            for (const auto& w : testing::ChildWindows(display_))
                if (w.id == window && w.mapped)
                    return false;
            return true;
        },
        10s))
        << "the saver window stayed";
}

// The real screensaver: its show on the daemon's window, nothing of its own on the desktop, and
// on deactivation a quick exit that leaves no temporary folder behind.
TEST_F(XScreenSaverHost, TheShowDrawsOnTheHostWindowAndEndsCleanlyOnDeactivation) {
    const std::string screensaver = MakeScreensaver();
    StartDaemon(screensaver + " --root");
    const auto activated = Command("-activate");
    ASSERT_EQ(activated.exitCode, 0) << activated.err;

    int engine = 0;
    ASSERT_TRUE(testing::WaitUntil(
        [&] {
            // A process that is exiting (the daemon may cycle its saver as it activates) has an
            // empty command line already: only a live one counts.
            engine = 0;
            for (int pid : ProcessesRunning(saverPath_))
                if (!ProcList(pid, "cmdline").empty()) {
                    engine = pid;
                    break;
                }
            return engine != 0;
        },
        15s))
        << "the daemon never started the screensaver; it said:\n" << daemon_.Output();
    const auto seen = std::chrono::steady_clock::now();
    EXPECT_THAT(ProcList(engine, "cmdline"), ::testing::ElementsAre(screensaver, "--root"));

    ASSERT_TRUE(testing::WaitUntil([&] { return ShowsItem(); }, 20s))
        << "the show never covered the saver window; the daemon and the engine said:\n" << daemon_.Output();
    const auto shown = std::chrono::steady_clock::now();
    std::printf("xscreensaver host: first show pixel %lld ms after the engine process was first seen\n",
                MillisecondsBetween(seen, shown));

    // Drawn in a child of the host window covering it; no top-level window of the engine's.
    unsigned long host = 0;
    for (const std::string& entry : ProcList(engine, "environ"))
        if (entry.starts_with("XSCREENSAVER_WINDOW="))
            host = std::strtoul(entry.c_str() + entry.find('=') + 1, nullptr, 0);
    ASSERT_NE(host, 0ul) << "the engine has no XSCREENSAVER_WINDOW";
    bool covered = false;
    for (const auto& child : testing::ChildWindows(display_, host))
        covered |= child.mapped && child.x == 0 && child.y == 0 && child.width == kScreenWidth &&
                   child.height == kScreenHeight;
    EXPECT_TRUE(covered) << "no mapped child window covers the host window";
    for (const auto& w : testing::ChildWindows(display_)) {
        if (w.mapped && w.id != host) {
            EXPECT_NE(testing::WindowProperty32(display_, w.id, "_NET_WM_PID"), static_cast<unsigned long>(engine))
                << "the engine mapped a top-level window of its own: " << w.width << "x" << w.height;
        }
    }

    const fs::path ownFolder =
        fs::path(runtime_) / ("vorlandite-" + std::to_string(uid_)) / std::to_string(engine);
    EXPECT_TRUE(fs::is_directory(ownFolder)) << ownFolder << " is missing while the show runs";

    const auto asked = std::chrono::steady_clock::now();
    const auto deactivated = Command("-deactivate");
    ASSERT_EQ(deactivated.exitCode, 0) << deactivated.err;
    ASSERT_TRUE(testing::WaitUntil([&] { return !RunsExecutable(engine, saverPath_); }, 5s))
        << "the engine still runs after deactivation; it said:\n" << daemon_.Output();
    const auto gone = std::chrono::steady_clock::now();
    std::printf("xscreensaver host: the engine was gone %lld ms after the deactivate command was started "
                "(it sends SIGTERM)\n",
                MillisecondsBetween(asked, gone));
    EXPECT_TRUE(ProcessesRunning(saverPath_).empty()) << "another engine process is left";
    EXPECT_FALSE(fs::exists(ownFolder)) << ownFolder << " was left behind";

    // The engine's exit status goes to xscreensaver-gfx, not to the test; a sanitizer's report
    // reaches the daemon's output, which the test does see.
    const std::string said = daemon_.Output();
    EXPECT_EQ(said.find("Sanitizer"), std::string::npos) << said;
    EXPECT_EQ(said.find("runtime error:"), std::string::npos) << said;
}

} // namespace
} // namespace vorlandite::e2e

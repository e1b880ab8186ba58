// A full-screen show's start and end as the user sees them (under a private Xvfb, 1920 x 1080):
// from the engine's process start (`/s`) to its first item, a 1280 x 720 picture, on the screen's
// pixels, and from a key press (XTEST) to the process's exit. The engine runs with
// $VORLANDITE_TIMINGS set and notes its milestones on stderr; they are reported as the split of
// both figures. Goals: the first item within 300 ms, the exit within 100 ms.
// Two shows: one picture (the key comes while it stands), and two pictures changing every second
// with a melody playing, the key coming in the middle of the transition to the second.
// Usage: start_bench [RUNS] [--keep] (default 5 runs; --keep leaves the screensaver, its settings
// and the engine's logs in the printed folder, e.g. to run the engine under a profiler).

#include "e2e/SolidBmp.h"
#include "e2e/XSession.h"
#include "payload/PayloadWriter.h"
#include "payload/SettingsStore.h"
#include "platform/FileRegistry.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace vorlandite;
using e2e::SolidBmp;

constexpr int kScreenWidth = 1920, kScreenHeight = 1080;
constexpr int kItemWidth = 1280, kItemHeight = 720;
constexpr uint32_t kColour = 0x3366CC;
constexpr uint32_t kSecondColour = 0xCC6633;
// In the show with transitions: the key comes this long after the first item, half a second into
// the transition to the second (at speed 5 it takes about 3.5 s).
constexpr double kKeyInTransitionMs = 1500;
constexpr const char* kTitle = "Start Bench";

// The monotonic clock in milliseconds, as the engine writes its milestones.
double NowMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

// A 16-bit mono WAV of a quiet tone.
std::vector<uint8_t> ToneWav(int seconds) {
    constexpr int kRate = 22050;
    const uint32_t dataBytes = uint32_t(seconds * kRate * 2);
    std::vector<uint8_t> bytes;
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            bytes.push_back(uint8_t(v >> (8 * i)));
    };
    auto tag = [&](const char* t) { bytes.insert(bytes.end(), t, t + 4); };
    tag("RIFF");
    put(36 + dataBytes, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(1, 2);  // PCM
    put(1, 2);  // mono
    put(kRate, 4);
    put(kRate * 2, 4);
    put(2, 2);
    put(16, 2);
    tag("data");
    put(dataBytes, 4);
    for (int i = 0; i < seconds * kRate; ++i)
        put(uint16_t(int16_t((i / 25) % 2 ? 800 : -800)), 2);
    return bytes;
}

// transitionShow: two pictures every second with a melody; otherwise one picture.
std::string MakeScreensaver(const fs::path& folder, bool transitionShow) {
    const std::string path = (folder / (transitionShow ? "Transitions.scr" : "Bench.scr")).string();
    fs::copy_file(VORLANDITE_ENGINE_PATH, path, fs::copy_options::overwrite_existing);
    payload::PayloadDraft draft;
    draft.strings.Title = kTitle;
    draft.header.Seconds = transitionShow ? 1 : 60;
    for (uint32_t colour : {kColour, kSecondColour}) {
        payload::DraftItem<payload::TKelImageInfo> item;
        item.record.Ext = ".BMP";
        item.content = payload::Content::FromBytes(SolidBmp(kItemWidth, kItemHeight, colour));
        item.compressed = true;
        draft.images.push_back(std::move(item));
        if (!transitionShow)
            break;
    }
    if (transitionShow) {
        // Unfold From Up at speed 5: about 3.5 s at this width.
        draft.strings.EffectList = std::string(1, char(25));
        draft.header.EffectSpeed = 5;
        payload::DraftItem<payload::TKelMelodyInfo> melody;
        melody.record.Ext = ".WAV";
        melody.content = payload::Content::FromBytes(ToneWav(30));
        melody.compressed = true;
        draft.melodies.push_back(std::move(melody));
    }
    auto sink = payload::FileSink::OpenForAppend(path);
    if (!sink.ok() || !payload::WritePayload(draft, **sink).ok() || !(*sink)->Close().ok())
        return {};
    fs::permissions(path, fs::perms::owner_all);
    // A key ends the show, as the user set it in the configuration dialog.
    platform::FileRegistry registry((folder / "config" / "vorlandite" / "user.reg").string());
    auto settings = payload::CurrentSettings(draft.header, draft.strings, false);
    settings.ExitKeyboard = true;
    if (!payload::SaveSettings(registry, kTitle, settings).ok())
        return {};
    return path;
}

// The item's area on screen, whatever its placement: the centre and two inner corners.
bool ItemOnScreen(Display* display) {
    const int x0 = (kScreenWidth - kItemWidth) / 2 + 8, y0 = (kScreenHeight - kItemHeight) / 2 + 8;
    const int points[][2] = {{kScreenWidth / 2, kScreenHeight / 2}, {x0, y0}, {kScreenWidth - x0, kScreenHeight - y0}};
    for (const auto& p : points)
        if (testing::RootPixel(display, p[0], p[1]) != kColour)
            return false;
    return true;
}

// The engine's milestones, "vorlandite-engine: timing NAME MS", in the order written.
std::vector<std::pair<std::string, double>> ReadMilestones(const fs::path& file) {
    std::vector<std::pair<std::string, double>> milestones;
    std::ifstream in(file);
    std::string line;
    const std::string prefix = "vorlandite-engine: timing ";
    while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) != 0)
            continue;
        std::istringstream fields(line.substr(prefix.size()));
        std::string name;
        double ms = 0;
        if (fields >> name >> ms)
            milestones.emplace_back(name, ms);
    }
    return milestones;
}

struct Series {
    std::vector<double> values;
    void Add(double v) { values.push_back(v); }
    double Median() const {
        std::vector<double> v = values;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
    double Min() const { return values.empty() ? 0 : *std::min_element(values.begin(), values.end()); }
    double Max() const { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }
};

void Report(const char* what, const Series& s, double goal = 0) {
    std::printf("%-44s min %7.1f  median %7.1f  max %7.1f ms", what, s.Min(), s.Median(), s.Max());
    if (goal > 0)
        std::printf("   (goal %.0f ms)", goal);
    std::printf("\n");
}

// Starts the show `runs` times, waits for its first item, presses a key `keyDelayMs` after that
// and waits for the exit; prints the figures with the engine's milestones. Returns the failures.
int RunShow(const char* title, testing::XvfbServer& server, const fs::path& folder, const std::string& screensaver,
            int runs, double keyDelayMs) {
    Display* display = server.Connection();
    Series toFirstItem, toExit;
    // Milestones: up to the key from the process start, after the key from the key press.
    std::vector<std::string> startOrder, endOrder;
    std::map<std::string, Series> startSplit, endSplit;
    int failures = 0;
    for (int run = 0; run < runs; ++run) {
        testing::PaintWindow(display, 0, 0x000000);
        const fs::path log = folder / (fs::path(screensaver).stem().string() + "-" + std::to_string(run) + ".log");
        const double started = NowMs();
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
            ::dup2(out, 2);
            ::setenv("DISPLAY", server.DisplayName().c_str(), 1);
            ::setenv("QT_QPA_PLATFORM", "xcb", 1);
            ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
            ::setenv("VORLANDITE_TIMINGS", "1", 1);
            ::execl(screensaver.c_str(), screensaver.c_str(), "/s", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        bool shown = false;
        double shownAt = 0;
        while (NowMs() - started < 20000) {
            if (ItemOnScreen(display)) {
                shownAt = NowMs();
                shown = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (shown)
            toFirstItem.Add(shownAt - started);
        // The window's own start-up messages (activation, focus) come and go first; they are no
        // input.
        std::this_thread::sleep_for(std::chrono::microseconds(int64_t(keyDelayMs * 1000)));
        testing::FakeKey(display, "a");
        const double pressed = NowMs();
        int status = 0;
        bool exited = false;
        while (NowMs() - pressed < 10000) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                exited = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        const double ended = NowMs();
        if (!exited) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            std::fprintf(stderr, "%s, run %d: the key did not end the show\n", title, run);
            ++failures;
            continue;
        }
        toExit.Add(ended - pressed);
        if (!shown || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "%s, run %d: %s; exit status %d; see %s\n", title, run,
                         shown ? "shown" : "the item never appeared", status, log.c_str());
            ++failures;
        }
        for (const auto& [name, ms] : ReadMilestones(log)) {
            const bool afterKey = ms >= pressed;
            auto& order = afterKey ? endOrder : startOrder;
            if (std::find(order.begin(), order.end(), name) == order.end())
                order.push_back(name);
            (afterKey ? endSplit : startSplit)[name].Add(ms - (afterKey ? pressed : started));
        }
    }
    std::printf("%s: %d runs\n", title, runs);
    if (toFirstItem.values.empty()) {
        std::printf("  the show never appeared\n");
        return failures + 1;
    }
    Report("process start -> first item on screen", toFirstItem, 300);
    for (const std::string& name : startOrder)
        Report(("  " + name).c_str(), startSplit[name]);
    Report("key press -> process exit", toExit, 100);
    for (const std::string& name : endOrder)
        Report(("  " + name).c_str(), endSplit[name]);
    return failures;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 5;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--keep")
            keep = true;
        else
            runs = std::max(1, std::atoi(argv[i]));
    }
    testing::XvfbServer server;
    if (!server.Start(std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24")) {
        std::fprintf(stderr, "no X server: %s\n", server.Error().c_str());
        return 1;
    }
    char pattern[] = "/tmp/vorlandite-start-bench-XXXXXX";
    const fs::path folder = ::mkdtemp(pattern);
    const std::string still = MakeScreensaver(folder, false);
    const std::string changing = MakeScreensaver(folder, true);
    if (still.empty() || changing.empty()) {
        std::fprintf(stderr, "cannot make the screensavers\n");
        return 1;
    }
    std::printf("screen %dx%d, %dx%d picture items\n", kScreenWidth, kScreenHeight, kItemWidth, kItemHeight);
    int failures = RunShow("one picture, the key after 600 ms", server, folder, still, runs, 600);
    failures += RunShow("two pictures and a melody, the key during a transition", server, folder, changing, runs,
                        kKeyInTransitionMs);
    std::error_code ignored;
    if (keep || failures > 0)
        std::printf("screensavers, settings and logs kept in %s\n", folder.c_str());
    else
        fs::remove_all(folder, ignored);
    return failures == 0 ? 0 : 1;
}

// A hosted show's start and end, as a screensaver host sees them (under a private Xvfb): from
// the engine's process start to its first item on the host window's pixels, and from SIGTERM to
// the process's exit. Usage: hosted_start_bench [RUNS] (default 5).

#include "e2e/SolidBmp.h"
#include "e2e/XSession.h"
#include "payload/PayloadWriter.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace vorlandite;
using e2e::SolidBmp;

constexpr int kWidth = 1280, kHeight = 720;
constexpr uint32_t kColour = 0x3366CC;

std::string MakeScreensaver(const fs::path& folder) {
    const std::string path = (folder / "Bench.scr").string();
    fs::copy_file(VORLANDITE_ENGINE_PATH, path, fs::copy_options::overwrite_existing);
    payload::PayloadDraft draft;
    draft.strings.Title = "Hosted Start Bench";
    draft.header.Seconds = 60;
    payload::DraftItem<payload::TKelImageInfo> item;
    item.record.Ext = ".BMP";
    item.content = payload::Content::FromBytes(SolidBmp(kWidth, kHeight, kColour));
    item.compressed = true;
    draft.images.push_back(std::move(item));
    auto sink = payload::FileSink::OpenForAppend(path);
    if (!sink.ok() || !payload::WritePayload(draft, **sink).ok() || !(*sink)->Close().ok())
        return {};
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Report(const char* what, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::printf("%-40s min %7.1f  median %7.1f  max %7.1f ms  (%zu runs)\n", what, values.front(),
                values[values.size() / 2], values.back(), values.size());
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    testing::XvfbServer server;
    if (!server.Start("1920x1080x24")) {
        std::fprintf(stderr, "no X server: %s\n", server.Error().c_str());
        return 1;
    }
    char pattern[] = "/tmp/vorlandite-hosted-bench-XXXXXX";
    const fs::path folder = ::mkdtemp(pattern);
    const std::string screensaver = MakeScreensaver(folder);
    if (screensaver.empty())
        return 1;
    Display* display = server.Connection();
    std::vector<double> toFirstFrame, toExit;
    for (int run = 0; run < runs; ++run) {
        const unsigned long host = testing::CreateMappedWindow(display, 0, 0, kWidth, kHeight);
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", host);
        const auto started = Clock::now();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("DISPLAY", server.DisplayName().c_str(), 1);
            ::setenv("QT_QPA_PLATFORM", "xcb", 1);
            ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
            ::execl(screensaver.c_str(), screensaver.c_str(), "--window-id", id, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        bool shown = false;
        while (Clock::now() - started < std::chrono::seconds(20)) {
            if (testing::RootPixel(display, kWidth / 2, kHeight / 2) == kColour &&
                testing::RootPixel(display, 3, 3) == kColour) {
                shown = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (shown)
            toFirstFrame.push_back(Ms(Clock::now() - started));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const auto signalled = Clock::now();
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
        toExit.push_back(Ms(Clock::now() - signalled));
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            std::fprintf(stderr, "run %d: the engine did not exit 0\n", run);
        testing::DestroyWindow(display, host);
    }
    if (toFirstFrame.empty()) {
        std::fprintf(stderr, "the show never appeared\n");
        return 1;
    }
    Report("process start -> first frame (1280x720)", toFirstFrame);
    Report("SIGTERM -> exit", toExit);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}

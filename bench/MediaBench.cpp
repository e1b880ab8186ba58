// Media player figures: how long Open takes to probe a file, how long after Play the first
// sound buffer is rendered (silent sink, real time), how much memory a playing video adds, and
// what learning a file's length costs the headless recorder at each Open.

#include "audio/MediaFixtures.h"
#include "audio/MediaPipeline.h"
#include "audio/MediaPlayer.h"
#include "support/TempDir.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using vorlandite::audio::MediaPlayer;
using vorlandite::audio::VideoFrameConsumer;
using vorlandite::audio::testing::MediaKind;

vorlandite::testing::TempDir& MediaFolder() {
    static vorlandite::testing::TempDir folder;
    return folder;
}

std::string SamplePath(MediaKind kind) {
    auto made = vorlandite::audio::testing::MakeMediaFile(kind, MediaFolder().Path().string(), 1000ms);
    return made ? made->path : std::string();
}

void BM_Open(benchmark::State& state, MediaKind kind) {
    const std::string path = SamplePath(kind);
    if (path.empty()) return state.SkipWithError("no encoder");
    MediaPlayer player(MediaPlayer::AudioOutput::Silent, MediaPlayer::VideoOutput::Frames);
    player.SetFileName(path);
    for (auto _ : state) {
        if (!player.Open()) return state.SkipWithError("open failed");
        state.PauseTiming();
        player.Close();
        state.ResumeTiming();
    }
}

void BM_PlayToFirstBuffer(benchmark::State& state, MediaKind kind) {
    const std::string path = SamplePath(kind);
    if (path.empty()) return state.SkipWithError("no encoder");
    MediaPlayer player(MediaPlayer::AudioOutput::Silent, MediaPlayer::VideoOutput::Frames);
    player.SetFileName(path);
    for (auto _ : state) {
        if (!player.Open() || !player.Play()) return state.SkipWithError("cannot play");
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (!player.Statistics().firstAudioBuffer && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(100us);
        const auto first = player.Statistics().firstAudioBuffer;
        if (!first) return state.SkipWithError("no buffer within 2 s");
        state.SetIterationTime(std::chrono::duration<double>(*first).count());
        player.SetNotify(false);
        player.Close();
    }
}

// The recorder's probe: a preroll and a length query (with the first video frame kept).
void BM_ProbeLength(benchmark::State& state, MediaKind kind) {
    const std::string path = SamplePath(kind);
    if (path.empty()) return state.SkipWithError("no encoder");
    for (auto _ : state) {
        auto probe = vorlandite::audio::ProbeMedia(path, true);
        if (!probe) return state.SkipWithError("probe failed");
        benchmark::DoNotOptimize(probe->duration);
    }
}

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

struct KeepLastFrame : VideoFrameConsumer {
    void PresentVideoFrame(const QImage& frame, const QRect&) override { last = frame; ++frames; }
    void ClearVideoFrame() override { last = {}; }
    QImage last;
    int frames = 0;
};

struct VideoRun {
    long addedKb = 0;      // peak resident size while playing, over the size before Open
    long leftKb = 0;       // resident size after Close, over the size before Open
    int framesShown = 0;
};

VideoRun PlayVideoOnce(const std::string& path) {
    MediaPlayer player(MediaPlayer::AudioOutput::Silent, MediaPlayer::VideoOutput::Frames);
    KeepLastFrame display;
    bool done = false;
    QObject::connect(&player, &MediaPlayer::OnNotify, [&](auto) { done = true; });
    VideoRun run;
    const long before = ResidentKilobytes();
    player.SetFileName(path);
    player.SetDisplay(&display);
    if (!player.Open() || !player.Play()) return run;
    long peak = before;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!done && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        peak = std::max(peak, ResidentKilobytes());
        std::this_thread::sleep_for(5ms);
    }
    player.Close();
    run.addedKb = peak - before;
    run.leftKb = ResidentKilobytes() - before;
    run.framesShown = display.frames;
    return run;
}

// A 2-second 640 x 480 video at 25 frames per second, frames handed to a display. The first
// play also loads the demuxer and decoder plugins; the later ones show the steady cost.
void BM_PlayingVideoMemory(benchmark::State& state) {
    auto made = vorlandite::audio::testing::MakeAvi(MediaFolder().File("big.avi"), 640, 480, 2000ms);
    if (!made) return state.SkipWithError("no encoder");
    const VideoRun first = PlayVideoOnce(made->path);
    VideoRun later;
    for (auto _ : state) later = PlayVideoOnce(made->path);
    state.counters["first_added_MiB"] = double(first.addedKb) / 1024;
    state.counters["first_left_MiB"] = double(first.leftKb) / 1024;
    state.counters["added_MiB"] = double(later.addedKb) / 1024;
    state.counters["left_MiB"] = double(later.leftKb) / 1024;
    state.counters["frames_shown"] = later.framesShown;
}

BENCHMARK_CAPTURE(BM_Open, Wav, MediaKind::Wav)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_CAPTURE(BM_Open, Mp3, MediaKind::Mp3)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_CAPTURE(BM_PlayToFirstBuffer, Wav, MediaKind::Wav)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_CAPTURE(BM_PlayToFirstBuffer, Mp3, MediaKind::Mp3)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_CAPTURE(BM_ProbeLength, Wav, MediaKind::Wav)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_CAPTURE(BM_ProbeLength, Mp3, MediaKind::Mp3)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_CAPTURE(BM_ProbeLength, Avi, MediaKind::Avi)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_CAPTURE(BM_ProbeLength, Mpeg, MediaKind::Mpeg)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PlayingVideoMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);  // completions and frames arrive through its loop
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

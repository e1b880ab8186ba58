// Cost of one transition frame at full-HD, for every effect: the time from a frame's start to the
// next frame's start (or the effect's end) on a virtual clock, so it is all computing and
// presenting, no waiting. The reported time of a run is the median frame of that run; the goal
// is under 4 ms for every effect. After the runs the slowest effects are listed.

#include "transitions/EffectCatalog.h"
#include "transitions/RecordingPresenter.h"
#include "transitions/TransitionEngine.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace vorlandite;
using namespace vorlandite::transitions;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kSteps = 64;

raster::TBitmap32 Picture(uint32_t seed) {
    raster::TBitmap32 b = raster::TBitmap32::Create(kWidth, kHeight).value();
    uint32_t state = seed;
    for (raster::TColor32& p : b.Pixels()) {
        state = state * 1664525u + 1013904223u;
        p = state | 0xFF000000u;
    }
    return b;
}

// The recorder with a stopwatch on its frame boundaries.
class TimingPresenter final : public ITransitionPresenter {
public:
    explicit TimingPresenter(const raster::TBitmap32& canvas) : recorder_(canvas) {}

    void CaptureTarget(raster::TBitmap32& old) override { recorder_.CaptureTarget(old); }
    void CopyNow(const raster::TBitmap32& picture, const raster::Rect& rect) override {
        recorder_.CopyNow(picture, rect);
    }
    void Present(const raster::TBitmap32& surface, const raster::Rect& source,
                 const raster::Rect& destination) override {
        recorder_.Present(surface, source, destination);
    }
    void FrameStarted() override {
        const Clock::time_point now = Clock::now();
        if (started_)
            frameMs.push_back(std::chrono::duration<double, std::milli>(now - frameStart_).count());
        frameStart_ = now;
        started_ = true;
        recorder_.FrameStarted();
    }
    void FramesEnded() override {
        if (started_)
            frameMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - frameStart_).count());
        started_ = false;
        recorder_.FramesEnded();
    }

    std::vector<double> frameMs;

private:
    RecordingPresenter recorder_;
    Clock::time_point frameStart_;
    bool started_ = false;
};

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2), values.end());
    return values[values.size() / 2];
}

struct EffectFigures {
    double medianMs = 0;
    double maxMs = 0;
    std::size_t frames = 0;
};
std::map<int, EffectFigures> figures;

void BM_TransitionFrame(benchmark::State& state, int effect) {
    static const raster::TBitmap32 before = Picture(1), after = Picture(2);
    std::vector<double> all;
    std::size_t frames = 0;
    for (auto _ : state) {
        VirtualTickClock clock;
        SeededRandom random{uint32_t(effect)};
        TaskQueue queue;
        TransitionEngine engine(clock, random, queue);
        TimingPresenter presenter(before);
        engine.StartTransition(presenter, after, effect, kSteps, 9);
        RunUntilIdle(engine, queue);
        state.SetIterationTime(Median(presenter.frameMs) / 1000.0);
        frames = presenter.frameMs.size();
        all.insert(all.end(), presenter.frameMs.begin(), presenter.frameMs.end());
    }
    EffectFigures f;
    f.medianMs = Median(all);
    f.maxMs = all.empty() ? 0 : *std::max_element(all.begin(), all.end());
    f.frames = frames;
    figures[effect] = f;
    state.counters["frames"] = double(frames);
    state.counters["median_ms"] = f.medianMs;
    state.counters["max_ms"] = f.maxMs;
}

} // namespace

int main(int argc, char** argv) {
    for (int effect = 1; effect <= kEffectCount; ++effect) {
        char name[96];
        std::snprintf(name, sizeof name, "Frame/%03d %s", effect, std::string(EffectName(effect)).c_str());
        benchmark::RegisterBenchmark(name, BM_TransitionFrame, effect)
            ->UseManualTime()
            ->Iterations(3)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::vector<std::pair<double, int>> slowest;
    for (const auto& [effect, f] : figures)
        slowest.emplace_back(f.medianMs, effect);
    std::sort(slowest.rbegin(), slowest.rend());
    std::printf("\nslowest effects (median frame at %dx%d, N = %d):\n", kWidth, kHeight, kSteps);
    for (std::size_t i = 0; i < std::min<std::size_t>(8, slowest.size()); ++i) {
        const EffectFigures& f = figures[slowest[i].second];
        std::printf("  %3d %-34s median %.3f ms  max %.3f ms  %zu frames\n", slowest[i].second,
                    std::string(EffectName(slowest[i].second)).c_str(), f.medianMs, f.maxMs, f.frames);
    }
    return 0;
}

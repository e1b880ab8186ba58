// The show's transitions as the screen sees them: every effect at speed 5 on the real screen
// presenter, drawing into a full-screen window under a real X server (run under Xvfb at
// 1920 x 1080), on the real clock with the show's 9 ms frame period. For each effect it reports
// the worst frame: the interval from one frame's start to the next (the period the eye sees), and
// the busy part of a frame (drawing plus every presentation up to the UI thread's copy). The
// goal is a worst interval within the period. Families and the slowest effects are summed up at
// the end.
//
// Without a display (no $DISPLAY) it says so and measures nothing.

#include "app/SecondMonitorWindow.h"
#include "transitions/EffectCatalog.h"
#include "transitions/EffectSettings.h"
#include "transitions/ScreenPresenter.h"
#include "transitions/TransitionEngine.h"

#include <QApplication>
#include <QEventLoop>
#include <QScreen>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace vorlandite;
using namespace vorlandite::transitions;
using Clock = std::chrono::steady_clock;

constexpr int kSpeed = 5;
constexpr int kFramePeriodMs = 9;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

raster::TBitmap32 Picture(int width, int height, uint32_t seed) {
    raster::TBitmap32 b = raster::TBitmap32::Create(width, height).value();
    uint32_t state = seed;
    for (raster::TColor32& p : b.Pixels()) {
        state = state * 1664525u + 1013904223u;
        p = state | 0xFF000000u;
    }
    return b;
}

// The show window's painting: the canvas at the origin.
class TShowWidget final : public QWidget {
public:
    explicit TShowWidget(const raster::TBitmap32& canvas) : canvas_(canvas) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    }

protected:
    void paintEvent(QPaintEvent*) override { app::PaintShowBitmap(*this, canvas_); }

private:
    const raster::TBitmap32& canvas_;
};

// The screen presenter with a stopwatch on the worker's frame boundaries and presentations.
class TTimedPresenter final : public ITransitionPresenter {
public:
    explicit TTimedPresenter(TScreenPresenter& screen) : screen_(screen) {}

    void CaptureTarget(raster::TBitmap32& old) override { screen_.CaptureTarget(old); }
    void CopyNow(const raster::TBitmap32& picture, const raster::TRect& rect) override { screen_.CopyNow(picture, rect); }
    void Present(const raster::TBitmap32& surface, const raster::TRect& source,
                 const raster::TRect& destination) override {
        screen_.Present(surface, source, destination);
        lastPresented_ = Clock::now();
    }
    void Abandon() override { screen_.Abandon(); }
    void FrameStarted() override {
        const Clock::time_point now = Clock::now();
        if (started_) {
            intervalMs.push_back(Ms(now - frameStart_));
            busyMs.push_back(Ms(lastPresented_ - frameStart_));
        }
        frameStart_ = lastPresented_ = now;
        started_ = true;
    }
    void FramesEnded() override {
        if (started_)
            busyMs.push_back(Ms(lastPresented_ - frameStart_));
        started_ = false;
    }

    std::vector<double> intervalMs;
    std::vector<double> busyMs;

private:
    TScreenPresenter& screen_;
    Clock::time_point frameStart_;
    Clock::time_point lastPresented_;
    bool started_ = false;
};

struct TEffectFigures {
    double WorstIntervalMs = 0;
    double WorstBusyMs = 0;
    double MedianIntervalMs = 0;
    std::size_t Frames = 0;
    std::size_t LateFrames = 0;  // intervals beyond the period plus 1 ms of timer slack
};
std::map<int, TEffectFigures> figures;

struct TShow {
    QWidget* window = nullptr;
    raster::TBitmap32 canvas;
    raster::TBitmap32 pictures[2];
};
TShow* show = nullptr;

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2), values.end());
    return values[values.size() / 2];
}

void BM_ShowFrame(benchmark::State& state, int effect) {
    TSteadyTickClock clock;
    TSeededRandom random{uint32_t(effect)};
    TQtOwnerThread owner;
    TEffectFigures f;
    int flip = 0;
    for (auto _ : state) {
        TScreenPresenter screen(show->canvas, show->window);
        TTimedPresenter presenter(screen);
        TTransitionEngine engine(clock, random, owner);
        engine.TransitionSteps = StepsForSpeed(show->canvas.Width(), kSpeed);
        QEventLoop loop;
        TTransThread* thread = engine.StartTransition(presenter, show->pictures[flip], effect,
                                                      StepsForSpeed(show->canvas.Width(), kSpeed), kFramePeriodMs);
        flip ^= 1;
        if (!thread)
            continue;
        thread->SetCompletionHandler([&loop] { loop.quit(); });
        loop.exec();
        QApplication::processEvents();  // the last repaint
        for (double ms : presenter.intervalMs) {
            f.WorstIntervalMs = std::max(f.WorstIntervalMs, ms);
            f.LateFrames += ms > kFramePeriodMs + 1.0 ? 1 : 0;
        }
        for (double ms : presenter.busyMs)
            f.WorstBusyMs = std::max(f.WorstBusyMs, ms);
        f.MedianIntervalMs = Median(presenter.intervalMs);
        f.Frames = presenter.busyMs.size();
        state.SetIterationTime(f.WorstIntervalMs / 1000.0);
    }
    figures[effect] = f;
    state.counters["frames"] = double(f.Frames);
    state.counters["worst_ms"] = f.WorstIntervalMs;
    state.counters["worst_busy_ms"] = f.WorstBusyMs;
    state.counters["late"] = double(f.LateFrames);
}

} // namespace

int main(int argc, char** argv) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        std::printf("show_frame_bench: no display; run it under xvfb-run -s \"-screen 0 1920x1080x24\"\n");
        return 0;
    }
    QApplication application(argc, argv);
    QScreen* primary = QGuiApplication::primaryScreen();
    const QRect geometry = primary->geometry();
    TShow s;
    s.canvas = raster::TBitmap32::Create(geometry.width(), geometry.height()).value();
    s.pictures[0] = Picture(geometry.width(), geometry.height(), 1);
    s.pictures[1] = Picture(geometry.width(), geometry.height(), 2);
    TShowWidget window(s.canvas);
    window.setGeometry(geometry);
    window.show();
    QApplication::processEvents();
    s.window = &window;
    show = &s;

    for (int effect = 1; effect <= kEffectCount; ++effect) {
        char name[96];
        std::snprintf(name, sizeof name, "ShowFrame/%03d %s", effect, std::string(EffectName(effect)).c_str());
        benchmark::RegisterBenchmark(name, BM_ShowFrame, effect)
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nscreen %dx%d, speed %d (N = %d), period %d ms\n", geometry.width(), geometry.height(), kSpeed,
                StepsForSpeed(geometry.width(), kSpeed), kFramePeriodMs);
    std::map<std::string, TEffectFigures> families;
    for (const auto& [effect, f] : figures) {
        TEffectFigures& family = families[std::string(FamilyFor(effect).Family)];
        family.WorstIntervalMs = std::max(family.WorstIntervalMs, f.WorstIntervalMs);
        family.WorstBusyMs = std::max(family.WorstBusyMs, f.WorstBusyMs);
        family.Frames += f.Frames;
        family.LateFrames += f.LateFrames;
    }
    std::printf("per family: worst interval, worst busy part, late frames / frames\n");
    for (const auto& [name, f] : families)
        std::printf("  %-16s %7.2f ms %7.2f ms  %zu / %zu\n", name.c_str(), f.WorstIntervalMs, f.WorstBusyMs,
                    f.LateFrames, f.Frames);
    std::vector<std::pair<double, int>> slowest;
    for (const auto& [effect, f] : figures)
        slowest.emplace_back(f.WorstIntervalMs, effect);
    std::sort(slowest.rbegin(), slowest.rend());
    std::printf("slowest effects (worst interval):\n");
    for (std::size_t i = 0; i < std::min<std::size_t>(10, slowest.size()); ++i) {
        const TEffectFigures& f = figures[slowest[i].second];
        std::printf("  %3d %-34s worst %.2f ms  busy %.2f ms  median %.2f ms  late %zu / %zu\n", slowest[i].second,
                    std::string(EffectName(slowest[i].second)).c_str(), f.WorstIntervalMs, f.WorstBusyMs,
                    f.MedianIntervalMs, f.LateFrames, f.Frames);
    }
    return 0;
}

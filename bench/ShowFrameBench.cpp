// The show's transitions as the screen sees them: every effect at speed 5 on the real screen
// presenter, drawing into a full-screen window under a real X server (run under Xvfb at
// 1920 x 1080), on the real clock with the show's 9 ms frame period.
//
// First the floor: a plain Qt window repainting a full-screen picture every 9 ms on the same
// server, the best any show can do there. Then, for each effect, two views of its frames:
// - the worker's: the interval from one frame's start to the next, and the busy part of a frame
//   (drawing plus every presentation);
// - the screen's: the interval between two frames' repaints (drawn and flushed to the server),
//   with the stages of the worst one: queued (the frame's end to the UI thread picking it up),
//   copy (onto the show's picture), paint (into the window's backing store) and flush (to the
//   X server).
// Each family's line and the summary also give the medians of those stages, the UI thread's
// work per frame, next to the floor's paint and flush: steadier than late-frame counts on a
// shared machine. A frame is late when its interval exceeds the period by more than 1 ms. The
// goal: every effect's worst interval within two periods, at most 1 % late frames. Families,
// the slowest effects and the ratios to the floor are summed up at the end. For the slowest
// effects a second line says where lateness comes from: the worker's intervals (their shortest
// and median) and its waits for the screen, batches the UI thread painted together, and how much
// each repaint covered (rectangles, share of the window). Each transition goes to the other
// picture, so it changes the whole screen, and afterwards the server's window must show the
// show's picture.
//
// Floor blocks are measured between effects too (--floor-every=K: before every K-th effect run,
// 4 by default, 0 for none; --no-floor: no floor at all) and judged by the same goal as the
// effects.
//
// Usage: show_frame_bench [--floor-only] [--no-floor] [--floor-every=K] [benchmark flags, e.g.
// --benchmark_filter]
// Without a display (no $DISPLAY) it says so and measures nothing.

#include "raster/canvas/QtImageBridge.h"
#include "transitions/EffectCatalog.h"
#include "transitions/EffectSettings.h"
#include "transitions/ScreenPresenter.h"
#include "transitions/TransitionEngine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace vorlandite;
using namespace vorlandite::transitions;
using Clock = std::chrono::steady_clock;

constexpr int kSpeed = 5;
constexpr int kFramePeriodMs = 9;
constexpr double kLateMs = kFramePeriodMs + 1.0;  // a period plus 1 ms of timer slack
constexpr int kFloorFrames = 3 * 385;
constexpr int kFloorBlockFrames = 385;  // an effect's frames at this speed on a full-HD screen

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

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2), values.end());
    return values[values.size() / 2];
}

// Worst value, count of late values and their share of a series of intervals.
struct Intervals {
    double worst = 0;
    double median = 0;
    std::size_t count = 0;
    std::size_t late = 0;
    double LatePercent() const { return count ? 100.0 * double(late) / double(count) : 0; }
    void Add(const std::vector<double>& intervals) {
        for (double ms : intervals) {
            worst = std::max(worst, ms);
            late += ms > kLateMs ? 1 : 0;
        }
        count += intervals.size();
    }
};

// A full-screen window that times its painting: paintEvent is the drawing into the backing
// store; an update request (or a repaint) is that plus the flush to the X server.
class TimedWindow : public QWidget {
public:
    TimedWindow() {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    }
    std::vector<double> paintMs;
    // Per update request, while timing: when its flush ended and how long paint and flush took.
    bool timingUpdates = false;
    std::vector<Clock::time_point> flushed;
    std::vector<double> syncMs;

protected:
    bool event(QEvent* e) override {
        if (!timingUpdates || e->type() != QEvent::UpdateRequest)
            return QWidget::event(e);
        const Clock::time_point start = Clock::now();
        const bool handled = QWidget::event(e);
        flushed.push_back(Clock::now());
        syncMs.push_back(Ms(flushed.back() - start));
        return handled;
    }
    void paintEvent(QPaintEvent*) override {
        const Clock::time_point start = Clock::now();
        Paint();
        paintMs.push_back(Ms(Clock::now() - start));
    }
    virtual void Paint() = 0;
};

// The show window's painting: the canvas at the origin, as TSSWindow paints it.
class ShowWidget final : public TimedWindow {
public:
    explicit ShowWidget(const raster::TBitmap32& canvas) : canvas_(canvas) {}

private:
    void Paint() override {
        QPainter painter(this);
        raster::PaintOpaque(painter, rect(), canvas_);
    }
    const raster::TBitmap32& canvas_;
};

// The floor: a plain window that repaints a full-screen picture on a 9 ms timer.
class FloorWidget final : public TimedWindow {
public:
    explicit FloorWidget(QImage picture) : picture_(std::move(picture)) {}

private:
    void Paint() override {
        QPainter painter(this);
        painter.drawImage(QPoint(0, 0), picture_);
    }
    QImage picture_;
};

// The screen presenter with a stopwatch on the worker's frame boundaries and presentations.
class TimedPresenter final : public ITransitionPresenter {
public:
    explicit TimedPresenter(ScreenPresenter& screen) : screen_(screen) {}

    void CaptureTarget(raster::TBitmap32& old) override { screen_.CaptureTarget(old); }
    void CopyNow(const raster::TBitmap32& picture, const raster::Rect& rect) override { screen_.CopyNow(picture, rect); }
    void Present(const raster::TBitmap32& surface, const raster::Rect& source,
                 const raster::Rect& destination) override {
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
        screen_.FrameStarted();
        // The screen presenter waits here while the screen is more than a frame behind.
        waitMs.push_back(Ms(Clock::now() - now));
    }
    void FramesEnded() override {
        if (started_)
            busyMs.push_back(Ms(lastPresented_ - frameStart_));
        started_ = false;
        screen_.FramesEnded();
    }

    std::vector<double> intervalMs;
    std::vector<double> busyMs;
    std::vector<double> waitMs;  // per frame start: the wait for the screen

private:
    ScreenPresenter& screen_;
    Clock::time_point frameStart_;
    Clock::time_point lastPresented_;
    bool started_ = false;
};

// The screen's side of one frame: its batch's stages.
struct ScreenFrame {
    Clock::time_point Posted, painted;
    double queuedMs = 0, CopyMs = 0, PaintMs = 0, FlushMs = 0;
    int paintedRects = 0, together = 1;
    double paintedShare = 0;  // of the window
    double compareMs = 0;     // worker: finding the frame's changes before posting it
    bool swapped = false;     // taken over by the picture without a copy
};

struct EffectFigures {
    Intervals worker;
    Intervals screen;
    double worstBusyMs = 0;
    ScreenFrame worstScreen;  // the stages of the frame ending the worst screen interval
    // Late screen intervals whose batch came late from the worker, and those the UI thread and
    // the X server made late (the batch's way to the screen took longer than the one before).
    std::size_t screenLateFromWorker = 0, ScreenLateOnTheWay = 0;
    std::size_t frames = 0;
    // Why frames are late: worker intervals that include a wait for the screen of over 1 ms, the
    // longest such wait; batches painted together with another; the most rectangles of one
    // repaint and the median share of the window repainted.
    std::size_t workerWaits = 0, together = 0;
    double worstWaitMs = 0, medianWorkerMs = 0, minWorkerMs = 0;
    int mostRects = 0;
    double medianShare = 0;
    // Each frame's stages on the UI thread (its wait for the batch, copy, paint, flush) and the
    // worker's finding of its changes, to take medians of.
    std::vector<double> queuedMs, copyMs, paintMs, flushMs;
    std::vector<double> compareMs;  // the worker's, per frame
    std::size_t swapped = 0;        // frames the picture took over without a copy
};
std::map<int, EffectFigures> figures;
// Effects after which the X server's window did not show the show's picture.
std::vector<int> screenMismatches;

// Whether the server's copy of the window holds the canvas's pixels (alpha aside).
bool ScreenShowsCanvas(QWidget& window, const raster::TBitmap32& canvas) {
    QScreen* screen = window.screen();
    if (!screen)
        return true;
    const QImage grabbed = screen->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    if (grabbed.width() != canvas.Width() || grabbed.height() != canvas.Height())
        return false;
    for (int y = 0; y < canvas.Height(); ++y) {
        const auto* line = reinterpret_cast<const uint32_t*>(grabbed.constScanLine(y));
        const auto row = canvas.Scanline(y);
        for (int x = 0; x < canvas.Width(); ++x)
            if ((line[x] ^ row[std::size_t(x)]) & 0x00FFFFFFu)
                return false;
    }
    return true;
}
Intervals floorFigures;
double floorPaintMedianMs = 0, floorSyncMedianMs = 0, floorFlushMedianMs = 0;

struct Show {
    ShowWidget* window = nullptr;
    raster::TBitmap32 canvas;
    raster::TBitmap32 pictures[2];
    int next = 0;  // the picture the next transition brings: each one changes the whole screen
};
Show* show = nullptr;

// Repaints the whole window every period, as often as asked: the intervals between the ends
// of its flushes to the server; the window keeps each repaint's paint and paint + flush times.
std::vector<double> RepaintEveryPeriod(TimedWindow& window, int frames) {
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QEventLoop loop;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        window.update();
        if (++ticks > frames + 1)
            loop.quit();
    });
    window.flushed.clear();
    window.syncMs.clear();
    window.paintMs.clear();
    window.timingUpdates = true;
    timer.start(kFramePeriodMs);
    loop.exec();
    window.timingUpdates = false;
    std::vector<double> intervals;
    for (std::size_t i = 1; i < window.flushed.size(); ++i)
        intervals.push_back(Ms(window.flushed[i] - window.flushed[i - 1]));
    return intervals;
}

// The floor phase: the same window size, a timer every period, a full repaint each time.
void MeasureFloor(const QRect& geometry) {
    QImage picture(geometry.width(), geometry.height(), QImage::Format_RGB32);
    const raster::TBitmap32 pixels = Picture(geometry.width(), geometry.height(), 3);
    std::memcpy(picture.bits(), pixels.Pixels().data(), pixels.Pixels().size_bytes());
    FloorWidget window(std::move(picture));
    window.setGeometry(geometry);
    window.show();
    QApplication::processEvents();
    const std::vector<double> intervals = RepaintEveryPeriod(window, kFloorFrames);
    floorFigures.Add(intervals);
    floorFigures.median = Median(intervals);
    floorPaintMedianMs = Median(window.paintMs);
    floorSyncMedianMs = Median(window.syncMs);
    std::vector<double> flushMs;
    for (std::size_t i = 0; i < std::min(window.syncMs.size(), window.paintMs.size()); ++i)
        flushMs.push_back(window.syncMs[i] - window.paintMs[i]);
    floorFlushMedianMs = Median(flushMs);
    std::printf("floor: a plain window repainting %dx%d every %d ms, %zu frames: worst %.2f ms, median %.2f ms, "
                "late %zu (%.2f %%); paint median %.2f ms, paint + flush median %.2f ms\n",
                geometry.width(), geometry.height(), kFramePeriodMs, floorFigures.count, floorFigures.worst,
                floorFigures.median, floorFigures.late, floorFigures.LatePercent(), floorPaintMedianMs,
                floorSyncMedianMs);
    std::fflush(stdout);
}

// Floor blocks spread over the sweep: one effect's worth of frames, the show window itself
// repainted whole every period, before every few effects. The machine's load changes during a
// sweep, and the worst of a thousand floor frames says little next to the worst of an effect's
// frames over the whole sweep: the blocks are measured like effects and judged by the same goal.
int floorEvery = 4;  // effects between blocks; 0: none
int effectsRun = 0;
std::vector<Intervals> floorBlocks;

void MeasureFloorBlock() {
    if (floorEvery <= 0 || effectsRun++ % floorEvery != 0)
        return;
    const std::vector<double> intervals = RepaintEveryPeriod(*show->window, kFloorBlockFrames);
    Intervals block;
    block.Add(intervals);
    block.median = Median(intervals);
    floorBlocks.push_back(block);
}

bool MeetsGoal(double worstMs, double latePercent) {
    return worstMs <= 2.0 * kFramePeriodMs && latePercent <= 1.0;
}

void BM_ShowFrame(benchmark::State& state, int effect) {
    SteadyTickClock clock;
    SeededRandom random{uint32_t(effect)};
    QtOwnerThread owner;
    EffectFigures f;
    MeasureFloorBlock();
    for (auto _ : state) {
        show->window->paintMs.clear();
        ScreenPresenter screen(show->canvas, show->window);
        std::vector<ScreenFrame> frames;
        screen.SetBatchTrace([&frames](const BatchTrace& trace) {
            ScreenFrame frame;
            frame.Posted = trace.posted;
            frame.painted = trace.painted;
            frame.queuedMs = Ms(trace.taken - trace.posted);
            frame.CopyMs = Ms(trace.copied - trace.taken);
            const double repaintMs = Ms(trace.painted - trace.copied);
            // The paint inside this repaint is the last one the window timed.
            frame.PaintMs = show->window->paintMs.empty() ? 0 : show->window->paintMs.back();
            frame.FlushMs = std::max(0.0, repaintMs - frame.PaintMs);
            frame.paintedRects = trace.paintedRects;
            frame.compareMs = Ms(trace.posted - trace.ended);
            frame.swapped = trace.swapped;
            frame.together = trace.paintedTogether;
            frame.paintedShare = double(trace.paintedPixels) /
                                 (double(show->canvas.Width()) * double(show->canvas.Height()));
            frames.push_back(frame);
        });
        TimedPresenter presenter(screen);
        TransitionEngine engine(clock, random, owner);
        engine.TransitionSteps = StepsForSpeed(show->canvas.Width(), kSpeed);
        QEventLoop loop;
        TTransThread* thread = engine.StartTransition(presenter, show->pictures[show->next], effect,
                                                      StepsForSpeed(show->canvas.Width(), kSpeed), kFramePeriodMs);
        show->next ^= 1;
        if (!thread)
            continue;
        thread->SetCompletionHandler([&loop] { loop.quit(); });
        loop.exec();
        QApplication::processEvents();  // the closing copy's repaint
        if (!ScreenShowsCanvas(*show->window, show->canvas))
            screenMismatches.push_back(effect);

        f.worker.Add(presenter.intervalMs);
        f.worker.median = Median(presenter.intervalMs);
        for (double ms : presenter.busyMs)
            f.worstBusyMs = std::max(f.worstBusyMs, ms);
        for (double ms : presenter.waitMs) {
            f.workerWaits += ms > 1.0 ? 1 : 0;
            f.worstWaitMs = std::max(f.worstWaitMs, ms);
        }
        f.medianWorkerMs = Median(presenter.intervalMs);
        f.minWorkerMs = presenter.intervalMs.empty()
                            ? 0
                            : *std::min_element(presenter.intervalMs.begin(), presenter.intervalMs.end());
        std::vector<double> shares;
        for (const ScreenFrame& frame : frames) {
            f.queuedMs.push_back(frame.queuedMs);
            f.copyMs.push_back(frame.CopyMs);
            f.paintMs.push_back(frame.PaintMs);
            f.flushMs.push_back(frame.FlushMs);
            f.compareMs.push_back(frame.compareMs);
            f.swapped += frame.swapped ? 1 : 0;
            f.together += frame.together > 1 ? 1 : 0;
            f.mostRects = std::max(f.mostRects, frame.paintedRects);
            shares.push_back(frame.paintedShare);
        }
        f.medianShare = Median(shares);
        std::vector<double> screenIntervals;
        double worst = f.screen.worst;
        for (std::size_t i = 1; i < frames.size(); ++i) {
            screenIntervals.push_back(Ms(frames[i].painted - frames[i - 1].painted));
            if (screenIntervals.back() > kLateMs) {
                if (Ms(frames[i].Posted - frames[i - 1].Posted) > kLateMs)
                    ++f.screenLateFromWorker;
                else
                    ++f.ScreenLateOnTheWay;
            }
            if (screenIntervals.back() > worst) {
                worst = screenIntervals.back();
                f.worstScreen = frames[i];
            }
        }
        f.screen.Add(screenIntervals);
        f.screen.median = Median(screenIntervals);
        f.frames = presenter.busyMs.size();
        state.SetIterationTime(std::max(f.worker.worst, f.screen.worst) / 1000.0);
    }
    figures[effect] = f;
    state.counters["frames"] = double(f.frames);
    state.counters["worst_ms"] = f.worker.worst;
    state.counters["late"] = double(f.worker.late);
    state.counters["screen_worst_ms"] = f.screen.worst;
    state.counters["screen_late"] = double(f.screen.late);
    state.counters["waits"] = double(f.workerWaits);
    state.counters["together"] = double(f.together);
    state.counters["rects_max"] = double(f.mostRects);
    state.counters["area_pct"] = 100.0 * f.medianShare;
    state.counters["queued_ms"] = Median(f.queuedMs);
    state.counters["copy_ms"] = Median(f.copyMs);
    state.counters["paint_ms"] = Median(f.paintMs);
    state.counters["flush_ms"] = Median(f.flushMs);
    state.counters["compare_ms"] = Median(f.compareMs);
    state.counters["swapped"] = double(f.swapped);
}

double Ratio(double value, double floor) { return floor > 0 ? value / floor : 0; }

void PrintSummary(const QRect& geometry) {
    std::printf("\nscreen %dx%d, speed %d (N = %d), period %d ms, late: an interval over %.0f ms\n", geometry.width(),
                geometry.height(), kSpeed, StepsForSpeed(geometry.width(), kSpeed), kFramePeriodMs, kLateMs);
    std::map<std::string, EffectFigures> families;
    EffectFigures all;
    for (const auto& [effect, f] : figures) {
        for (EffectFigures* sum : {&families[std::string(FamilyFor(effect).family)], &all}) {
            sum->worker.worst = std::max(sum->worker.worst, f.worker.worst);
            sum->worker.late += f.worker.late;
            sum->worker.count += f.worker.count;
            sum->screen.worst = std::max(sum->screen.worst, f.screen.worst);
            sum->screen.late += f.screen.late;
            sum->screen.count += f.screen.count;
            sum->worstBusyMs = std::max(sum->worstBusyMs, f.worstBusyMs);
            sum->screenLateFromWorker += f.screenLateFromWorker;
            sum->ScreenLateOnTheWay += f.ScreenLateOnTheWay;
            sum->queuedMs.insert(sum->queuedMs.end(), f.queuedMs.begin(), f.queuedMs.end());
            sum->copyMs.insert(sum->copyMs.end(), f.copyMs.begin(), f.copyMs.end());
            sum->paintMs.insert(sum->paintMs.end(), f.paintMs.begin(), f.paintMs.end());
            sum->flushMs.insert(sum->flushMs.end(), f.flushMs.begin(), f.flushMs.end());
            sum->compareMs.insert(sum->compareMs.end(), f.compareMs.begin(), f.compareMs.end());
        }
    }
    std::printf("per family: worker worst interval, late %%; screen worst interval, late %%; worst busy part; the UI "
                "thread's median queued / copy / paint / flush per frame\n");
    for (const auto& [name, f] : families)
        std::printf("  %-22s %7.2f ms %5.2f %%   %7.2f ms %5.2f %%   %6.2f ms   %.2f / %.2f / %.2f / %.2f ms\n",
                    name.c_str(), f.worker.worst, f.worker.LatePercent(), f.screen.worst, f.screen.LatePercent(),
                    f.worstBusyMs, Median(f.queuedMs), Median(f.copyMs), Median(f.paintMs), Median(f.flushMs));
    std::vector<std::pair<double, int>> slowest;
    std::size_t overGoal = 0;
    for (const auto& [effect, f] : figures) {
        slowest.emplace_back(std::max(f.worker.worst, f.screen.worst), effect);
        const bool meets = MeetsGoal(std::max(f.worker.worst, f.screen.worst),
                                     std::max(f.worker.LatePercent(), f.screen.LatePercent()));
        overGoal += meets ? 0 : 1;
    }
    std::sort(slowest.rbegin(), slowest.rend());
    std::printf("slowest effects (worst interval, worker / screen; the worst screen frame's stages):\n");
    for (std::size_t i = 0; i < std::min<std::size_t>(12, slowest.size()); ++i) {
        const EffectFigures& f = figures[slowest[i].second];
        std::printf("  %3d %-34s %6.2f / %6.2f ms  late %zu / %zu, %zu / %zu  (queued %.2f copy %.2f paint %.2f "
                    "flush %.2f)\n",
                    slowest[i].second, std::string(EffectName(slowest[i].second)).c_str(), f.worker.worst,
                    f.screen.worst, f.worker.late, f.worker.count, f.screen.late, f.screen.count,
                    f.worstScreen.queuedMs, f.worstScreen.CopyMs, f.worstScreen.PaintMs, f.worstScreen.FlushMs);
        std::printf("      worker interval min %.2f median %.2f ms, %zu waits for the screen (longest %.2f ms); %zu "
                    "batches painted together; repaint: at most %d rectangles, median %.1f %% of the window; worst "
                    "frame %d rectangles, %.1f %%\n",
                    f.minWorkerMs, f.medianWorkerMs, f.workerWaits, f.worstWaitMs, f.together, f.mostRects,
                    100.0 * f.medianShare, f.worstScreen.paintedRects, 100.0 * f.worstScreen.paintedShare);
    }
    std::printf("all effects: worker worst %.2f ms, late %.2f %%; screen worst %.2f ms, late %.2f %% (%zu late from "
                "the worker, %zu on the way to the screen); %zu of %zu effects miss the goal (worst within %d ms, at "
                "most 1 %% late)\n",
                all.worker.worst, all.worker.LatePercent(), all.screen.worst, all.screen.LatePercent(),
                all.screenLateFromWorker, all.ScreenLateOnTheWay, overGoal, figures.size(), 2 * kFramePeriodMs);
    std::printf("UI thread per frame, medians: queued %.2f ms, copy %.2f ms, paint %.2f ms, flush %.2f ms (the floor: "
                "paint %.2f ms, flush %.2f ms); the worker's finding of a frame's changes: median %.2f ms\n",
                Median(all.queuedMs), Median(all.copyMs), Median(all.paintMs), Median(all.flushMs), floorPaintMedianMs,
                floorFlushMedianMs, Median(all.compareMs));
    std::printf("the screen showed the picture after %s", screenMismatches.empty() ? "every effect\n" : "all but");
    for (int effect : screenMismatches)
        std::printf(" %d", effect);
    if (!screenMismatches.empty())
        std::printf("\n");
    if (floorFigures.count) {
        std::printf("against the floor (worst %.2f ms, late %.2f %%): worker worst x%.2f, late x%.2f; screen worst "
                    "x%.2f, late x%.2f\n",
                    floorFigures.worst, floorFigures.LatePercent(), Ratio(all.worker.worst, floorFigures.worst),
                    Ratio(all.worker.LatePercent(), floorFigures.LatePercent()),
                    Ratio(all.screen.worst, floorFigures.worst),
                    Ratio(all.screen.LatePercent(), floorFigures.LatePercent()));
        std::printf("  (a ratio of 0 means the floor had no late frame; late figures are counts over a threshold, "
                    "so they move a lot on a busy machine)\n");
    }
    if (!floorBlocks.empty()) {
        Intervals blocks;
        std::size_t blocksMeeting = 0;
        std::vector<double> blockWorsts, effectWorsts;
        for (const Intervals& block : floorBlocks) {
            blocks.worst = std::max(blocks.worst, block.worst);
            blocks.late += block.late;
            blocks.count += block.count;
            blocksMeeting += MeetsGoal(block.worst, block.LatePercent()) ? 1 : 0;
            blockWorsts.push_back(block.worst);
        }
        for (const auto& [effect, f] : figures)
            effectWorsts.push_back(f.screen.worst);
        const std::size_t effectsMeeting = figures.size() - overGoal;
        std::printf("floor blocks over the sweep (the show window repainted whole every period, %d frames, before "
                    "every %d effects): %zu blocks, worst %.2f ms, late %.2f %%; within the goal: %zu of %zu blocks "
                    "(%.0f %%), effects %zu of %zu (%.0f %%); median of the worst intervals: blocks %.2f ms, effects' "
                    "screen %.2f ms\n",
                    kFloorBlockFrames, floorEvery, floorBlocks.size(), blocks.worst, blocks.LatePercent(),
                    blocksMeeting, floorBlocks.size(), 100.0 * double(blocksMeeting) / double(floorBlocks.size()),
                    effectsMeeting, figures.size(), 100.0 * double(effectsMeeting) / double(figures.size()),
                    Median(blockWorsts), Median(effectWorsts));
        std::printf("against the floor blocks: screen worst x%.2f, late x%.2f\n", Ratio(all.screen.worst, blocks.worst),
                    Ratio(all.screen.LatePercent(), blocks.LatePercent()));
    }
}

} // namespace

int main(int argc, char** argv) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        std::printf("show_frame_bench: no display; run it under xvfb-run -s \"-screen 0 1920x1080x24\"\n");
        return 0;
    }
    bool floorOnly = false, noFloor = false;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--floor-only") == 0)
            floorOnly = true;
        else if (std::strcmp(argv[i], "--no-floor") == 0)
            noFloor = true;
        else if (std::strncmp(argv[i], "--floor-every=", 14) == 0)
            floorEvery = std::atoi(argv[i] + 14);
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    QApplication application(restCount, rest.data());
    QScreen* primary = QGuiApplication::primaryScreen();
    const QRect geometry = primary->geometry();
    if (noFloor)
        floorEvery = 0;
    else
        MeasureFloor(geometry);
    if (floorOnly)
        return 0;

    Show s;
    s.canvas = raster::TBitmap32::Create(geometry.width(), geometry.height()).value();
    s.pictures[0] = Picture(geometry.width(), geometry.height(), 1);
    s.pictures[1] = Picture(geometry.width(), geometry.height(), 2);
    ShowWidget window(s.canvas);
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
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data()))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintSummary(geometry);
    return 0;
}

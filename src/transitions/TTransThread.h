#pragma once
// One transition on its worker thread: the three surfaces it draws on, the two rectangles of the
// next presentation, and everything an effect family needs while it runs.
//
// The engine constructs the object on the owner's thread (NEW copied from the picture, OLD
// captured from the target), then starts the worker. The run procedure picks a random effect
// for numbers outside 1 to 120, runs the family that owns the effect, presents the whole new
// picture unless SkipFinalFrame is set, frees the surfaces and clears the engine's flags; any
// error ends these steps silently. The object itself lives on until its completion handler has
// run on the owner's thread.
//
// For families: W, H and N are Width(), Height() and Steps() (N is at least 1 inside a family);
// a frame is BeginFrame(), the frame's drawing and presentations, then WaitFramePeriod() unless
// the family ends. Presentations copy the thread's source rectangle of NEW, OLD or WORK onto its
// destination rectangle of the target and wait until that is done.

#include "raster/Geometry.h"
#include "raster/TBitmap32.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>

namespace vorlandite {
class IRandomSource;
}

namespace vorlandite::transitions {

class ITransitionPresenter;
class TransitionEngine;

// The real clock's frame grid (see TTransThread::WaitFramePeriod): when the frame that starts at
// `now` is due to end, given when the frame before it was due (none for the first frame).
std::chrono::steady_clock::time_point NextFrameDue(std::optional<std::chrono::steady_clock::time_point> previousDue,
                                                   std::chrono::steady_clock::time_point now,
                                                   std::chrono::steady_clock::duration period);

class TTransThread {
public:
    // Owner's thread. NEW := a copy of the picture, OLD := the target's (0, 0)-(W, H), WORK := a
    // W x H surface. The worker does not run until Start().
    TTransThread(TransitionEngine& engine, ITransitionPresenter& presenter, const raster::TBitmap32& picture,
                 int effect, int framePeriodMs);
    ~TTransThread();
    TTransThread(const TTransThread&) = delete;
    TTransThread& operator=(const TTransThread&) = delete;

    // The effect number; after the run procedure has started, the one actually run (1 to 120).
    int Effect() const { return effect_.load(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // N, read from the engine's TransitionSteps when the run procedure starts.
    int Steps() const { return steps_; }
    int FramePeriod() const { return framePeriodMs_; }

    raster::TBitmap32& New() { return new_; }
    raster::TBitmap32& Old() { return old_; }
    raster::TBitmap32& Work() { return work_; }

    // The parameters of the next presentation.
    void SetSourceRect(const raster::Rect& rect) { sourceRect_ = rect; }
    void SetDestinationRect(const raster::Rect& rect) { destinationRect_ = rect; }
    void SetRects(const raster::Rect& source, const raster::Rect& destination) {
        sourceRect_ = source;
        destinationRect_ = destination;
    }
    const raster::Rect& SourceRect() const { return sourceRect_; }
    const raster::Rect& DestinationRect() const { return destinationRect_; }

    // Presentations: the source rectangle of NEW, OLD or WORK onto the destination rectangle of
    // the target (stretched by pixel replication when the sizes differ). Each waits for the
    // target.
    void CopyFromNew();
    void CopyFromOld();
    void CopyFromWork();

    // Frame pacing. BeginFrame notes the frame's start tick; WaitFramePeriod naps 1 ms at a time
    // (0 ms for a period below 1) until the period has passed since that tick or the transition
    // is aborted. On the real clock (IsRealTime) the frames keep to a grid of exact periods
    // instead: a frame that starts late by less than half a period ends on the grid, so one late
    // wake-up makes one late frame, not a shift of every frame after it; later than that, the grid
    // starts afresh. The last nap ends at the frame's due time rather than on a whole millisecond.
    void BeginFrame();
    void WaitFramePeriod();
    // The engine's TransitionAbort.
    bool Aborted() const;

    // The program's generator, for the random families.
    IRandomSource& RandomSource();
    int Random(int n);

    // Runs on the owner's thread after the run procedure has ended, before the object is
    // destroyed. Set it on the owner's thread (right after StartTransition returns is in time).
    void SetCompletionHandler(std::function<void()> handler) { completionHandler_ = std::move(handler); }

    // The run procedure, on the calling thread. The engine runs it on the worker; tests may call
    // it directly on an object that was never started.
    void Run();

private:
    friend class TransitionEngine;
    void Start();
    void Join();
    void RunFamily();
    void FreeSurfaces();
    void Present(const raster::TBitmap32& surface);

    TransitionEngine& engine_;
    ITransitionPresenter& presenter_;
    std::atomic<int> effect_;
    raster::TBitmap32 new_;
    raster::TBitmap32 old_;
    raster::TBitmap32 work_;
    int framePeriodMs_;
    int width_;
    int height_;
    int steps_ = 0;
    raster::Rect sourceRect_;
    raster::Rect destinationRect_;
    int64_t frameStartTick_ = 0;
    // The real clock's grid: whether it is used, and when the current frame's period ends.
    bool onRealClock_ = false;
    std::optional<std::chrono::steady_clock::time_point> frameDue_;
    std::function<void()> completionHandler_;
    std::thread worker_;
};

} // namespace vorlandite::transitions

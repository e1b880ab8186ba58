#pragma once
// The transition engine: starts one transition at a time on a worker thread and keeps the flags
// the owner and the worker coordinate through.
//
// The flags are plain atomics written by one side and polled by the other: the owner sets
// TransitionAbort (and SkipFinalFrame on the way out of the program), the worker clears
// TransitionRunning and CurrentTransition when it has freed its surfaces. A stale read only
// delays a stop by one frame. The engine holds all of this state itself, so two engines (two
// shows, or a show and a preview) run side by side without sharing anything but the services
// they are given.
//
// Threads: StartTransition and the completion handlers run on the owner's thread (the UI thread
// in the show); everything a family computes runs on the worker. The owner must never block on
// a worker that may be waiting in a presentation, which is why the destructor first makes the
// presenter release a waiting worker.

#include "raster/TBitmap32.h"
#include "transitions/TTransThread.h"
#include "transitions/TransitionPresenter.h"
#include "base/TickClock.h"
#include "base/RandomSource.h"
#include "base/OwnerThread.h"

#include <atomic>
#include <memory>
#include <vector>

namespace vorlandite::transitions {

class TransitionEngine {
public:
    TransitionEngine(ITickClock& clock, IRandomSource& random, IOwnerThread& owner);
    // Aborts a running transition without its closing copy, releases it from its presenter and
    // joins it. Completion handlers that have not run by then never run.
    ~TransitionEngine();
    TransitionEngine(const TransitionEngine&) = delete;
    TransitionEngine& operator=(const TransitionEngine&) = delete;

    // Owner's thread. Starts the change of the target to the picture (the caller keeps the
    // picture and may free it at once) by the effect, with N = steps and the frame period.
    // Effect 0 copies the picture onto the target at once and returns null. Otherwise returns
    // the new thread, which is also CurrentTransition; it stays valid until its completion
    // handler has run, so the handler may be set on it after this call. Effects outside 0 to
    // 120 become a random effect on the worker. Steps of 0 or less make a transition that only
    // presents the new picture. Only one transition may run at a time: the caller waits for
    // TransitionRunning to fall before starting the next.
    TTransThread* StartTransition(ITransitionPresenter& target, const raster::TBitmap32& picture, int effect,
                                  int steps, int framePeriodMs);

    // Owner's thread: true while a started thread's completion has not yet run.
    bool HasPendingCompletion() const { return !threads_.empty(); }

    ITickClock& Clock() { return clock_; }
    IRandomSource& Random() { return random_; }

    std::atomic<int> TransitionSteps{64};
    std::atomic<bool> TransitionAbort{false};
    std::atomic<bool> TransitionRunning{false};
    std::atomic<bool> SkipFinalFrame{false};
    std::atomic<TTransThread*> CurrentTransition{nullptr};

private:
    friend class TTransThread;
    // Worker, last act of the run procedure: delivers the completion to the owner's thread.
    void WorkerEnded(TTransThread* thread);
    // Owner's thread: joins the worker, runs its handler, destroys the thread object.
    void Complete(TTransThread* thread);

    ITickClock& clock_;
    IRandomSource& random_;
    IOwnerThread& owner_;
    std::vector<std::unique_ptr<TTransThread>> threads_;
    // Shared with the queued completions, so that one delivered after the engine is gone does
    // nothing. Read and written on the owner's thread only.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// For owners without an event loop: runs the queue's tasks until every started transition of
// the engine has completed.
void RunUntilIdle(TransitionEngine& engine, TaskQueue& queue);

} // namespace vorlandite::transitions

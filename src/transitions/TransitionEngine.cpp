#include "transitions/TransitionEngine.h"

#include <algorithm>

namespace vorlandite::transitions {

TransitionEngine::TransitionEngine(ITickClock& clock, IRandomSource& random, IOwnerThread& owner)
    : clock_(clock), random_(random), owner_(owner) {}

TransitionEngine::~TransitionEngine() {
    *alive_ = false;
    TransitionAbort = true;
    SkipFinalFrame = true;
    for (auto& thread : threads_) {
        thread->presenter_.Abandon();
        thread->Join();
    }
}

TTransThread* TransitionEngine::StartTransition(ITransitionPresenter& target, const raster::TBitmap32& picture,
                                                int effect, int steps, int framePeriodMs) {
    random_.Randomize();
    TransitionAbort = false;
    TransitionRunning = true;
    TransitionSteps = steps;

    if (effect == 0) {
        CurrentTransition = nullptr;
        try {
            target.CopyNow(picture, picture.BoundsRect());
        } catch (...) {
            // A failed direct copy leaves the old picture; the show goes on.
        }
        TransitionRunning = false;
        return nullptr;
    }

    // Construction copies the picture, so the caller's one may go as soon as this returns.
    // CurrentTransition is set before the worker starts: a worker that finishes at once (a
    // presenter that never waits) must find itself there to clear it.
    TTransThread* started = nullptr;
    try {
        threads_.push_back(std::make_unique<TTransThread>(*this, target, picture, effect, framePeriodMs));
        started = threads_.back().get();
        CurrentTransition = started;
        started->Start();
        return started;
    } catch (...) {
        // No memory for the surfaces, or no thread: show the picture without an effect rather
        // than leave the show waiting for a transition that never ends.
        CurrentTransition = nullptr;
        if (started)
            threads_.pop_back();
    }
    try {
        target.CopyNow(picture, picture.BoundsRect());
    } catch (...) {
    }
    TransitionRunning = false;
    return nullptr;
}

void TransitionEngine::WorkerEnded(TTransThread* thread) {
    owner_.Post([this, thread, alive = alive_] {
        if (*alive)
            Complete(thread);
    });
}

void TransitionEngine::Complete(TTransThread* thread) {
    const auto found = std::find_if(threads_.begin(), threads_.end(),
                                    [thread](const std::unique_ptr<TTransThread>& t) { return t.get() == thread; });
    if (found == threads_.end())
        return;
    std::unique_ptr<TTransThread> finished = std::move(*found);
    threads_.erase(found);
    finished->Join();
    if (finished->completionHandler_)
        finished->completionHandler_();
}

void RunUntilIdle(TransitionEngine& engine, TaskQueue& queue) {
    while (engine.HasPendingCompletion())
        queue.WaitAndRunOne();
}

} // namespace vorlandite::transitions

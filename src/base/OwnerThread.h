#pragma once
// The thread that owns a piece of work and receives its completions: the Qt event loop in a real
// show, a plain task queue drained by the caller in a recording or a test.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace vorlandite {

// The thread that owns the engine: completion handlers are delivered there. Post must return at
// once and run the task later on that thread, never inside the call.
class IOwnerThread {
public:
    virtual ~IOwnerThread() = default;
    virtual void Post(std::function<void()> task) = 0;
};

// An owner's thread without an event loop (the recorder, the tests, the benchmark): posted tasks
// wait in a queue until the owner runs them.
class TaskQueue final : public IOwnerThread {
public:
    void Post(std::function<void()> task) override;
    // Runs every task queued now; returns how many ran.
    int RunPending();
    // Waits for one task and runs it.
    void WaitAndRunOne();

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
};

} // namespace vorlandite

#pragma once
// The services a transition leans on, injected so that the same engine runs a real show (a
// monotonic clock, real sleeping, a generator seeded from the clock, the Qt event loop as the
// owner's thread) and a deterministic recording or test (a virtual clock that never waits, a
// seeded generator, a plain task queue drained by the caller).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <random>

namespace vorlandite::transitions {

// Milliseconds and naps for frame pacing. Called from the worker thread.
class ITickClock {
public:
    virtual ~ITickClock() = default;
    // A millisecond count that never runs backwards.
    virtual int64_t TickMs() = 0;
    // Sleeps about ms milliseconds (0: just yields).
    virtual void SleepMs(int ms) = 0;
};

// std::chrono::steady_clock and std::this_thread::sleep_for.
class TSteadyTickClock final : public ITickClock {
public:
    int64_t TickMs() override;
    void SleepMs(int ms) override;
};

// Time that passes only when somebody sleeps: a nap advances the clock at once, so a paced
// transition runs as fast as it can be computed while taking exactly the same steps.
class TVirtualTickClock final : public ITickClock {
public:
    int64_t TickMs() override { return now_.load(); }
    void SleepMs(int ms) override;
    void Advance(int64_t ms) { now_ += ms; }
    // Number of SleepMs calls so far.
    int64_t Naps() const { return naps_.load(); }

private:
    std::atomic<int64_t> now_{0};
    std::atomic<int64_t> naps_{0};
};

// The program's one pseudo-random generator, shared by the UI thread and the worker.
class IRandomSource {
public:
    virtual ~IRandomSource() = default;
    // Uniform over 0 .. n - 1; Random(0) (and any n below 1) gives 0.
    virtual int Random(int n) = 0;
    // Reseeds from the clock, as every transition start does.
    virtual void Randomize() = 0;
};

// Mersenne twister with its own uniform reduction (rejection sampling), so a given seed gives the
// same numbers with every standard library. Thread-safe.
class TSeededRandom final : public IRandomSource {
public:
    // fixedSeed: Randomize() keeps the sequence (renders and tests stay reproducible);
    // otherwise Randomize() reseeds from the clock.
    explicit TSeededRandom(uint32_t seed, bool fixedSeed = true);
    int Random(int n) override;
    void Randomize() override;

private:
    std::mutex mutex_;
    std::mt19937 generator_;
    bool fixedSeed_;
};

// The thread that owns the engine: completion handlers are delivered there. Post must return at
// once and run the task later on that thread, never inside the call.
class IOwnerThread {
public:
    virtual ~IOwnerThread() = default;
    virtual void Post(std::function<void()> task) = 0;
};

// An owner's thread without an event loop (the recorder, the tests, the benchmark): posted tasks
// wait in a queue until the owner runs them.
class TTaskQueue final : public IOwnerThread {
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

} // namespace vorlandite::transitions

#pragma once
// Time for pacing, injected: a monotonic clock that really sleeps for a real show, a virtual one
// that never waits for a recording or a test, so both take exactly the same steps.

#include <atomic>
#include <cstdint>

namespace vorlandite {

// Milliseconds and naps for frame pacing. Called from the worker thread.
class ITickClock {
public:
    virtual ~ITickClock() = default;
    // A millisecond count that never runs backwards.
    virtual int64_t TickMs() = 0;
    // Sleeps about ms milliseconds (0: just yields).
    virtual void SleepMs(int ms) = 0;
    // Whether this is the wall's own time, so a show on screen may pace its frames finer than
    // whole milliseconds (a virtual clock keeps the millisecond steps a recording repeats).
    virtual bool IsRealTime() const { return false; }
};

// std::chrono::steady_clock and std::this_thread::sleep_for.
class SteadyTickClock final : public ITickClock {
public:
    int64_t TickMs() override;
    void SleepMs(int ms) override;
    bool IsRealTime() const override { return true; }
};

// Time that passes only when somebody sleeps: a nap advances the clock at once, so a paced
// transition runs as fast as it can be computed while taking exactly the same steps.
class VirtualTickClock final : public ITickClock {
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

} // namespace vorlandite

#pragma once
// The show's message-driven timers (slide, GIF frames, Flash poll) behind one small interface,
// so that the same show runs on the Qt event loop or on a virtual clock that never waits.
//
// A timer is periodic like the platform timers the show was designed around: once started it
// fires every interval until stopped; a handler that wants one shot stops the timer first and
// starts it again with the next interval. An interval below 1 ms never fires (the timer stays
// inactive), as on the original platform.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

namespace vorlandite::slideshow {

class ITimer {
public:
    virtual ~ITimer() = default;
    // The handler runs on the owner's thread at each expiry; it may stop or restart the timer.
    virtual void SetOnTimeout(std::function<void()> handler) = 0;
    // (Re)arms the timer: the first expiry is intervalMs from now.
    virtual void Start(int intervalMs) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
    // The interval of the last Start (0 before any).
    virtual int IntervalMs() const = 0;
};

// On QTimer (precise timer type, so GIF delays are kept to the millisecond).
class QtTimer final : public ITimer {
public:
    QtTimer();
    ~QtTimer() override;
    void SetOnTimeout(std::function<void()> handler) override;
    void Start(int intervalMs) override;
    void Stop() override;
    bool IsActive() const override;
    int IntervalMs() const override { return interval_; }

private:
    std::unique_ptr<QTimer> timer_;
    std::function<void()> handler_;
    int interval_ = 0;
};

class VirtualTimer;

// Time for virtual timers: it passes only when the owner advances it, and due timers fire in a
// fixed order (earlier expiry first; equal expiries in the order they were armed), so a run is
// the same every time. Single-threaded: use it from the owner's thread only.
class VirtualTimerClock {
public:
    VirtualTimerClock() = default;
    VirtualTimerClock(const VirtualTimerClock&) = delete;
    VirtualTimerClock& operator=(const VirtualTimerClock&) = delete;
    ~VirtualTimerClock();

    int64_t NowMs() const { return now_; }
    // The time of the next expiry of any active timer.
    std::optional<int64_t> NextDueMs() const;
    // Fires every expiry up to now + ms in order (handlers see NowMs() at their expiry), then
    // leaves the clock at now + ms. Returns the number of expiries.
    int AdvanceBy(int64_t ms);
    int AdvanceTo(int64_t timeMs);
    // Moves the clock to the next expiry and fires it; false when no timer is active.
    bool RunNext();

private:
    friend class VirtualTimer;
    void Attach(VirtualTimer* timer);
    void Detach(VirtualTimer* timer);
    uint64_t NextSequence() { return ++sequence_; }
    VirtualTimer* NextDue() const;

    int64_t now_ = 0;
    uint64_t sequence_ = 0;
    std::vector<VirtualTimer*> timers_;
};

class VirtualTimer final : public ITimer {
public:
    explicit VirtualTimer(VirtualTimerClock& clock);
    VirtualTimer(const VirtualTimer&) = delete;
    VirtualTimer& operator=(const VirtualTimer&) = delete;
    ~VirtualTimer() override;

    void SetOnTimeout(std::function<void()> handler) override { handler_ = std::move(handler); }
    void Start(int intervalMs) override;
    void Stop() override { active_ = false; }
    bool IsActive() const override { return active_; }
    int IntervalMs() const override { return interval_; }
    // Number of expiries so far.
    int64_t Fired() const { return fired_; }

private:
    friend class VirtualTimerClock;
    void Expire();

    VirtualTimerClock* clock_;
    std::function<void()> handler_;
    int interval_ = 0;
    bool active_ = false;
    int64_t due_ = 0;
    uint64_t sequence_ = 0;
    int64_t fired_ = 0;
};

} // namespace vorlandite::slideshow

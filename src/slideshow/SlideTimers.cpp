#include "slideshow/SlideTimers.h"

#include <QTimer>

#include <algorithm>

namespace vorlandite::slideshow {

// --- Qt ------------------------------------------------------------------------------------

QtTimer::QtTimer() : timer_(std::make_unique<QTimer>()) {
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] {
        if (handler_)
            handler_();
    });
}

QtTimer::~QtTimer() = default;

void QtTimer::SetOnTimeout(std::function<void()> handler) { handler_ = std::move(handler); }

void QtTimer::Start(int intervalMs) {
    interval_ = intervalMs;
    // QTimer fires an interval of 0 whenever the event loop is idle; the show's timers never fire.
    if (intervalMs < 1) {
        timer_->stop();
        return;
    }
    timer_->start(intervalMs);
}

void QtTimer::Stop() { timer_->stop(); }

bool QtTimer::IsActive() const { return timer_->isActive(); }

// --- virtual -------------------------------------------------------------------------------

VirtualTimerClock::~VirtualTimerClock() {
    for (VirtualTimer* timer : timers_)
        timer->clock_ = nullptr;
}

void VirtualTimerClock::Attach(VirtualTimer* timer) { timers_.push_back(timer); }

void VirtualTimerClock::Detach(VirtualTimer* timer) { std::erase(timers_, timer); }

VirtualTimer* VirtualTimerClock::NextDue() const {
    VirtualTimer* next = nullptr;
    for (VirtualTimer* timer : timers_) {
        if (!timer->active_)
            continue;
        if (!next || timer->due_ < next->due_ || (timer->due_ == next->due_ && timer->sequence_ < next->sequence_))
            next = timer;
    }
    return next;
}

std::optional<int64_t> VirtualTimerClock::NextDueMs() const {
    if (const VirtualTimer* next = NextDue())
        return next->due_;
    return std::nullopt;
}

int VirtualTimerClock::AdvanceTo(int64_t timeMs) {
    int expiries = 0;
    // One expiry at a time: a handler may stop, start or destroy any timer, so the next one is
    // looked up again after each.
    for (VirtualTimer* next = NextDue(); next && next->due_ <= timeMs; next = NextDue()) {
        now_ = std::max(now_, next->due_);
        next->Expire();
        ++expiries;
    }
    now_ = std::max(now_, timeMs);
    return expiries;
}

int VirtualTimerClock::AdvanceBy(int64_t ms) { return AdvanceTo(now_ + std::max<int64_t>(ms, 0)); }

bool VirtualTimerClock::RunNext() {
    VirtualTimer* next = NextDue();
    if (!next)
        return false;
    now_ = std::max(now_, next->due_);
    next->Expire();
    return true;
}

VirtualTimer::VirtualTimer(VirtualTimerClock& clock) : clock_(&clock) { clock_->Attach(this); }

VirtualTimer::~VirtualTimer() {
    if (clock_)
        clock_->Detach(this);
}

void VirtualTimer::Start(int intervalMs) {
    interval_ = intervalMs;
    active_ = clock_ && intervalMs >= 1;
    if (!active_)
        return;
    due_ = clock_->NowMs() + intervalMs;
    sequence_ = clock_->NextSequence();
}

void VirtualTimer::Expire() {
    // Re-armed before the handler runs, so a handler that stops or restarts the timer wins.
    due_ += interval_;
    sequence_ = clock_->NextSequence();
    ++fired_;
    // A copy, so a handler that destroys its own timer does not run from a destroyed member.
    if (std::function<void()> handler = handler_)
        handler();
}

} // namespace vorlandite::slideshow

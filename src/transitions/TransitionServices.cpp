#include "transitions/TransitionServices.h"

#include <chrono>
#include <thread>

namespace vorlandite::transitions {

int64_t TSteadyTickClock::TickMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void TSteadyTickClock::SleepMs(int ms) {
    if (ms <= 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void TVirtualTickClock::SleepMs(int ms) {
    ++naps_;
    if (ms > 0)
        now_ += ms;
}

TSeededRandom::TSeededRandom(uint32_t seed, bool fixedSeed) : generator_(seed), fixedSeed_(fixedSeed) {}

int TSeededRandom::Random(int n) {
    if (n <= 1)
        return 0;
    std::lock_guard lock(mutex_);
    // Draws at or above the last whole multiple of n would favour the low values: draw again.
    const uint64_t range = uint64_t(1) << 32;
    const uint64_t limit = range - range % uint64_t(n);
    for (;;) {
        const uint64_t draw = generator_();
        if (draw < limit)
            return int(draw % uint64_t(n));
    }
}

void TSeededRandom::Randomize() {
    if (fixedSeed_)
        return;
    std::lock_guard lock(mutex_);
    generator_.seed(uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()));
}

void TTaskQueue::Post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    posted_.notify_all();
}

int TTaskQueue::RunPending() {
    std::deque<std::function<void()>> ready;
    {
        std::lock_guard lock(mutex_);
        ready.swap(tasks_);
    }
    for (auto& task : ready)
        task();
    return int(ready.size());
}

void TTaskQueue::WaitAndRunOne() {
    std::function<void()> task;
    {
        std::unique_lock lock(mutex_);
        posted_.wait(lock, [this] { return !tasks_.empty(); });
        task = std::move(tasks_.front());
        tasks_.pop_front();
    }
    task();
}

} // namespace vorlandite::transitions

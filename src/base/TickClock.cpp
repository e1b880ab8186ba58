#include "base/TickClock.h"

#include <chrono>
#include <thread>

namespace vorlandite {

int64_t SteadyTickClock::TickMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyTickClock::SleepMs(int ms) {
    if (ms <= 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void VirtualTickClock::SleepMs(int ms) {
    ++naps_;
    if (ms > 0)
        now_ += ms;
}

} // namespace vorlandite

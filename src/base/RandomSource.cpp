#include "base/RandomSource.h"

#include <chrono>

namespace vorlandite {

SeededRandom::SeededRandom(uint32_t seed, bool fixedSeed) : generator_(seed), fixedSeed_(fixedSeed) {}

int SeededRandom::Random(int n) {
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

void SeededRandom::Randomize() {
    if (fixedSeed_)
        return;
    std::lock_guard lock(mutex_);
    generator_.seed(uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()));
}

} // namespace vorlandite

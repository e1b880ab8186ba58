#pragma once
// Chance, injected: seeded from the clock in a real show, fixed for a recording or a test.

#include <cstdint>
#include <mutex>
#include <random>

namespace vorlandite {

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
class SeededRandom final : public IRandomSource {
public:
    // fixedSeed: Randomize() keeps the sequence (renders and tests stay reproducible);
    // otherwise Randomize() reseeds from the clock.
    explicit SeededRandom(uint32_t seed, bool fixedSeed = true);
    int Random(int n) override;
    void Randomize() override;

private:
    std::mutex mutex_;
    std::mt19937 generator_;
    bool fixedSeed_;
};

} // namespace vorlandite

#pragma once
// The programs' milestones, for the benchmarks: with $VORLANDITE_TIMINGS set, each is one stderr
// line "vorlandite-engine: timing NAME MS", MS the monotonic clock in milliseconds (the clock every
// process on the machine shares, so a parent can subtract its own start time). Without the
// variable nothing is written. Header-only: the Flash plugin, which links nothing of the
// engine's, writes its milestones the same way.

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace vorlandite {

inline bool TimingsWanted() {
    static const bool wanted = [] {
        const char* value = std::getenv("VORLANDITE_TIMINGS");
        return value && *value;
    }();
    return wanted;
}

inline double MonotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

// `milestone` at `atMs` on the monotonic clock (now when negative).
inline void NoteTimingAt(const char* milestone, double atMs = -1) {
    if (TimingsWanted())
        std::fprintf(stderr, "vorlandite-engine: timing %s %.3f\n", milestone, atMs < 0 ? MonotonicMs() : atMs);
}

} // namespace vorlandite

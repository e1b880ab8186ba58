#pragma once
// The one symbol the Flash runtime plugin exports. The engine looks it up after loading the
// plugin, when a show with Flash movies starts (or its first movie is set), so a show without
// Flash never loads a browser.

#include "platform/FlashControl.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

class QWidget;

namespace vorlandite::platform {

// Makes the factory of Flash controls on `panel` (controls are its children). `runtimeDir` is the
// plugin's folder, holding the player's files in "ruffle/". The caller owns the result.
using CreateFlashFactoryFunction = IFlashControlFactory* (*)(QWidget* panel, const char* runtimeDir);

inline constexpr const char* kCreateFlashFactorySymbol = "vorlandite_create_flash_factory";

// The Flash runtime's start-up milestones, for the benchmarks: with $VORLANDITE_TIMINGS set, each
// is one stderr line "vorlandite-engine: timing flash-NAME MS" as the engine writes its own, MS
// the monotonic clock in milliseconds (`atMs`, or now when negative). Without the variable
// nothing is written. Shared by the engine's loader and the plugin, which links nothing of the
// engine's.
inline bool FlashTimingsWanted() {
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

inline void NoteFlashTiming(const char* milestone, double atMs = -1) {
    if (FlashTimingsWanted())
        std::fprintf(stderr, "vorlandite-engine: timing flash-%s %.3f\n", milestone, atMs < 0 ? MonotonicMs() : atMs);
}

} // namespace vorlandite::platform

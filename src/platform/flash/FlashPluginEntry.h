#pragma once
// The one symbol the Flash runtime plugin exports. The engine looks it up after loading the
// plugin, when a show with Flash movies starts (or its first movie is set), so a show without
// Flash never loads a browser.

#include "base/TimingNotes.h"
#include "platform/FlashControl.h"

#include <string>

class QWidget;

namespace vorlandite::platform {

// Makes the factory of Flash controls on `panel` (controls are its children). `runtimeDir` is the
// plugin's folder, holding the player's files in "ruffle/". The caller owns the result.
using CreateFlashFactoryFunction = IFlashControlFactory* (*)(QWidget* panel, const char* runtimeDir);

inline constexpr const char* kCreateFlashFactorySymbol = "vorlandite_create_flash_factory";

// The Flash runtime's start-up milestones, for the benchmarks: "flash-NAME" (base/TimingNotes.h).
inline void NoteFlashTiming(const char* milestone, double atMs = -1) {
    if (TimingsWanted())
        NoteTimingAt((std::string("flash-") + milestone).c_str(), atMs);
}

} // namespace vorlandite::platform

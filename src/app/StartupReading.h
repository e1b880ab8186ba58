#pragma once
// The payload and settings steps of the engine's start-up, apart from any window so that they
// can be tested and fuzzed: header and magic, the 18 strings, the user's stored settings over
// the header, and (unless only settings are wanted) the four record tables.
//
// Only the payload can fail the reading. The store's problems (a value of the wrong type or out
// of range, a store that cannot be read) are reported through `warn` (stderr when empty) and
// leave the author's values, so the show runs and the configuration dialog opens to repair them.

#include "base/Result.h"
#include "payload/ByteSource.h"
#include "payload/ContainerReader.h"
#include "payload/SettingsStore.h"
#include "platform/Registry.h"

namespace vorlandite::app {

struct StartupPayload {
    payload::Payload Payload;        // header (live settings), strings, record tables
    bool UseCustomPlaylist = false;  // the stored "UseCustomPlaylist"; no header field holds it
};

// Any failure is one the engine reports with the payload failure message and ends on.
Status ReadStartupPayload(payload::ByteSource& source, platform::Registry& registry, bool settingsOnly,
                          StartupPayload& out, const payload::SettingsWarningSink& warn = {});

// The engine's milestones from its start to its exit, for the start-up benchmark: with
// $VORLANDITE_TIMINGS set, each is one stderr line "vorlandite-engine: timing NAME MS", MS the
// monotonic clock in milliseconds (the clock every process on the machine shares, so a parent
// can subtract its own start time). Without the variable nothing is written.
void NoteTiming(const char* milestone);

// Whether any of the items is a Flash movie.
bool HoldsFlashItems(const std::vector<payload::TKelImageInfo>& images);

// Whether the show opens with a Flash movie: the first item of a show in table order (or of one
// whose first item is reserved for its start), any item of a show of movies only.
bool OpensWithFlash(const payload::Payload& payload);

// Whether the payload at the end of `engineFile` holds a Flash movie item; false when it cannot
// be read. Asked before the application object exists, which is when the browser engine that
// plays Flash needs its shared graphics contexts requested.
bool PayloadHasFlashItems(const std::string& engineFile);

} // namespace vorlandite::app

#pragma once
// The payload and settings steps of the engine's start-up, apart from any window so that they
// can be tested and fuzzed: header and magic, the 18 strings, the user's stored settings over
// the header, and (unless only settings are wanted) the four record tables.

#include "base/Result.h"
#include "payload/ByteSource.h"
#include "payload/ContainerReader.h"
#include "platform/Registry.h"

namespace vorlandite::app {

struct StartupPayload {
    payload::Payload Payload;        // header (live settings), strings, record tables
    bool UseCustomPlaylist = false;  // the stored "UseCustomPlaylist"; no header field holds it
};

// Any failure is one the engine reports with the payload failure message and ends on.
Status ReadStartupPayload(payload::ByteSource& source, platform::Registry& registry, bool settingsOnly,
                          StartupPayload& out);

// Whether the payload at the end of `engineFile` holds a Flash movie item; false when it cannot
// be read. Asked before the application object exists, which is when the browser engine that
// plays Flash needs its shared graphics contexts requested.
bool PayloadHasFlashItems(const std::string& engineFile);

} // namespace vorlandite::app

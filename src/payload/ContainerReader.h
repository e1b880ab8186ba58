#pragma once
// Reading the payload at the end of a screensaver file: the trailer (header + magic), the 18
// strings and the four record tables, in the steps the engine's start-up takes them. Settings
// are loaded between the strings and the tables by the caller.
//
// Nothing is read outside the file and nothing is allocated from a size field before the bytes
// it describes are known to lie inside the file: a count or size too large for the file is a
// damaged payload, not a huge allocation.

#include "base/Result.h"
#include "payload/ByteSource.h"
#include "payload/PayloadRecords.h"

#include <string_view>
#include <vector>

namespace vorlandite::payload {

// What the engine shows, in a message box with an error icon, when the payload cannot be read.
inline constexpr std::string_view kPayloadFailureMessage =
    "The screen saver can not run because of one of the following reasons:\r\n\r\n"
    "* The file is corrupted\r\n* Your computer is out of resources\r\n* Windows error";

struct Payload {
    TKelFixedSizeInfo header;
    TKelVarSizeInfo strings;
    std::vector<TKelImageInfo> images;
    std::vector<TKelMelodyInfo> melodies;
    std::vector<TKelMaskInfo> masks;
    std::vector<TKelSoundInfo> sounds;
    int64_t stringBlockBytes = 0;  // bytes the 18 strings occupy as read
};

class ContainerReader {
public:
    explicit ContainerReader(ByteSource& source) : source_(source) {}

    // Reads the header at (file size - 230), sets FileSizeAtRun to the file size, checks the
    // magic "Vorlandite" (case-sensitive).
    Result<TKelFixedSizeInfo> ReadTrailer();

    // Reads the 18 strings from the string block; `bytesRead` receives their total size.
    Result<TKelVarSizeInfo> ReadStrings(const TKelFixedSizeInfo& header, int64_t* bytesRead = nullptr);

    Result<std::vector<TKelImageInfo>> ReadImageTable(const TKelFixedSizeInfo& header);
    Result<std::vector<TKelMaskInfo>> ReadMaskTable(const TKelFixedSizeInfo& header);
    Result<std::vector<TKelSoundInfo>> ReadSoundTable(const TKelFixedSizeInfo& header);
    Result<std::vector<TKelMelodyInfo>> ReadMelodyTable(const TKelFixedSizeInfo& header);

private:
    ByteSource& source_;
};

// `ReadPayloadString`: one 16-bit little-endian length, then that many bytes, at `position`,
// which advances past the string.
Result<std::string> ReadPayloadString(ByteSource& source, int64_t& position);

// Trailer, strings and all four tables, with no stored settings applied (the CLI, tests, fuzzing).
Result<Payload> ReadWholePayload(ByteSource& source);

} // namespace vorlandite::payload

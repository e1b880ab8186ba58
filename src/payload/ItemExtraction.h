#pragma once
// `ExtractItem`: copies one payload item out of the screensaver file into a file of its own, raw
// or inflating its zlib stream (RFC 1950), in bounded memory (512 KiB chunks) whatever the sizes
// in the record say.
//
// The target appears only complete: the bytes go to a temporary name beside it that is renamed
// over the target at the end. A failed extraction leaves no new file (an older file of the same
// name stays), so a half-copied picture can never be shown as if it were whole.
//
// An item that would not fit into the target's file system (less a margin, see FreeSpace.h) is
// refused before anything is written: its size comes from the payload, not from the bytes.

#include "base/FreeSpace.h"
#include "payload/ByteSource.h"

#include <cstdint>
#include <string>

namespace vorlandite::payload {

inline constexpr std::size_t kExtractChunkSize = 0x80000;

// Compressed: inflates the `storedSize` bytes at `offset` and writes what the stream produces,
// at most `size` bytes (a stream that ends early yields fewer). Raw: copies `size` bytes from
// `offset`; a raw item of size 0 is an empty file. Fails on a range outside the source, a
// negative size, a size the target's file system has no room for (asked through `freeSpace`),
// a corrupt or truncated stream, or a target that cannot be written.
Status ExtractItemFrom(ByteSource& source, const std::string& targetPath, bool compressed, int64_t offset,
                       int64_t storedSize, int64_t size, const FreeSpaceQuery& freeSpace = QueryFreeSpace);

// The engine's form (through ExtractedFile, ExtractedFile.h): opens `sourcePath` itself. The
// show passes a failed item over without a word, so a refusal for want of space, the one failure
// a user could do something about, is also written to stderr.
Status ExtractItem(const std::string& sourcePath, const std::string& targetPath, bool compressed, int64_t offset,
                   int64_t storedSize, int64_t size);

} // namespace vorlandite::payload

#pragma once
// How much room a file system has left, and whether a file of a given size may still be written
// there. Extraction asks before writing an item: a payload can declare items far larger than
// itself, and filling the file system (for the engine a tmpfs shared with the whole session)
// would hurt every other program before the write failed.

#include "base/Result.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vorlandite {

// The bytes an unprivileged process may still write on the file system holding `folder`.
using FreeSpaceQuery = std::function<Result<uint64_t>(const std::string& folder)>;

// statvfs: f_bavail * f_frsize.
Result<uint64_t> QueryFreeSpace(const std::string& folder);

// What is kept free whatever an item needs: 64 MiB, or 5 % of what is free on a file system too
// small for that. The runtime folder's tmpfs is typically a tenth of the memory and shared with
// the session, so a fixed reserve protects it; on a tiny file system the fixed reserve would
// refuse everything, so a share of it is kept instead.
uint64_t FreeSpaceMargin(uint64_t freeBytes);

// Ok when `bytes` fit into the file system of `folder` with the margin to spare. A folder whose
// free space cannot be learnt is not refused here: the write itself then says what is wrong.
Status CheckFreeSpace(const std::string& folder, uint64_t bytes, const FreeSpaceQuery& query = QueryFreeSpace);

} // namespace vorlandite

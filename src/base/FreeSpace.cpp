#include "base/FreeSpace.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vorlandite {
namespace {

constexpr uint64_t kMarginBytes = uint64_t(64) << 20;

// Whole KiB below a MiB, else MiB with one decimal: enough for a message, and small margins do
// not read as 0.
std::string Mebibytes(uint64_t bytes) {
    if (bytes < (uint64_t(1) << 20))
        return std::to_string((bytes + 1023) >> 10) + " KiB";
    const uint64_t tenths = (bytes >> 20) * 10 + ((bytes & 0xFFFFF) * 10 >> 20);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MiB";
}

} // namespace

Result<uint64_t> QueryFreeSpace(const std::string& folder) {
    struct statvfs info {};
    if (::statvfs(folder.empty() ? "." : folder.c_str(), &info) != 0)
        return MakeError("cannot learn the free space of " + folder + ": " + std::strerror(errno));
    return uint64_t(info.f_bavail) * uint64_t(info.f_frsize);
}

uint64_t FreeSpaceMargin(uint64_t freeBytes) {
    return std::min(kMarginBytes, freeBytes / 20);
}

Status CheckFreeSpace(const std::string& folder, uint64_t bytes, const FreeSpaceQuery& query) {
    if (bytes == 0 || !query)
        return Status::Ok();
    Result<uint64_t> free = query(folder);
    if (!free)
        return Status::Ok();
    const uint64_t margin = FreeSpaceMargin(*free);
    if (bytes <= *free - margin)
        return Status::Ok();
    return MakeError("item of " + std::to_string(bytes) + " bytes (" + Mebibytes(bytes) + ") does not fit into " +
                     (folder.empty() ? std::string(".") : folder) + ": " + Mebibytes(*free) + " free, of which " +
                     Mebibytes(margin) + " are kept free");
}

} // namespace vorlandite

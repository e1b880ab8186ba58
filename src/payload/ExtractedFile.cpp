#include "payload/ExtractedFile.h"

#include "base/PendingFile.h"
#include "payload/ItemExtraction.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vorlandite::payload {

ExtractedFile::ExtractedFile(std::string path, dev_t device, ino_t inode)
    : path_(std::move(path)), device_(device), inode_(inode) {}

ExtractedFile::~ExtractedFile() { Reset(); }

ExtractedFile::ExtractedFile(ExtractedFile&& other) noexcept
    : path_(std::exchange(other.path_, {})), device_(other.device_), inode_(other.inode_) {}

ExtractedFile& ExtractedFile::operator=(ExtractedFile&& other) noexcept {
    if (this != &other) {
        Reset();
        path_ = std::exchange(other.path_, {});
        device_ = other.device_;
        inode_ = other.inode_;
    }
    return *this;
}

Result<ExtractedFile> ExtractedFile::Take(std::string path, const Status& written) {
    if (!written) {
        RemoveLeftover(path);
        return written.error();
    }
    struct stat made{};
    if (::lstat(path.c_str(), &made) != 0)
        return MakeError("cannot find " + path + " after writing it: " + std::strerror(errno));
    return ExtractedFile(std::move(path), made.st_dev, made.st_ino);
}

Result<ExtractedFile> ExtractedFile::Extract(const std::string& screensaverPath, std::string path,
                                             const StoredItem& item) {
    const Status written =
        ExtractItem(screensaverPath, path, item.Compressed, item.Offset, item.StoredSize, item.Size);
    return Take(std::move(path), written);
}

Result<ExtractedFile> ExtractedFile::ExtractFrom(ByteSource& source, std::string path, const StoredItem& item) {
    const Status written =
        ExtractItemFrom(source, path, item.Compressed, item.Offset, item.StoredSize, item.Size);
    return Take(std::move(path), written);
}

Result<ExtractedFile> ExtractedFile::Write(std::string path, std::span<const uint8_t> bytes) {
    Status written;
    {
        PendingFile out(path);
        if (!out.IsOpen())
            written = MakeError("cannot create " + path + ": " + std::strerror(errno));
        else if (!bytes.empty() && !out.Write(bytes.data(), bytes.size()))
            written = MakeError("cannot write " + path + ": " + std::strerror(errno));
        else
            written = out.Commit();
    }
    return Take(std::move(path), written);
}

void ExtractedFile::Reset() {
    if (path_.empty())
        return;
    // Only the file this object made: one that replaced it under the same name belongs to
    // someone else now.
    struct stat now{};
    if (::lstat(path_.c_str(), &now) == 0 && now.st_dev == device_ && now.st_ino == inode_)
        ::unlink(path_.c_str());
    path_.clear();
}

std::string ExtractedFile::Release() { return std::exchange(path_, {}); }

void RemoveLeftover(const std::string& path) {
    if (path.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

} // namespace vorlandite::payload

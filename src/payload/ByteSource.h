#pragma once
// Random-access reading of a screensaver file. Every read names its absolute position, so no
// result depends on where an earlier read ended, and a read that would leave the file fails
// instead of returning short data.

#include "base/Result.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vorlandite::payload {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual int64_t Size() const = 0;
    // Fills `out` from `offset`; false when any byte of the range lies outside the file or the
    // read fails.
    virtual bool ReadAt(int64_t offset, std::span<uint8_t> out) = 0;

    bool Contains(int64_t offset, int64_t length) const {
        return offset >= 0 && length >= 0 && offset <= Size() && length <= Size() - offset;
    }
};

// A file opened read-only (others may read it too).
class FileSource final : public ByteSource {
public:
    static Result<std::unique_ptr<FileSource>> Open(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    int64_t Size() const override { return size_; }
    bool ReadAt(int64_t offset, std::span<uint8_t> out) override;

private:
    FileSource(int fd, int64_t size) : fd_(fd), size_(size) {}
    int fd_;
    int64_t size_;
};

// Bytes in memory (tests, fuzzing).
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    int64_t Size() const override { return int64_t(bytes_.size()); }
    bool ReadAt(int64_t offset, std::span<uint8_t> out) override;

private:
    std::span<const uint8_t> bytes_;
};

} // namespace vorlandite::payload

#include "payload/ItemExtraction.h"

#include "base/PendingFile.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace vorlandite::payload {
namespace {

Status CopyRaw(ByteSource& source, PendingFile& out, int64_t offset, int64_t size) {
    std::vector<uint8_t> buffer(std::size_t(std::min<int64_t>(size, kExtractChunkSize)));
    int64_t done = 0;
    while (done < size) {
        auto chunk = std::size_t(std::min<int64_t>(size - done, int64_t(kExtractChunkSize)));
        if (!source.ReadAt(offset + done, std::span<uint8_t>(buffer.data(), chunk)))
            return MakeError("read failed at " + std::to_string(offset + done));
        if (!out.Write(buffer.data(), chunk))
            return MakeError("write failed");
        done += int64_t(chunk);
    }
    return {};
}

Status Inflate(ByteSource& source, PendingFile& out, int64_t offset, int64_t storedSize, int64_t size) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return MakeError("zlib initialisation failed");
    std::vector<uint8_t> input(std::size_t(std::min<int64_t>(std::max<int64_t>(storedSize, 1), kExtractChunkSize)));
    std::vector<uint8_t> output(kExtractChunkSize);
    int64_t consumed = 0;
    int64_t produced = 0;
    Status status;
    bool ended = false;
    while (!ended && produced < size) {
        if (stream.avail_in == 0) {
            if (consumed == storedSize) {
                status = MakeError("compressed stream is truncated");
                break;
            }
            auto chunk = std::size_t(std::min<int64_t>(storedSize - consumed, int64_t(input.size())));
            if (!source.ReadAt(offset + consumed, std::span<uint8_t>(input.data(), chunk))) {
                status = MakeError("read failed at " + std::to_string(offset + consumed));
                break;
            }
            consumed += int64_t(chunk);
            stream.next_in = input.data();
            stream.avail_in = uInt(chunk);
        }
        // Never ask for more than the record's size: the item is exactly `size` bytes at most.
        auto room = std::size_t(std::min<int64_t>(size - produced, int64_t(output.size())));
        stream.next_out = output.data();
        stream.avail_out = uInt(room);
        int rc = inflate(&stream, Z_NO_FLUSH);
        std::size_t made = room - stream.avail_out;
        if (made > 0 && !out.Write(output.data(), made)) {
            status = MakeError("write failed");
            break;
        }
        produced += int64_t(made);
        if (rc == Z_STREAM_END) {
            ended = true;
        } else if (rc == Z_BUF_ERROR && made == 0 && stream.avail_in > 0) {
            status = MakeError("compressed stream is corrupt");
            break;
        } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
            status = MakeError(std::string("compressed stream is corrupt") + (stream.msg ? std::string(": ") + stream.msg : ""));
            break;
        }
    }
    inflateEnd(&stream);
    return status;
}

// A compressed item may produce fewer bytes than its size, never more: the size is what the
// target must have room for.
Status CheckRoomFor(const std::string& targetPath, int64_t size, const FreeSpaceQuery& freeSpace) {
    return CheckFreeSpace(std::filesystem::path(targetPath).parent_path().string(), uint64_t(size), freeSpace);
}

} // namespace

Status ExtractItemFrom(ByteSource& source, const std::string& targetPath, bool compressed, int64_t offset,
                       int64_t storedSize, int64_t size, const FreeSpaceQuery& freeSpace) {
    if (size < 0 || (compressed && storedSize < 0))
        return MakeError("negative item size");
    const int64_t length = compressed ? storedSize : size;
    if (!source.Contains(offset, length))
        return MakeError("item at " + std::to_string(offset) + " (" + std::to_string(length) +
                         " bytes) lies outside the file");
    if (Status room = CheckRoomFor(targetPath, size, freeSpace); !room)
        return room;
    PendingFile out(targetPath);
    if (!out.IsOpen())
        return MakeError("cannot create " + targetPath + ": " + std::strerror(errno));
    Status status = compressed ? Inflate(source, out, offset, storedSize, size) : CopyRaw(source, out, offset, size);
    if (!status)
        return status;
    return out.Commit();
}

Status ExtractItem(const std::string& sourcePath, const std::string& targetPath, bool compressed, int64_t offset,
                   int64_t storedSize, int64_t size) {
    if (size >= 0) {
        if (Status room = CheckRoomFor(targetPath, size, QueryFreeSpace); !room) {
            std::fprintf(stderr, "vorlandite: %s is not extracted: %s\n", targetPath.c_str(), room.message().c_str());
            return room;
        }
    }
    auto source = FileSource::Open(sourcePath);
    if (!source)
        return source.error();
    // The room was asked for just above.
    return ExtractItemFrom(**source, targetPath, compressed, offset, storedSize, size, FreeSpaceQuery{});
}

} // namespace vorlandite::payload

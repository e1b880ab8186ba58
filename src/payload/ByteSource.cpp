#include "payload/ByteSource.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlandite::payload {

Result<std::unique_ptr<FileSource>> FileSource::Open(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return MakeError("cannot open " + path + ": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return MakeError(path + " is not a regular file");
    }
    return std::unique_ptr<FileSource>(new FileSource(fd, int64_t(st.st_size)));
}

FileSource::~FileSource() { ::close(fd_); }

bool FileSource::ReadAt(int64_t offset, std::span<uint8_t> out) {
    if (!Contains(offset, int64_t(out.size())))
        return false;
    std::size_t done = 0;
    while (done < out.size()) {
        ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, off_t(offset + int64_t(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;  // error, or the file shrank under us
        done += std::size_t(n);
    }
    return true;
}

bool MemorySource::ReadAt(int64_t offset, std::span<uint8_t> out) {
    if (!Contains(offset, int64_t(out.size())))
        return false;
    if (!out.empty())
        std::memcpy(out.data(), bytes_.data() + offset, out.size());
    return true;
}

} // namespace vorlandite::payload

#include "base/PendingFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vorlandite {

namespace {

std::string TempSibling(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "." + name + ".XXXXXX";
}

} // namespace

PendingFile::PendingFile(std::string target) : target_(std::move(target)), temp_(TempSibling(target_)) {
    fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
    created_ = fd_ >= 0;
}

PendingFile::~PendingFile() {
    if (fd_ >= 0)
        ::close(fd_);
    if (created_ && !committed_)
        ::unlink(temp_.c_str());
}

Status PendingFile::WriteDurablyKeepingMode(std::string_view text) {
    struct stat old {};
    const mode_t mode = ::stat(target_.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    if (!Write(text.data(), text.size()))
        return MakeError("cannot write " + target_ + ": " + std::strerror(errno));
    if (Status done = Sync(); !done)
        return done;
    return Close(mode);
}

bool PendingFile::Write(const void* data, std::size_t length) {
    auto bytes = static_cast<const char*>(data);
    while (length > 0) {
        ssize_t n = ::write(fd_, bytes, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        length -= std::size_t(n);
    }
    return true;
}

Status PendingFile::Sync() {
    if (fd_ < 0)
        return MakeError("cannot write " + target_ + ": the file is not open");
    if (::fsync(fd_) != 0)
        return MakeError("cannot write " + temp_ + ": " + std::strerror(errno));
    durable_ = true;
    return {};
}

Status PendingFile::Close(mode_t mode) {
    if (fd_ < 0)
        return MakeError("cannot write " + target_ + ": the file is not open");
    // mkstemp makes 0600 files; the result is an ordinary file of the user's.
    if (::fchmod(fd_, mode) != 0)
        return MakeError("cannot set the permissions of " + temp_ + ": " + std::strerror(errno));
    if (::close(std::exchange(fd_, -1)) != 0)
        return MakeError("cannot write " + temp_ + ": " + std::strerror(errno));
    return {};
}

Status PendingFile::Commit() {
    if (!created_)
        return MakeError("cannot write " + target_ + ": the file was not created");
    if (fd_ >= 0)
        if (Status closed = Close(0644); !closed)
            return closed;
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        return MakeError("cannot write " + target_ + ": " + std::strerror(errno));
    committed_ = true;
    if (durable_) {
        const std::size_t slash = target_.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : target_.substr(0, slash + 1);
        if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    return {};
}

std::string WriteThroughTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string target = real;
            std::free(real);
            return target;
        }
    return path;
}

} // namespace vorlandite

#include "platform/ProcessHardening.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace vorlandite::platform {

Status ProtectPasswordProcess() {
    // The soft core limit first: a system whose core pattern is a program may still be asked to
    // dump a non-dumpable process (suid_dumpable 2); a limit of 0 keeps the ordinary core file
    // away in any case. The hard limit stays, so children may raise theirs.
    rlimit core{};
    if (::getrlimit(RLIMIT_CORE, &core) == 0) {
        core.rlim_cur = 0;
        (void)::setrlimit(RLIMIT_CORE, &core);
    }
    if (::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) != 0)
        return MakeError(std::string("the process cannot be made non-dumpable: ") + std::strerror(errno));
    return {};
}

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

std::size_t EncodeUtf8(char32_t c, char (&out)[4]) {
    if (c < 0x80) {
        out[0] = char(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = char(0xC0 | (c >> 6));
        out[1] = char(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = char(0xE0 | (c >> 12));
        out[1] = char(0x80 | ((c >> 6) & 0x3F));
        out[2] = char(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (c >> 18));
    out[1] = char(0x80 | ((c >> 12) & 0x3F));
    out[2] = char(0x80 | ((c >> 6) & 0x3F));
    out[3] = char(0x80 | (c & 0x3F));
    return 4;
}

} // namespace

LockedSecret::LockedSecret() {
    // A page of its own: mlock and the dump exclusion work on whole pages, and nothing else of
    // the program shares this one.
    const long page = ::sysconf(_SC_PAGESIZE);
    std::size_t length = page > 0 ? std::size_t(page) : 4096;
    while (length < kCapacity + 1)
        length *= 2;
    void* memory = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return;
    data_ = static_cast<char*>(memory);
    mapped_ = length;
    locked_ = ::mlock(data_, mapped_) == 0;
    (void)::madvise(data_, mapped_, MADV_DONTDUMP);
#ifdef MADV_WIPEONFORK
    (void)::madvise(data_, mapped_, MADV_WIPEONFORK);  // a child (a spawned helper) starts with zeros
#endif
}

LockedSecret::~LockedSecret() {
    if (!data_)
        return;
    Wipe();
    if (locked_)
        ::munlock(data_, mapped_);
    ::munmap(data_, mapped_);
}

bool LockedSecret::AppendCharacter(char32_t codePoint) {
    if (!data_ || codePoint == 0)
        return false;
    if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF)
        codePoint = kReplacementCharacter;
    char bytes[4];
    const std::size_t count = EncodeUtf8(codePoint, bytes);
    if (size_ + count > kCapacity) {
        explicit_bzero(bytes, sizeof bytes);
        return false;
    }
    std::memcpy(data_ + size_, bytes, count);
    explicit_bzero(bytes, sizeof bytes);
    size_ += count;
    data_[size_] = '\0';
    ++characters_;
    return true;
}

void LockedSecret::RemoveLastCharacter() {
    if (!data_ || size_ == 0)
        return;
    // Back over the continuation bytes (10xxxxxx) to the character's first byte.
    std::size_t start = size_ - 1;
    while (start > 0 && (static_cast<unsigned char>(data_[start]) & 0xC0) == 0x80)
        --start;
    explicit_bzero(data_ + start, size_ - start);
    size_ = start;
    --characters_;
}

void LockedSecret::Wipe() {
    if (data_)
        explicit_bzero(data_, kCapacity + 1);
    size_ = 0;
    characters_ = 0;
}

const char* LockedSecret::CStr() const { return data_ ? data_ : ""; }

} // namespace vorlandite::platform

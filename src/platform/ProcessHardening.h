#pragma once
// What the process does to keep a typed password to itself while a locked show runs: it cannot
// be dumped or read by a debugger of the same user (ProtectPasswordProcess), and the password
// lives in one buffer that is never swapped out, never copied and wiped as soon as it has been
// checked (LockedSecret).

#include "base/Result.h"

#include <cstddef>
#include <string_view>

namespace vorlandite::platform {

// Makes the process not dumpable (no core file; no ptrace and no /proc/<pid>/mem for other
// processes of the same user) and sets its core size to 0. For the rest of the process's life:
// called when a show that asks for the password starts. An error when the system refuses.
Status ProtectPasswordProcess();

// A password typed character by character: UTF-8 in one page of its own, locked in memory
// (never written to swap), left out of core dumps and wiped (explicit_bzero) by Wipe and the
// destructor. Neither copyable nor movable, so no second copy appears by accident.
class LockedSecret {
public:
    // Bytes of UTF-8 it holds at most: well above what PAM takes (PAM_MAX_RESP_SIZE, 512).
    static constexpr std::size_t kCapacity = 1024;

    LockedSecret();
    ~LockedSecret();
    LockedSecret(const LockedSecret&) = delete;
    LockedSecret& operator=(const LockedSecret&) = delete;

    // Appends one character (a Unicode code point; a surrogate or anything above U+10FFFF as
    // U+FFFD). False, and nothing appended, for U+0000 or when it would not fit.
    bool AppendCharacter(char32_t codePoint);
    // Removes the last character (all of its UTF-8 bytes); nothing when empty.
    void RemoveLastCharacter();
    // Wipes every byte and empties the buffer.
    void Wipe();

    std::size_t Size() const { return size_; }           // bytes
    std::size_t Characters() const { return characters_; }
    bool Empty() const { return size_ == 0; }
    // The text, NUL-terminated; valid until the next change.
    const char* CStr() const;
    std::string_view View() const { return {CStr(), size_}; }
    // The page is locked in memory (mlock can be refused by RLIMIT_MEMLOCK; the secret is still
    // kept and wiped, only swapping it out is not prevented).
    bool Locked() const { return locked_; }
    // The buffer could be made at all; without it nothing can be typed (AppendCharacter fails).
    bool Usable() const { return data_ != nullptr; }

private:
    char* data_ = nullptr;
    std::size_t mapped_ = 0;
    std::size_t size_ = 0;
    std::size_t characters_ = 0;
    bool locked_ = false;
};

} // namespace vorlandite::platform

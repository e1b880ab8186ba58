#pragma once
// The per-user registry the settings and the user's playlist live in (root: the current user).
// Keys are paths of names joined by backslashes; key and value names compare without regard to
// letter case and keep the case they were created with. Values are typed: a 32-bit integer
// (REG_DWORD) or an 8-bit string (REG_SZ); other types a person may have written by hand are
// kept as they are and read as a type error.
//
// Reading never needs write access. A store that exists but cannot be read is an error, never an
// empty store: a caller deciding something that matters (whether a show asks for the password)
// must be able to tell "not set" from "cannot know".

#include "base/Result.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorlandite::platform {

class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    virtual bool ValueExists(std::string_view name) const = 0;
    // The store holds a line for `name` in this key that could not be read (kept in the store as
    // it is): the value may be set, but what it says is unknown. ValueExists does not count it.
    virtual bool ValueUnreadable(std::string_view name) const = 0;
    // Fails when the value is missing or has another type than asked for.
    virtual Result<int32_t> ReadInteger(std::string_view name) const = 0;
    virtual Result<std::string> ReadString(std::string_view name) const = 0;
    virtual std::vector<std::string> ValueNames() const = 0;

    // Writes and deletions are kept until Close (or destruction) and then saved together.
    virtual void WriteInteger(std::string_view name, int32_t value) = 0;
    virtual void WriteString(std::string_view name, std::string_view value) = 0;
    virtual void DeleteValue(std::string_view name) = 0;

    // Saves pending changes; reports a failure to save. Later calls do nothing.
    virtual Status Close() = 0;
};

class Registry {
public:
    virtual ~Registry() = default;

    // Opens `path` (for example "\Software\Quenmore\My Show"; a leading backslash is optional,
    // empty names between backslashes are skipped). Without `create`, a missing key is an error
    // and nothing is created; with it, the key and its parents are created when missing.
    virtual Result<std::unique_ptr<RegistryKey>> OpenKey(std::string_view path, bool create) = 0;

    // Opens `path` when it exists, creating nothing: a null key when it does not, and an error
    // only when the store cannot be read.
    virtual Result<std::unique_ptr<RegistryKey>> FindKey(std::string_view path) = 0;

    // Removes a key with its values and subkeys; a missing key is not an error.
    virtual Status DeleteKey(std::string_view path) = 0;

    // Where the store lives (a file name), for messages about it.
    virtual std::string Location() const = 0;
};

} // namespace vorlandite::platform

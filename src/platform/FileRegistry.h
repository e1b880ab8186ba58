#pragma once
// The per-user registry kept in one text file (REGEDIT4 syntax, see RegFile.h).
//
// Several processes may use the file at once (a configuration dialog and a show, two dialogs),
// so nothing is cached: every operation reads the file as it is now. A change takes an advisory
// lock on a separate lock file beside the store ("user.reg.lock", created by the first writer),
// reads the file, writes a new file next to it, syncs it and renames it over the old one before
// unlocking; a failed save leaves the old file as it was. Reading needs no write access: it
// creates nothing, and takes a shared lock only on a lock file that is already there (and reads
// on without it when it cannot have it). Opening a key takes a snapshot of its values; a key's
// writes and deletions are kept until Close and then applied to the file as it is at that
// moment, so two writers of different values never lose each other's values.
//
// A line that cannot be read is skipped, reported once through the warning sink (file and
// line), and kept as it is by every save. A file that is not a registry file at all is never
// written over: it is renamed aside ("user.reg.corrupt-20240131-235959", with "-1", "-2"...
// when that name is taken), reported, and the store starts empty. A file that exists but cannot
// be read (permissions, I/O error, a folder in its place) is an error for readers and writers
// alike, never an empty store.

#include "platform/Registry.h"

#include <functional>
#include <memory>
#include <string>

namespace vorlandite::platform {

// $XDG_CONFIG_HOME/vorlandite/user.reg, $XDG_CONFIG_HOME being ~/.config when unset.
std::string DefaultUserRegistryPath();

class FileRegistry final : public Registry {
public:
    using WarningSink = std::function<void(const std::string&)>;

    // The default sink writes one line to stderr. The file and its folder are created by the
    // first write, not here.
    explicit FileRegistry(std::string filePath = DefaultUserRegistryPath(), WarningSink warn = {});
    ~FileRegistry() override;

    Result<std::unique_ptr<RegistryKey>> OpenKey(std::string_view path, bool create) override;
    Result<std::unique_ptr<RegistryKey>> FindKey(std::string_view path) override;
    Status DeleteKey(std::string_view path) override;
    std::string Location() const override;

    const std::string& FilePath() const;

    struct Store;  // the file and the sink, shared with the keys this registry opened

private:
    std::shared_ptr<const Store> store_;
};

} // namespace vorlandite::platform

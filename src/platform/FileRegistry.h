#pragma once
// The per-user registry kept in one text file (REGEDIT4 syntax, see RegFile.h).
//
// Several processes may use the file at once (a configuration dialog and a show, two dialogs),
// so nothing is cached: every operation takes an advisory lock on a separate lock file beside
// the store ("user.reg.lock"), reads the file as it is now, and, when it changes anything,
// writes a new file next to it, syncs it and renames it over the old one before unlocking.
// Opening a key takes a snapshot of its values; a key's writes and deletions are kept until
// Close and then applied to the file as it is at that moment, so two writers of different
// values never lose each other's values.
//
// A file that cannot be read as a registry is never written over: it is renamed aside
// ("user.reg.corrupt-20240131-235959", with "-1", "-2"... when that name is taken), reported
// through the warning sink, and the store starts empty.

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
    Status DeleteKey(std::string_view path) override;

    const std::string& FilePath() const;

    struct Store;  // the file and the sink, shared with the keys this registry opened

private:
    std::shared_ptr<const Store> store_;
};

} // namespace vorlandite::platform

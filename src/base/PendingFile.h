#pragma once
// A file written under a temporary name beside its target and renamed over the target only once
// it is complete, so a reader never sees half a file and a failure leaves the old target alone.

#include "base/Result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace vorlandite {

class PendingFile {
public:
    // Creates the temporary file (".NAME.XXXXXX" in the target's folder, so the rename stays on
    // one file system). IsOpen() tells whether that worked; errno says why not.
    explicit PendingFile(std::string target);
    ~PendingFile();  // a file that was not committed is removed
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& TempPath() const { return temp_; }
    const std::string& Target() const { return target_; }

    // Writes all of data; false (errno set) on failure.
    bool Write(const void* data, std::size_t length);
    // Flushes what was written to the disk; the commit then also flushes the folder, so the
    // rename survives a power cut (for settings files, not for scratch copies).
    Status Sync();
    // Gives the file its final permissions and closes it; later writes go through TempPath().
    Status Close(mode_t mode);
    // Writes all of `text`, syncs it and closes it with the permissions the target has now (0644
    // for a new target): how a settings file is replaced. Errors name the target.
    Status WriteDurablyKeepingMode(std::string_view text);
    // Closes (0644 unless Close ran) and renames the file over the target.
    Status Commit();

private:
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool created_ = false;
    bool committed_ = false;
    bool durable_ = false;
};

// The file a write to `path` must replace: the target of a symbolic link (a dotfiles folder,
// say), so the rename does not put a plain file in the link's place; else `path` itself.
std::string WriteThroughTarget(const std::string& path);

} // namespace vorlandite

#pragma once
// `ExtractedFile`: a payload item (or bytes given to it) in a file of its own in the temporary
// folder, there for as long as the object holds it. Every engine path that needs an item as a
// file goes through it, so each extraction is checked and each file goes when its user is done.
//
// The temporary names are fixed ("SSIMG" + extension and the like, see TempFiles.h), so a name
// can be met again: an extraction replaces a file of its name whole (ItemExtraction.h), and one
// that fails removes it, so a file an earlier item or run left there never stands in for the
// item that could not be made. An object removes only the file it made: when a later extraction
// has replaced that file under the same name, the later one stays.
//
// Movable, not copyable; a moved-from object holds nothing and removes nothing.

#include "base/Result.h"
#include "payload/ByteSource.h"
#include "payload/PayloadLayout.h"

#include <cstdint>
#include <span>
#include <string>
#include <sys/types.h>

namespace vorlandite::payload {

// Where an item's bytes lie in the screensaver file and how they are stored.
struct StoredItem {
    bool Compressed = false;  // a zlib stream of StoredSize bytes that inflates to Size bytes
    int64_t Offset = 0;       // absolute position in the file
    int64_t StoredSize = 0;
    int64_t Size = 0;
};

// An item of one of the tables (display items, masks, enter sounds, melodies): deflated when it
// has a stored size, raw otherwise.
template <class Record>
StoredItem TableItem(const TKelFixedSizeInfo& header, const Record& record) {
    return StoredItem{record.StoredSize > 0, ItemPosition(header, record), record.StoredSize, record.Size};
}

// A section that is always stored deflated (logo, background picture, exit banner).
inline StoredItem DeflatedSection(const TKelFixedSizeInfo& header, int section, int64_t storedSize, int64_t size) {
    return StoredItem{true, SectionStart(header, section), storedSize, size};
}

class ExtractedFile {
public:
    ExtractedFile() = default;  // holds no file
    ~ExtractedFile();
    ExtractedFile(ExtractedFile&& other) noexcept;
    ExtractedFile& operator=(ExtractedFile&& other) noexcept;
    ExtractedFile(const ExtractedFile&) = delete;
    ExtractedFile& operator=(const ExtractedFile&) = delete;

    // The item out of the screensaver file at `screensaverPath` into `path` (ExtractItem: a
    // refusal for want of space is also told on stderr).
    static Result<ExtractedFile> Extract(const std::string& screensaverPath, std::string path,
                                         const StoredItem& item);
    // The same from a source the caller has open already.
    static Result<ExtractedFile> ExtractFrom(ByteSource& source, std::string path, const StoredItem& item);
    // `bytes` into `path`, complete or not at all.
    static Result<ExtractedFile> Write(std::string path, std::span<const uint8_t> bytes);

    bool Holds() const { return !path_.empty(); }
    // The file's path; empty when nothing is held.
    const std::string& Path() const { return path_; }

    // Removes the file now (when it is still the one this object made) and holds nothing.
    void Reset();
    // Leaves the file where it is for good and returns its path; the object holds nothing.
    std::string Release();

private:
    ExtractedFile(std::string path, dev_t device, ino_t inode);
    static Result<ExtractedFile> Take(std::string path, const Status& written);

    std::string path_;
    // The file as made, so that a later file of the same name is told apart from it.
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

// Removes a file of that name if there is one (left by an earlier item or run, or never made).
// Failures are ignored: nothing else could be done about them.
void RemoveLeftover(const std::string& path);

} // namespace vorlandite::payload

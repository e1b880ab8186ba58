#pragma once
// Writing a payload: the inverse of ContainerReader, used by `vorlandite build` and the tests.
// Offsets, sizes, counts and section sizes are computed here from the content; the draft
// supplies the author's settings, texts and the per-item fields.
//
// Content is streamed (raw or deflated) into the sink chunk by chunk; record tables are
// reserved first and filled in once their items' positions are known.

#include "base/Result.h"
#include "payload/PayloadRecords.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorlandite::payload {

// The bytes of one item or section: a file read when the payload is written, or bytes in memory.
class Content {
public:
    static Content FromBytes(std::vector<uint8_t> bytes);
    static Content FromFile(std::string path);

    Result<int64_t> Size() const;
    Status ForEachChunk(const std::function<Status(std::span<const uint8_t>)>& consume) const;
    std::string Describe() const;

private:
    std::vector<uint8_t> bytes_;
    std::string path_;
    bool fromFile_ = false;
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual int64_t Position() const = 0;
    virtual Status Write(std::span<const uint8_t> bytes) = 0;
    // Overwrites bytes already written (record tables reserved earlier).
    virtual Status WriteAt(int64_t position, std::span<const uint8_t> bytes) = 0;
};

class MemorySink final : public ByteSink {
public:
    int64_t Position() const override { return int64_t(bytes_.size()); }
    Status Write(std::span<const uint8_t> bytes) override;
    Status WriteAt(int64_t position, std::span<const uint8_t> bytes) override;
    std::vector<uint8_t>& Bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// Appends to a file opened for writing; Position() starts at the file's current end.
class FileSink final : public ByteSink {
public:
    static Result<std::unique_ptr<FileSink>> OpenForAppend(const std::string& path);
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;
    int64_t Position() const override { return position_; }
    Status Write(std::span<const uint8_t> bytes) override;
    Status WriteAt(int64_t position, std::span<const uint8_t> bytes) override;
    Status Close();  // flushes to disk

private:
    FileSink(int fd, int64_t position) : fd_(fd), position_(position) {}
    int fd_;
    int64_t position_;
};

template <class Record>
struct DraftItem {
    Record record;  // Offset, Size and StoredSize are computed
    Content content;
    bool compressed = false;
};

struct PayloadDraft {
    TKelFixedSizeInfo header;  // the author's fields; sizes and counts are computed
    TKelVarSizeInfo strings;
    std::vector<DraftItem<TKelImageInfo>> images;
    std::vector<DraftItem<TKelMelodyInfo>> melodies;
    std::vector<DraftItem<TKelMaskInfo>> masks;
    std::vector<DraftItem<TKelSoundInfo>> sounds;
    std::optional<Content> flashPlayer;   // section 1, raw
    std::optional<Content> preview;       // section 2, raw (a BMP file)
    std::optional<Content> configBanner;  // section 3, raw
    std::optional<Content> exitBanner;    // section 4, always deflated
    std::optional<Content> logo;          // section 5, always deflated
    std::optional<Content> background;    // section 9, always deflated
};

using ProgressFn = std::function<void(int64_t done, int64_t total)>;

// Refuses texts longer than their fields hold (naming the field), and payloads that do not fit
// the 32-bit sizes of the format. Returns the header as written (with FileSizeAtRun 0).
Result<TKelFixedSizeInfo> WritePayload(const PayloadDraft& draft, ByteSink& sink, const ProgressFn& progress = {});

// Header fields the writer computes from the content; a draft's values for them are ignored.
// Records' Offset, Size and StoredSize are computed too.
bool IsComputedHeaderField(std::string_view name);

// Refuses what WritePayload would refuse, without writing (names the field).
Status CheckDraft(const PayloadDraft& draft);

} // namespace vorlandite::payload

#include "payload/PayloadWriter.h"

#include "base/ByteOrder.h"
#include "payload/PayloadLayout.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <tuple>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlandite::payload {

// ---- Content ------------------------------------------------------------------------------

Content Content::FromBytes(std::vector<uint8_t> bytes) {
    Content c;
    c.bytes_ = std::move(bytes);
    return c;
}

Content Content::FromFile(std::string path) {
    Content c;
    c.path_ = std::move(path);
    c.fromFile_ = true;
    return c;
}

std::string Content::Describe() const { return fromFile_ ? path_ : std::string("<memory>"); }

Result<int64_t> Content::Size() const {
    if (!fromFile_)
        return int64_t(bytes_.size());
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0)
        return MakeError("cannot read " + path_ + ": " + std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        return MakeError(path_ + " is not a regular file");
    return int64_t(st.st_size);
}

Status Content::ForEachChunk(const std::function<Status(std::span<const uint8_t>)>& consume) const {
    if (!fromFile_)
        return consume(bytes_);
    int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return MakeError("cannot read " + path_ + ": " + std::strerror(errno));
    std::vector<uint8_t> buffer(1 << 20);
    Status status;
    for (;;) {
        ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            status = MakeError("cannot read " + path_ + ": " + std::strerror(errno));
            break;
        }
        if (n == 0)
            break;
        status = consume(std::span<const uint8_t>(buffer.data(), std::size_t(n)));
        if (!status)
            break;
    }
    ::close(fd);
    return status;
}

// ---- sinks --------------------------------------------------------------------------------

Status MemorySink::Write(std::span<const uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return {};
}

Status MemorySink::WriteAt(int64_t position, std::span<const uint8_t> bytes) {
    if (position < 0 || position + int64_t(bytes.size()) > int64_t(bytes_.size()))
        return MakeError("write outside the written bytes");
    std::memcpy(bytes_.data() + position, bytes.data(), bytes.size());
    return {};
}

Result<std::unique_ptr<FileSink>> FileSink::OpenForAppend(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return MakeError("cannot write " + path + ": " + std::strerror(errno));
    off_t end = ::lseek(fd, 0, SEEK_END);
    if (end < 0) {
        ::close(fd);
        return MakeError("cannot seek in " + path);
    }
    return std::unique_ptr<FileSink>(new FileSink(fd, int64_t(end)));
}

FileSink::~FileSink() {
    if (fd_ >= 0)
        ::close(fd_);
}

namespace {
Status WriteAllAt(int fd, int64_t position, std::span<const uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, off_t(position + int64_t(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return MakeError(std::string("write failed: ") + std::strerror(errno));
        done += std::size_t(n);
    }
    return {};
}
} // namespace

Status FileSink::Write(std::span<const uint8_t> bytes) {
    Status s = WriteAllAt(fd_, position_, bytes);
    if (s)
        position_ += int64_t(bytes.size());
    return s;
}

Status FileSink::WriteAt(int64_t position, std::span<const uint8_t> bytes) {
    if (position < 0 || position + int64_t(bytes.size()) > position_)
        return MakeError("write outside the written bytes");
    return WriteAllAt(fd_, position, bytes);
}

Status FileSink::Close() {
    if (fd_ < 0)
        return {};
    bool synced = ::fsync(fd_) == 0;
    bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed)
        return MakeError(std::string("cannot finish the file: ") + std::strerror(errno));
    return {};
}

// ---- writing ------------------------------------------------------------------------------

namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

struct Written {
    int64_t size = 0;        // bytes of content
    int64_t storedSize = 0;  // bytes in the payload (deflated length; 0 when raw)
};

class Emitter {
public:
    Emitter(ByteSink& sink, int64_t total, const ProgressFn& progress)
        : sink_(sink), total_(total), progress_(progress) {}

    Result<Written> Put(const Content& content, bool compress) {
        return compress ? Deflate(content) : Copy(content);
    }

    Status Zeros(int64_t count) {
        std::vector<uint8_t> zeros(std::size_t(std::min<int64_t>(count, 1 << 20)), 0);
        while (count > 0) {
            auto n = std::size_t(std::min<int64_t>(count, int64_t(zeros.size())));
            if (Status s = sink_.Write(std::span<const uint8_t>(zeros.data(), n)); !s)
                return s;
            count -= int64_t(n);
        }
        return {};
    }

private:
    void Advance(int64_t bytes) {
        done_ += bytes;
        if (progress_ && (done_ - reported_ >= (int64_t(8) << 20) || done_ == total_)) {
            reported_ = done_;
            progress_(done_, total_);
        }
    }

    Result<Written> Copy(const Content& content) {
        Written w;
        Status s = content.ForEachChunk([&](std::span<const uint8_t> chunk) {
            w.size += int64_t(chunk.size());
            Advance(int64_t(chunk.size()));
            return sink_.Write(chunk);
        });
        if (!s)
            return s.error();
        return w;
    }

    Result<Written> Deflate(const Content& content) {
        z_stream z{};
        if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK)
            return MakeError("zlib initialisation failed");
        Written w;
        std::vector<uint8_t> out(1 << 18);
        auto pump = [&](int flush) -> Status {
            do {
                z.next_out = out.data();
                z.avail_out = uInt(out.size());
                int rc = deflate(&z, flush);
                if (rc == Z_STREAM_ERROR)
                    return MakeError("deflate failed");
                std::size_t made = out.size() - z.avail_out;
                w.storedSize += int64_t(made);
                if (Status s = sink_.Write(std::span<const uint8_t>(out.data(), made)); !s)
                    return s;
            } while (z.avail_out == 0);
            return {};
        };
        Status s = content.ForEachChunk([&](std::span<const uint8_t> chunk) -> Status {
            // deflate takes at most 4 GiB per call; chunks are 1 MiB or one in-memory buffer.
            std::size_t offset = 0;
            while (offset < chunk.size()) {
                std::size_t n = std::min<std::size_t>(chunk.size() - offset, 1u << 30);
                z.next_in = const_cast<Bytef*>(chunk.data() + offset);
                z.avail_in = uInt(n);
                if (Status p = pump(Z_NO_FLUSH); !p)
                    return p;
                offset += n;
            }
            w.size += int64_t(chunk.size());
            Advance(int64_t(chunk.size()));
            return {};
        });
        if (s)
            s = pump(Z_FINISH);
        deflateEnd(&z);
        if (!s)
            return s.error();
        return w;
    }

    ByteSink& sink_;
    int64_t total_;
    const ProgressFn& progress_;
    int64_t done_ = 0;
    int64_t reported_ = 0;
};

Status CheckText(std::string_view field, const std::string& text, std::size_t room) {
    if (text.size() > room)
        return MakeError(std::string(field) + ": " + std::to_string(text.size()) + " bytes, at most " +
                         std::to_string(room) + " fit");
    return {};
}

template <class Record>
Status CheckRecordTexts(std::span<const Field<Record>> fields, const Record& record, const std::string& prefix) {
    for (const auto& f : fields) {
        if (f.type != FieldType::Extension && f.type != FieldType::ShortText)
            continue;
        if (Status s = CheckText(prefix + "." + std::string(f.name), record.*f.text, f.room); !s)
            return s;
    }
    return {};
}

template <class Record>
Status CheckItems(const std::vector<DraftItem<Record>>& items, std::span<const Field<Record>> fields,
                  std::string_view table) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (Status s = CheckRecordTexts(fields, items[i].record, std::string(table) + "[" + std::to_string(i) + "]"); !s)
            return s;
    return {};
}

Result<int32_t> AsInt32(std::string_view what, int64_t value) {
    if (value > kInt32Max)
        return MakeError(std::string(what) + " is " + std::to_string(value) + " bytes; the format holds at most " +
                         std::to_string(kInt32Max));
    return int32_t(value);
}

// Writes one record table section: reserved table, then each item's bytes, then the table.
// `base` is the position record offsets count from.
template <class Record, std::size_t RecordSize, class Encoder>
Result<int64_t> WriteTableSection(ByteSink& sink, Emitter& emit, const std::vector<DraftItem<Record>>& items,
                                  int64_t base, std::string_view table, Encoder encode) {
    const int64_t start = sink.Position();
    if (Status s = emit.Zeros(int64_t(items.size()) * int64_t(RecordSize)); !s)
        return s.error();
    std::vector<Record> records;
    records.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string name = std::string(table) + "[" + std::to_string(i) + "]";
        Record record = items[i].record;
        auto offset = AsInt32(name + " offset", sink.Position() - base);
        if (!offset)
            return offset.error();
        auto written = emit.Put(items[i].content, items[i].compressed);
        if (!written)
            return MakeError(name + ": " + written.message());
        auto size = AsInt32(name, written->size);
        auto stored = AsInt32(name + " stored", written->storedSize);
        if (!size)
            return size.error();
        if (!stored)
            return stored.error();
        record.Offset = *offset;
        record.Size = *size;
        record.StoredSize = *stored;
        records.push_back(record);
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        auto bytes = encode(records[i]);
        if (Status s = sink.WriteAt(start + int64_t(i) * int64_t(RecordSize), bytes); !s)
            return s.error();
    }
    return sink.Position() - start;
}

template <class Record>
Result<int64_t> ContentTotal(const std::vector<DraftItem<Record>>& items) {
    int64_t total = 0;
    for (const auto& item : items) {
        auto size = item.content.Size();
        if (!size)
            return size.error();
        total += *size;
    }
    return total;
}

} // namespace

bool IsComputedHeaderField(std::string_view name) {
    static constexpr std::string_view kComputed[] = {
        "PayloadSize",       "FileSizeAtRun",        "ImageCount",       "MelodyCount",
        "MaskCount",         "ImageSectionSize",     "BackgroundStoredSize", "BackgroundSize",
        "MaskSectionSize",   "PreviewSize",          "MelodySectionSize", "StringBlockSize",
        "ConfigBannerSize",  "FlashPlayerSize",      "ExitBannerStoredSize", "ExitBannerSize",
        "LogoSize",          "LogoStoredSize",       "EnterSoundSectionSize", "EnterSoundCount",
    };
    return std::find(std::begin(kComputed), std::end(kComputed), name) != std::end(kComputed);
}

Status CheckDraft(const PayloadDraft& draft) {
    for (const StringSlot& slot : StringSlots())
        if (Status s = CheckText(std::string("Strings.") + std::string(slot.name), draft.strings.*slot.member, 0xFFFF); !s)
            return s;
    for (const auto& f : HeaderFields())
        if (f.type == FieldType::Extension)
            if (Status s = CheckText(std::string("Header.") + std::string(f.name), draft.header.*f.text, f.room); !s)
                return s;
    if (Status s = CheckItems(draft.images, ImageFields(), "Images"); !s)
        return s;
    if (Status s = CheckItems(draft.melodies, MelodyFields(), "Melodies"); !s)
        return s;
    if (Status s = CheckItems(draft.masks, MaskFields(), "Masks"); !s)
        return s;
    return CheckItems(draft.sounds, SoundFields(), "Sounds");
}

Result<TKelFixedSizeInfo> WritePayload(const PayloadDraft& draft, ByteSink& sink, const ProgressFn& progress) {
    if (Status s = CheckDraft(draft); !s)
        return s.error();

    int64_t total = 0;
    for (const std::optional<Content>* section : {&draft.flashPlayer, &draft.preview, &draft.configBanner,
                                                  &draft.exitBanner, &draft.logo, &draft.background}) {
        if (!*section)
            continue;
        auto size = (*section)->Size();
        if (!size)
            return size.error();
        total += *size;
    }
    for (auto t : {ContentTotal(draft.images), ContentTotal(draft.melodies), ContentTotal(draft.masks),
                   ContentTotal(draft.sounds)}) {
        if (!t)
            return t.error();
        total += *t;
    }

    Emitter emit(sink, total, progress);
    TKelFixedSizeInfo h = draft.header;
    const int64_t base = sink.Position();

    // Sections 1 to 5 and 9: whole pictures or files, raw or always deflated.
    auto putSection = [&](const std::optional<Content>& content, bool compress, std::string_view name,
                          int32_t& storedField, int32_t* sizeField) -> Status {
        storedField = 0;
        if (sizeField)
            *sizeField = 0;
        if (!content)
            return {};
        auto written = emit.Put(*content, compress);
        if (!written)
            return MakeError(std::string(name) + ": " + written.message());
        auto stored = AsInt32(name, compress ? written->storedSize : written->size);
        auto size = AsInt32(name, written->size);
        if (!stored)
            return stored.error();
        if (!size)
            return size.error();
        storedField = *stored;
        if (sizeField)
            *sizeField = *size;
        return {};
    };

    if (Status s = putSection(draft.flashPlayer, false, "FlashPlayer", h.FlashPlayerSize, nullptr); !s)
        return s.error();
    if (Status s = putSection(draft.preview, false, "Preview", h.PreviewSize, nullptr); !s)
        return s.error();
    if (Status s = putSection(draft.configBanner, false, "ConfigBanner", h.ConfigBannerSize, nullptr); !s)
        return s.error();
    if (Status s = putSection(draft.exitBanner, true, "ExitBanner", h.ExitBannerStoredSize, &h.ExitBannerSize); !s)
        return s.error();
    if (Status s = putSection(draft.logo, true, "Logo", h.LogoStoredSize, &h.LogoSize); !s)
        return s.error();

    auto images = WriteTableSection<TKelImageInfo, kImageRecordSize>(sink, emit, draft.images, base, "Images", EncodeImage);
    if (!images)
        return images.error();
    auto masks = WriteTableSection<TKelMaskInfo, kMaskRecordSize>(sink, emit, draft.masks, base, "Masks", EncodeMask);
    if (!masks)
        return masks.error();
    auto sounds = WriteTableSection<TKelSoundInfo, kSoundRecordSize>(sink, emit, draft.sounds, base, "Sounds", EncodeSound);
    if (!sounds)
        return sounds.error();
    if (Status s = putSection(draft.background, true, "Background", h.BackgroundStoredSize, &h.BackgroundSize); !s)
        return s.error();
    const int64_t melodyBase = sink.Position();
    auto melodies =
        WriteTableSection<TKelMelodyInfo, kMelodyRecordSize>(sink, emit, draft.melodies, melodyBase, "Melodies", EncodeMelody);
    if (!melodies)
        return melodies.error();

    for (auto [field, value, name] : {std::tuple{&h.ImageSectionSize, *images, "the display-item section"},
                                      std::tuple{&h.MaskSectionSize, *masks, "the mask section"},
                                      std::tuple{&h.EnterSoundSectionSize, *sounds, "the enter-sound section"},
                                      std::tuple{&h.MelodySectionSize, *melodies, "the melody section"}}) {
        auto v = AsInt32(name, value);
        if (!v)
            return v.error();
        *field = *v;
    }
    h.ImageCount = int32_t(draft.images.size());
    h.MaskCount = int32_t(draft.masks.size());
    h.EnterSoundCount = int32_t(draft.sounds.size());
    h.MelodyCount = int32_t(draft.melodies.size());

    // The string block: 18 strings, each a 16-bit length and its bytes.
    const int64_t stringsStart = sink.Position();
    for (const StringSlot& slot : StringSlots()) {
        const std::string& text = draft.strings.*slot.member;
        std::array<uint8_t, 2> length{};
        StoreU16(length, 0, uint16_t(text.size()));
        if (Status s = sink.Write(length); !s)
            return s.error();
        if (Status s = sink.Write(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size())); !s)
            return s.error();
    }
    h.StringBlockSize = int32_t(sink.Position() - stringsStart);

    auto payloadSize = AsInt32("the payload", sink.Position() + int64_t(kTrailerSize) - base);
    if (!payloadSize)
        return payloadSize.error();
    h.PayloadSize = *payloadSize;
    h.FileSizeAtRun = 0;
    if (Status s = sink.Write(EncodeHeader(h)); !s)
        return s.error();
    if (Status s = sink.Write(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(kMagic.data()), kMagicSize)); !s)
        return s.error();
    return h;
}

} // namespace vorlandite::payload

#include "payload/ContainerReader.h"

#include "base/ByteOrder.h"
#include "payload/PayloadLayout.h"

#include <array>
#include <cstring>

namespace vorlandite::payload {
namespace {

std::string PositionText(int64_t position) { return std::to_string(position); }

// Reads `count` records of `RecordSize` bytes at `position` through `decode`.
template <class Record, std::size_t RecordSize, class Decoder>
Result<std::vector<Record>> ReadTable(ByteSource& source, int64_t position, int32_t count,
                                      std::string_view what, Decoder decode) {
    if (count < 0)
        return MakeError(std::string(what) + " count is negative (" + std::to_string(count) + ")");
    int64_t length = int64_t(count) * int64_t(RecordSize);
    if (!source.Contains(position, length))
        return MakeError(std::string(what) + " table of " + std::to_string(count) + " records at " +
                         PositionText(position) + " lies outside the file");
    std::vector<Record> records;
    records.reserve(std::size_t(count));
    std::array<uint8_t, RecordSize> bytes{};
    for (int32_t i = 0; i < count; ++i) {
        if (!source.ReadAt(position + int64_t(i) * int64_t(RecordSize), bytes))
            return MakeError("cannot read " + std::string(what) + " record " + std::to_string(i));
        records.push_back(decode(std::span<const uint8_t, RecordSize>(bytes)));
    }
    return records;
}

} // namespace

Result<TKelFixedSizeInfo> ContainerReader::ReadTrailer() {
    const int64_t size = source_.Size();
    if (size < int64_t(kTrailerSize))
        return MakeError("file too short for a payload (" + std::to_string(size) + " bytes)");
    std::array<uint8_t, kTrailerSize> trailer{};
    if (!source_.ReadAt(size - int64_t(kTrailerSize), trailer))
        return MakeError("cannot read the payload header");
    if (std::memcmp(trailer.data() + kHeaderSize, kMagic.data(), kMagicSize) != 0)
        return MakeError("no payload: the file does not end with the magic \"Vorlandite\"");
    TKelFixedSizeInfo header = DecodeHeader(std::span<const uint8_t, kHeaderSize>(trailer.data(), kHeaderSize));
    header.FileSizeAtRun = size;
    return header;
}

Result<std::string> ReadPayloadString(ByteSource& source, int64_t& position) {
    std::array<uint8_t, 2> lengthBytes{};
    if (!source.ReadAt(position, lengthBytes))
        return MakeError("string length at " + PositionText(position) + " lies outside the file");
    const uint16_t length = LoadU16(lengthBytes, 0);
    std::string text(length, '\0');
    if (length > 0 &&
        !source.ReadAt(position + 2, std::span<uint8_t>(reinterpret_cast<uint8_t*>(text.data()), length)))
        return MakeError("string of " + std::to_string(length) + " bytes at " + PositionText(position) +
                         " runs past the end of the file");
    position += 2 + int64_t(length);
    return text;
}

Result<TKelVarSizeInfo> ContainerReader::ReadStrings(const TKelFixedSizeInfo& header, int64_t* bytesRead) {
    const int64_t start = StringBlockStart(header);
    if (!source_.Contains(start, 0))
        return MakeError("string block position " + PositionText(start) + " lies outside the file");
    TKelVarSizeInfo strings;
    int64_t position = start;
    for (const StringSlot& slot : StringSlots()) {
        auto text = ReadPayloadString(source_, position);
        if (!text)
            return MakeError(std::string(slot.name) + ": " + text.message());
        strings.*slot.member = std::move(text).value();
    }
    if (bytesRead)
        *bytesRead = position - start;
    return strings;
}

Result<std::vector<TKelImageInfo>> ContainerReader::ReadImageTable(const TKelFixedSizeInfo& header) {
    return ReadTable<TKelImageInfo, kImageRecordSize>(source_, SectionStart(header, kImageSection),
                                                      header.ImageCount, "display-item", DecodeImage);
}

Result<std::vector<TKelMaskInfo>> ContainerReader::ReadMaskTable(const TKelFixedSizeInfo& header) {
    return ReadTable<TKelMaskInfo, kMaskRecordSize>(source_, SectionStart(header, kMaskSection),
                                                    header.MaskCount, "mask", DecodeMask);
}

Result<std::vector<TKelSoundInfo>> ContainerReader::ReadSoundTable(const TKelFixedSizeInfo& header) {
    return ReadTable<TKelSoundInfo, kSoundRecordSize>(source_, SectionStart(header, kEnterSoundSection),
                                                      header.EnterSoundCount, "enter-sound", DecodeSound);
}

Result<std::vector<TKelMelodyInfo>> ContainerReader::ReadMelodyTable(const TKelFixedSizeInfo& header) {
    return ReadTable<TKelMelodyInfo, kMelodyRecordSize>(source_, SectionStart(header, kMelodySection),
                                                        header.MelodyCount, "melody", DecodeMelody);
}

Result<Payload> ReadWholePayload(ByteSource& source) {
    ContainerReader reader(source);
    Payload payload;
    auto header = reader.ReadTrailer();
    if (!header)
        return header.error();
    payload.header = header.value();
    auto strings = reader.ReadStrings(payload.header, &payload.stringBlockBytes);
    if (!strings)
        return strings.error();
    payload.strings = std::move(strings).value();
    auto images = reader.ReadImageTable(payload.header);
    if (!images)
        return images.error();
    payload.images = std::move(images).value();
    auto masks = reader.ReadMaskTable(payload.header);
    if (!masks)
        return masks.error();
    payload.masks = std::move(masks).value();
    auto sounds = reader.ReadSoundTable(payload.header);
    if (!sounds)
        return sounds.error();
    payload.sounds = std::move(sounds).value();
    auto melodies = reader.ReadMelodyTable(payload.header);
    if (!melodies)
        return melodies.error();
    payload.melodies = std::move(melodies).value();
    return payload;
}

} // namespace vorlandite::payload

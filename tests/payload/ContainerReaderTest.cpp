// The payload container: record layouts, the writer/reader round trip, where everything lies,
// and damaged files.

#include "base/ByteOrder.h"
#include "payload/ContainerReader.h"
#include "payload/PayloadLayout.h"
#include "payload/PayloadWriter.h"
#include "support/RandomPayload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>

namespace vorlandite::payload {
namespace {

using testing::BuildScreensaverBytes;
using testing::RandomDraft;

// ---- record layouts -----------------------------------------------------------------------

std::size_t FieldWidth(FieldType type, std::size_t room) {
    switch (type) {
    case FieldType::Int32:
    case FieldType::Int64AsI32: return 4;
    case FieldType::Flag:
    case FieldType::Byte: return 1;
    case FieldType::Extension: return room;
    case FieldType::ShortText: return room + 1;
    }
    return 0;
}

template <class Record>
void ExpectDisjointFields(std::span<const Field<Record>> fields, std::size_t recordSize) {
    std::vector<int> owner(recordSize, -1);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto& f = fields[i];
        std::size_t width = FieldWidth(f.type, f.room);
        ASSERT_LE(f.offset + width, recordSize) << f.name;
        for (std::size_t b = f.offset; b < f.offset + width; ++b) {
            EXPECT_EQ(owner[b], -1) << f.name << " overlaps " << (owner[b] >= 0 ? fields[owner[b]].name : "");
            owner[b] = int(i);
        }
    }
}

TEST(RecordLayout, FieldsStayInsideTheirRecordsAndNeverOverlap) {
    ExpectDisjointFields(HeaderFields(), kHeaderSize);
    ExpectDisjointFields(ImageFields(), kImageRecordSize);
    ExpectDisjointFields(MelodyFields(), kMelodyRecordSize);
    ExpectDisjointFields(MaskFields(), kMaskRecordSize);
    ExpectDisjointFields(SoundFields(), kSoundRecordSize);
}

TEST(RecordLayout, HeaderFieldsLandAtTheirOffsets) {
    TKelFixedSizeInfo h;
    h.PayloadSize = 0x01020304;
    h.EffectSpeed = 7;
    h.ExitESC = true;
    h.LogoExt = ".JPEG";
    h.LogoTransparentColor = kNoColor;
    h.RunAsProgram = true;
    auto bytes = EncodeHeader(h);
    EXPECT_EQ(LoadI32(bytes, 0), 0x01020304);
    EXPECT_EQ(LoadI32(bytes, 132), 7);
    EXPECT_EQ(bytes[123], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[146]), 5), ".JPEG");
    EXPECT_EQ(LoadI32(bytes, 212), 0x1FFFFFFF);
    EXPECT_EQ(bytes[216], 1);
}

TEST(RecordLayout, FlagByteOtherThanZeroOrOneReadsTrue) {
    std::array<uint8_t, kHeaderSize> bytes{};
    bytes[113] = 0x80;  // Mute
    EXPECT_TRUE(DecodeHeader(bytes).Mute);
    EXPECT_FALSE(DecodeHeader(bytes).Loop);
}

TEST(RecordLayout, FiveCharacterExtensionHasNoTerminatorAndIsReadWhole) {
    std::array<uint8_t, kImageRecordSize> bytes{};
    std::memcpy(&bytes[12], ".MPEG", 5);
    bytes[17] = 'X';  // padding right after must not leak into the extension
    TKelImageInfo r = DecodeImage(bytes);
    EXPECT_EQ(r.Ext, ".MPEG");
    EXPECT_EQ(KindOfExtension(r.Ext), ItemKind::Video);
}

TEST(RecordLayout, ShortTextLengthBeyondItsRoomIsCut) {
    std::array<uint8_t, kSoundRecordSize> bytes{};
    bytes[12] = 200;  // claims 200 bytes in a room of 7
    std::memcpy(&bytes[13], ".abcdefg", 7);
    EXPECT_EQ(DecodeSound(bytes).Ext.size(), kSoundExtRoom);
}

struct KindRow {
    const char* ext;
    ItemKind kind;
};

class ItemKindTest : public ::testing::TestWithParam<KindRow> {};

TEST_P(ItemKindTest, ExtensionDecidesTheKindWithoutRegardToCase) {
    EXPECT_EQ(KindOfExtension(GetParam().ext), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(Extensions, ItemKindTest,
                         ::testing::Values(KindRow{".swf", ItemKind::Flash}, KindRow{".FLA", ItemKind::Flash},
                                           KindRow{".asf", ItemKind::Video}, KindRow{".Wmv", ItemKind::Video},
                                           KindRow{".AVI", ItemKind::Video}, KindRow{".mpeg", ItemKind::Video},
                                           KindRow{".MPG", ItemKind::Video}, KindRow{".gIf", ItemKind::Gif},
                                           KindRow{".jpg", ItemKind::Picture}, KindRow{".mp4", ItemKind::Picture},
                                           KindRow{"", ItemKind::Picture}, KindRow{"GIF", ItemKind::Picture},
                                           KindRow{".SWFX", ItemKind::Picture}, KindRow{".Fla", ItemKind::Flash}));

// ---- round trip ---------------------------------------------------------------------------

template <class Record>
void ExpectSameFields(std::span<const Field<Record>> fields, const Record& a, const Record& b, const std::string& what) {
    for (const auto& f : fields) {
        if (f.name == "Offset" || f.name == "Size" || f.name == "StoredSize" || IsComputedHeaderField(f.name))
            continue;
        switch (f.type) {
        case FieldType::Int32: EXPECT_EQ(a.*f.i32, b.*f.i32) << what << "." << f.name; break;
        case FieldType::Flag: EXPECT_EQ(a.*f.flag, b.*f.flag) << what << "." << f.name; break;
        case FieldType::Byte: EXPECT_EQ(a.*f.byte, b.*f.byte) << what << "." << f.name; break;
        case FieldType::Extension:
        case FieldType::ShortText: EXPECT_EQ(a.*f.text, b.*f.text) << what << "." << f.name; break;
        case FieldType::Int64AsI32: break;
        }
    }
}

class RoundTripTest : public ::testing::TestWithParam<uint32_t> {};

TEST_P(RoundTripTest, ReaderReturnsWhatTheWriterWrote) {
    PayloadDraft draft = RandomDraft(GetParam());
    std::vector<uint8_t> file = BuildScreensaverBytes(draft, 1000 + GetParam() % 97);
    ASSERT_FALSE(file.empty());
    MemorySource source(file);
    auto read = ReadWholePayload(source);
    ASSERT_TRUE(read.ok()) << read.message();
    const Payload& p = read.value();

    EXPECT_EQ(p.header.FileSizeAtRun, int64_t(file.size()));
    EXPECT_EQ(PayloadStart(p.header), 1000 + GetParam() % 97);
    ExpectSameFields(HeaderFields(), draft.header, p.header, "Header");
    EXPECT_EQ(p.header.Reserved, draft.header.Reserved);
    for (const StringSlot& slot : StringSlots())
        EXPECT_EQ(p.strings.*slot.member, draft.strings.*slot.member) << slot.name;
    EXPECT_EQ(p.stringBlockBytes, p.header.StringBlockSize);
    EXPECT_EQ(StringBlockStart(p.header) + p.stringBlockBytes, HeaderStart(p.header));

    ASSERT_EQ(p.images.size(), draft.images.size());
    for (std::size_t i = 0; i < p.images.size(); ++i)
        ExpectSameFields(ImageFields(), draft.images[i].record, p.images[i], "Images[" + std::to_string(i) + "]");
    ASSERT_EQ(p.melodies.size(), draft.melodies.size());
    ASSERT_EQ(p.masks.size(), draft.masks.size());
    ASSERT_EQ(p.sounds.size(), draft.sounds.size());
    for (std::size_t i = 0; i < p.masks.size(); ++i)
        EXPECT_EQ(p.masks[i].Format, draft.masks[i].record.Format);
    for (std::size_t i = 0; i < p.sounds.size(); ++i)
        EXPECT_EQ(p.sounds[i].Ext, draft.sounds[i].record.Ext);

    // Each record points at its own bytes: raw items are there verbatim, compressed ones start
    // with a zlib header.
    for (std::size_t i = 0; i < p.images.size(); ++i) {
        auto expected = *draft.images[i].content.Size();
        EXPECT_EQ(p.images[i].Size, expected);
        EXPECT_EQ(p.images[i].StoredSize > 0, draft.images[i].compressed);
        int64_t at = ItemPosition(p.header, p.images[i]);
        EXPECT_GE(at, SectionStart(p.header, kImageSection) + int64_t(p.images.size() * kImageRecordSize));
        EXPECT_LE(at + (p.images[i].StoredSize > 0 ? p.images[i].StoredSize : p.images[i].Size),
                  SectionStart(p.header, kImageSection + 1));
    }
    for (std::size_t i = 0; i < p.melodies.size(); ++i) {
        int64_t at = ItemPosition(p.header, p.melodies[i]);
        EXPECT_GE(at, SectionStart(p.header, kMelodySection) + int64_t(p.melodies.size() * kMelodyRecordSize));
        EXPECT_LE(at, StringBlockStart(p.header));
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RoundTripTest, ::testing::Range(uint32_t(1), uint32_t(41)));

// ---- where everything lies ----------------------------------------------------------------

// A payload of one compressed video and a preview picture, laid out by hand.
TEST(Layout, OneCompressedVideoAndAPreviewPicture) {
    std::vector<uint8_t> file(5000, 0x90);  // the executable in front
    const std::size_t start = file.size();
    file.resize(start + 68150, 'P');        // section 2: the preview picture
    std::array<uint8_t, kImageRecordSize> record{};
    TKelImageInfo video;
    video.Offset = 68990;
    video.Size = 1029232;
    video.StoredSize = 1020579;
    video.Ext = ".MPEG";
    record = EncodeImage(video);
    file.insert(file.end(), record.begin(), record.end());
    file.resize(file.size() + 1020579, 'Z');  // the item's stream
    ASSERT_EQ(file.size() - start, 1089569u);
    // 18 strings: a 235-byte title and 17 empty ones make a 271-byte block.
    file.push_back(235);
    file.push_back(0);
    file.insert(file.end(), 235, 'T');
    file.insert(file.end(), 34, 0);

    TKelFixedSizeInfo h;
    h.PreviewSize = 68150;
    h.ImageSectionSize = 1021419;
    h.StringBlockSize = 271;
    h.ImageCount = 1;
    h.PayloadSize = 1090070;
    auto headerBytes = EncodeHeader(h);
    file.insert(file.end(), headerBytes.begin(), headerBytes.end());
    file.insert(file.end(), kMagic.begin(), kMagic.end());

    MemorySource source(file);
    auto p = ReadWholePayload(source);
    ASSERT_TRUE(p.ok()) << p.message();
    const auto& header = p->header;
    EXPECT_EQ(PayloadStart(header), int64_t(start));
    EXPECT_EQ(SectionStart(header, kImageSection), int64_t(start + 68150));
    EXPECT_EQ(ItemPosition(header, p->images[0]), int64_t(start + 68990));
    EXPECT_EQ(StringBlockStart(header), int64_t(start + 1089569));
    EXPECT_EQ(StringBlockStart(header) + p->stringBlockBytes, HeaderStart(header));
    EXPECT_EQ(p->strings.Title, std::string(235, 'T'));
    EXPECT_EQ(KindOfExtension(p->images[0].Ext), ItemKind::Video);
}

TEST(Layout, AllStringsEmptyMakeThirtySixZeroBytes) {
    PayloadDraft draft;
    auto file = BuildScreensaverBytes(draft, 10);
    MemorySource source(file);
    auto p = ReadWholePayload(source);
    ASSERT_TRUE(p.ok());
    int64_t at = StringBlockStart(p->header);
    EXPECT_EQ(p->stringBlockBytes, 36);
    EXPECT_TRUE(std::all_of(file.begin() + at, file.begin() + at + 36, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(p->header.PayloadSize, 36 + 230);
    EXPECT_TRUE(p->images.empty());
}

TEST(Layout, MelodyOffsetsCountFromTheirOwnSection) {
    PayloadDraft draft;
    draft.preview = Content::FromBytes(std::vector<uint8_t>(100, 1));
    draft.images.push_back({{}, Content::FromBytes(std::vector<uint8_t>(50, 2)), false});
    draft.melodies.push_back({{}, Content::FromBytes(std::vector<uint8_t>(30, 3)), false});
    auto file = BuildScreensaverBytes(draft, 10);
    MemorySource source(file);
    auto p = ReadWholePayload(source);
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(p->melodies[0].Offset, int32_t(kMelodyRecordSize));
    TKelMelodyInfo atZero;
    EXPECT_EQ(ItemPosition(p->header, atZero), SectionStart(p->header, kMelodySection));
    EXPECT_NE(ItemPosition(p->header, atZero), PayloadStart(p->header));
    EXPECT_EQ(file[ItemPosition(p->header, p->melodies[0])], 3);
}

// ---- damaged files ------------------------------------------------------------------------

std::vector<uint8_t> SmallScreensaver() {
    PayloadDraft draft = RandomDraft(7, {.maxItems = 2, .maxItemBytes = 64, .maxStringBytes = 20});
    return BuildScreensaverBytes(draft, 64);
}

void PatchHeaderInt(std::vector<uint8_t>& file, std::size_t fieldOffset, int32_t value) {
    StoreI32(file, file.size() - kTrailerSize + fieldOffset, value);
}

TEST(DamagedPayload, ShorterThanTheTrailer) {
    std::vector<uint8_t> file(229, 0);
    MemorySource source(file);
    EXPECT_FALSE(ReadWholePayload(source).ok());
    std::vector<uint8_t> empty;
    MemorySource none(empty);
    EXPECT_FALSE(ReadWholePayload(none).ok());
}

TEST(DamagedPayload, MagicIsCaseSensitive) {
    auto file = SmallScreensaver();
    file[file.size() - 10] = 'v';
    MemorySource source(file);
    auto p = ReadWholePayload(source);
    ASSERT_FALSE(p.ok());
    EXPECT_NE(p.message().find("magic"), std::string::npos);
}

struct DamageRow {
    const char* name;
    std::size_t fieldOffset;
    int32_t value;
};

class DamagedHeaderTest : public ::testing::TestWithParam<DamageRow> {};

TEST_P(DamagedHeaderTest, FailsCleanlyWithoutHugeAllocations) {
    auto file = SmallScreensaver();
    PatchHeaderInt(file, GetParam().fieldOffset, GetParam().value);
    MemorySource source(file);
    auto p = ReadWholePayload(source);
    EXPECT_FALSE(p.ok());
    EXPECT_FALSE(p.ok() ? false : p.message().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Fields, DamagedHeaderTest,
    ::testing::Values(DamageRow{"PayloadSizeLargerThanTheFile", 0, 0x7FFFFFFF},
                      DamageRow{"PayloadSizeNegative", 0, -5000},
                      DamageRow{"ImageCountAbsurd", 8, 0x7FFFFFFF},
                      DamageRow{"ImageCountNegative", 8, -1},
                      DamageRow{"MelodyCountAbsurd", 12, 2000000000},
                      DamageRow{"MaskCountAbsurd", 16, 300000000},
                      DamageRow{"EnterSoundCountAbsurd", 84, 1 << 30},
                      DamageRow{"ImageSectionHuge", 28, 0x7FFFFFFF},
                      DamageRow{"FlashSectionNegative", 60, -0x7FFFFFFF}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(DamagedPayload, StringRunningPastTheHeaderStillReadsInsideTheFile) {
    // A string length that runs into the header is not checked against the block: the reader
    // only refuses what lies outside the file.
    auto file = SmallScreensaver();
    MemorySource probe(file);
    auto p = ReadWholePayload(probe);
    ASSERT_TRUE(p.ok());
    int64_t at = StringBlockStart(p->header);
    StoreU16(file, std::size_t(at), 0xFFFF);  // Title now claims 65535 bytes
    MemorySource source(file);
    auto damaged = ReadWholePayload(source);
    ASSERT_FALSE(damaged.ok());
    EXPECT_NE(damaged.message().find("Title"), std::string::npos);
}

TEST(DamagedPayload, CuttingTheFrontMovesEveryPositionWithoutReadingOutside) {
    // Positions count from the end, so a file cut at the front still finds its header; what then
    // lies before the file's start must fail, never be read. The sanitizer build checks the reads.
    auto file = SmallScreensaver();
    int failures = 0;
    for (std::size_t cut = 1; cut < file.size(); cut += 7) {
        std::vector<uint8_t> shorter(file.begin() + std::ptrdiff_t(cut), file.end());
        MemorySource source(shorter);
        failures += ReadWholePayload(source).ok() ? 0 : 1;
    }
    EXPECT_GT(failures, 0);
}

} // namespace
} // namespace vorlandite::payload

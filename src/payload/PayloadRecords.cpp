#include "payload/PayloadRecords.h"

#include "base/AsciiCase.h"
#include "base/ByteOrder.h"

#include <algorithm>
#include <cstring>

namespace vorlandite::payload {
namespace {

using H = TKelFixedSizeInfo;
using I = TKelImageInfo;
using M = TKelMelodyInfo;
using K = TKelMaskInfo;
using S = TKelSoundInfo;

template <class R>
constexpr Field<R> Int(std::string_view name, std::size_t offset, int32_t R::*member) {
    return {name, offset, FieldType::Int32, 0, member, nullptr, nullptr, nullptr, nullptr};
}
template <class R>
constexpr Field<R> Flag(std::string_view name, std::size_t offset, bool R::*member) {
    return {name, offset, FieldType::Flag, 0, nullptr, member, nullptr, nullptr, nullptr};
}
template <class R>
constexpr Field<R> Ext(std::string_view name, std::size_t offset, std::string R::*member) {
    return {name, offset, FieldType::Extension, kExtensionRoom, nullptr, nullptr, member, nullptr, nullptr};
}
template <class R>
constexpr Field<R> Text(std::string_view name, std::size_t offset, std::size_t room,
                        std::string R::*member) {
    return {name, offset, FieldType::ShortText, room, nullptr, nullptr, member, nullptr, nullptr};
}

constexpr Field<H> kHeaderFields[] = {
    Int<H>("PayloadSize", 0, &H::PayloadSize),
    {"FileSizeAtRun", 4, FieldType::Int64AsI32, 0, nullptr, nullptr, nullptr, nullptr, &H::FileSizeAtRun},
    Int<H>("ImageCount", 8, &H::ImageCount),
    Int<H>("MelodyCount", 12, &H::MelodyCount),
    Int<H>("MaskCount", 16, &H::MaskCount),
    Int<H>("Seconds", 20, &H::Seconds),
    Int<H>("DisplayOrder", 24, &H::DisplayOrder),
    Int<H>("ImageSectionSize", 28, &H::ImageSectionSize),
    Int<H>("BackgroundStoredSize", 32, &H::BackgroundStoredSize),
    Int<H>("BackgroundSize", 36, &H::BackgroundSize),
    Int<H>("MaskSectionSize", 40, &H::MaskSectionSize),
    Int<H>("PreviewSize", 44, &H::PreviewSize),
    Int<H>("MelodySectionSize", 48, &H::MelodySectionSize),
    Int<H>("StringBlockSize", 52, &H::StringBlockSize),
    Int<H>("ConfigBannerSize", 56, &H::ConfigBannerSize),
    Int<H>("FlashPlayerSize", 60, &H::FlashPlayerSize),
    Int<H>("ExitBannerStoredSize", 64, &H::ExitBannerStoredSize),
    Int<H>("ExitBannerSize", 68, &H::ExitBannerSize),
    Int<H>("LogoSize", 72, &H::LogoSize),
    Int<H>("LogoStoredSize", 76, &H::LogoStoredSize),
    Int<H>("EnterSoundSectionSize", 80, &H::EnterSoundSectionSize),
    Int<H>("EnterSoundCount", 84, &H::EnterSoundCount),
    Int<H>("BackgroundColor", 88, &H::BackgroundColor),
    Int<H>("BackgroundColor2", 92, &H::BackgroundColor2),
    Int<H>("GradientStyle", 96, &H::GradientStyle),
    Int<H>("BackgroundPictureMode", 100, &H::BackgroundPictureMode),
    Flag<H>("DesktopBackground", 104, &H::DesktopBackground),
    Flag<H>("RandomColors", 105, &H::RandomColors),
    Flag<H>("RandomGradient", 106, &H::RandomGradient),
    Flag<H>("RepaintBackground", 107, &H::RepaintBackground),
    Int<H>("Stretch", 108, &H::Stretch),
    Flag<H>("Loop", 112, &H::Loop),
    Flag<H>("Mute", 113, &H::Mute),
    Flag<H>("ShuffleMelody", 114, &H::ShuffleMelody),
    Flag<H>("DesktopStart", 115, &H::DesktopStart),
    Flag<H>("FirstItemAtStart", 116, &H::FirstItemAtStart),
    Flag<H>("MuteVideo", 117, &H::MuteVideo),
    Flag<H>("AllowCustomPlaylist", 118, &H::AllowCustomPlaylist),
    Flag<H>("PlayOneRandom", 119, &H::PlayOneRandom),
    Flag<H>("ExitMouseMove", 120, &H::ExitMouseMove),
    Flag<H>("ExitMouseButton", 121, &H::ExitMouseButton),
    Flag<H>("ExitKeyboard", 122, &H::ExitKeyboard),
    Flag<H>("ExitESC", 123, &H::ExitESC),
    Flag<H>("HideGeneralTab", 124, &H::HideGeneralTab),
    Flag<H>("HidePositionTab", 125, &H::HidePositionTab),
    Flag<H>("HideEffectsTab", 126, &H::HideEffectsTab),
    Flag<H>("HideSoundTab", 127, &H::HideSoundTab),
    Flag<H>("HideBehaviorTab", 128, &H::HideBehaviorTab),
    Int<H>("EffectSpeed", 132, &H::EffectSpeed),
    Ext<H>("BackgroundExt", 136, &H::BackgroundExt),
    Ext<H>("ExitBannerExt", 141, &H::ExitBannerExt),
    Ext<H>("LogoExt", 146, &H::LogoExt),
    Int<H>("LogoPosition", 200, &H::LogoPosition),
    Int<H>("LogoMarginX", 204, &H::LogoMarginX),
    Int<H>("LogoMarginY", 208, &H::LogoMarginY),
    Int<H>("LogoTransparentColor", 212, &H::LogoTransparentColor),
    Flag<H>("RunAsProgram", 216, &H::RunAsProgram),
};
constexpr std::size_t kHeaderReservedOffset = 151;

constexpr Field<I> kImageFields[] = {
    Int<I>("Offset", 0, &I::Offset),
    Int<I>("Size", 4, &I::Size),
    Int<I>("StoredSize", 8, &I::StoredSize),
    Ext<I>("Ext", 12, &I::Ext),
    Int<I>("TextPosition", 20, &I::TextPosition),
    Int<I>("TextColor", 24, &I::TextColor),
    Int<I>("TextMarginX", 28, &I::TextMarginX),
    Int<I>("TextMarginY", 32, &I::TextMarginY),
    Int<I>("TextBackColor", 36, &I::TextBackColor),
    Text<I>("TextFontName", 40, kTextRoom, &I::TextFontName),
    Int<I>("TextStyle", 292, &I::TextStyle),
    Int<I>("TextSize", 296, &I::TextSize),
    Text<I>("Text", 300, kTextRoom, &I::Text),
    Int<I>("TextTransparent", 552, &I::TextTransparent),
    Int<I>("TextMultiLine", 556, &I::TextMultiLine),
    Int<I>("TextShadow", 560, &I::TextShadow),
    Int<I>("Duration", 564, &I::Duration),
    Int<I>("Stretch", 568, &I::Stretch),
    Int<I>("MaskIndex", 572, &I::MaskIndex),
    Int<I>("EnterSoundIndex", 576, &I::EnterSoundIndex),
    Int<I>("ImageFilter", 580, &I::ImageFilter),
    Text<I>("Effect", 584, kTextRoom, &I::Effect),
    Int<I>("ItemEffectSpeed", 836, &I::ItemEffectSpeed),
};

constexpr Field<M> kMelodyFields[] = {
    Int<M>("Offset", 0, &M::Offset),
    Int<M>("Size", 4, &M::Size),
    Int<M>("StoredSize", 8, &M::StoredSize),
    Ext<M>("Ext", 12, &M::Ext),
};

constexpr Field<K> kMaskFields[] = {
    Int<K>("Offset", 0, &K::Offset),
    Int<K>("Size", 4, &K::Size),
    Int<K>("StoredSize", 8, &K::StoredSize),
    {"Format", 12, FieldType::Byte, 0, nullptr, nullptr, nullptr, &K::Format, nullptr},
};

constexpr Field<S> kSoundFields[] = {
    Int<S>("Offset", 0, &S::Offset),
    Int<S>("Size", 4, &S::Size),
    Int<S>("StoredSize", 8, &S::StoredSize),
    Text<S>("Ext", 12, kSoundExtRoom, &S::Ext),
};

using V = TKelVarSizeInfo;
constexpr StringSlot kStringSlots[kStringCount] = {
    {"Title", &V::Title},           {"Notice", &V::Notice},
    {"WebAddress", &V::WebAddress}, {"Reserved4", &V::Reserved4},
    {"Reserved5", &V::Reserved5},   {"Reserved6", &V::Reserved6},
    {"Reserved7", &V::Reserved7},   {"Reserved8", &V::Reserved8},
    {"Reserved9", &V::Reserved9},   {"Reserved10", &V::Reserved10},
    {"F1Link", &V::F1Link},         {"ExitLink", &V::ExitLink},
    {"BannerLink", &V::BannerLink}, {"ExitBannerLink", &V::ExitBannerLink},
    {"Reserved15", &V::Reserved15}, {"Reserved16", &V::Reserved16},
    {"EffectList", &V::EffectList}, {"Translation", &V::Translation},
};

// Kept out of line: inlined per record type, GCC 12 mistakes the unused text branches of the
// mask record for out-of-bounds writes (-Warray-bounds).
template <class R>
[[gnu::noinline]] void DecodeFields(std::span<const Field<R>> fields, std::span<const uint8_t> bytes, R& record) {
    for (const auto& f : fields) {
        switch (f.type) {
        case FieldType::Int32:
            record.*f.i32 = LoadI32(bytes, f.offset);
            break;
        case FieldType::Int64AsI32:
            record.*f.i64 = LoadI32(bytes, f.offset);
            break;
        case FieldType::Flag:
            record.*f.flag = bytes[f.offset] != 0;
            break;
        case FieldType::Byte:
            record.*f.byte = bytes[f.offset];
            break;
        case FieldType::Extension: {
            const char* p = reinterpret_cast<const char*>(bytes.data() + f.offset);
            std::size_t n = 0;
            while (n < f.room && p[n] != '\0')
                ++n;
            record.*f.text = std::string(p, n);
            break;
        }
        case FieldType::ShortText: {
            std::size_t n = std::min<std::size_t>(bytes[f.offset], f.room);
            const char* p = reinterpret_cast<const char*>(bytes.data() + f.offset + 1);
            record.*f.text = std::string(p, n);
            break;
        }
        }
    }
}

template <class R>
[[gnu::noinline]] void EncodeFields(std::span<const Field<R>> fields, const R& record, std::span<uint8_t> bytes) {
    for (const auto& f : fields) {
        switch (f.type) {
        case FieldType::Int32:
            StoreI32(bytes, f.offset, record.*f.i32);
            break;
        case FieldType::Int64AsI32:
            // Always 0 in the file: the engine sets it from the file it runs from.
            StoreI32(bytes, f.offset, 0);
            break;
        case FieldType::Flag:
            bytes[f.offset] = record.*f.flag ? 1 : 0;
            break;
        case FieldType::Byte:
            bytes[f.offset] = record.*f.byte;
            break;
        case FieldType::Extension: {
            const std::string& s = record.*f.text;
            std::memcpy(bytes.data() + f.offset, s.data(), std::min(s.size(), f.room));
            break;
        }
        case FieldType::ShortText: {
            const std::string& s = record.*f.text;
            std::size_t n = std::min(s.size(), f.room);
            bytes[f.offset] = static_cast<uint8_t>(n);
            std::memcpy(bytes.data() + f.offset + 1, s.data(), n);
            break;
        }
        }
    }
}

template <class R, std::size_t N>
R Decode(std::span<const Field<R>> fields, std::span<const uint8_t, N> bytes) {
    R record{};
    DecodeFields(fields, bytes, record);
    return record;
}

template <class R, std::size_t N>
std::array<uint8_t, N> Encode(std::span<const Field<R>> fields, const R& record) {
    std::array<uint8_t, N> bytes{};
    EncodeFields(fields, record, std::span<uint8_t>(bytes));
    return bytes;
}

} // namespace

std::span<const Field<TKelFixedSizeInfo>> HeaderFields() { return kHeaderFields; }
std::span<const Field<TKelImageInfo>> ImageFields() { return kImageFields; }
std::span<const Field<TKelMelodyInfo>> MelodyFields() { return kMelodyFields; }
std::span<const Field<TKelMaskInfo>> MaskFields() { return kMaskFields; }
std::span<const Field<TKelSoundInfo>> SoundFields() { return kSoundFields; }
std::span<const StringSlot, kStringCount> StringSlots() { return std::span<const StringSlot, kStringCount>(kStringSlots); }

TKelFixedSizeInfo DecodeHeader(std::span<const uint8_t, kHeaderSize> bytes) {
    auto header = Decode<TKelFixedSizeInfo, kHeaderSize>(HeaderFields(), bytes);
    std::memcpy(header.Reserved.data(), bytes.data() + kHeaderReservedOffset, header.Reserved.size());
    return header;
}

std::array<uint8_t, kHeaderSize> EncodeHeader(const TKelFixedSizeInfo& header) {
    auto bytes = Encode<TKelFixedSizeInfo, kHeaderSize>(HeaderFields(), header);
    std::memcpy(bytes.data() + kHeaderReservedOffset, header.Reserved.data(), header.Reserved.size());
    return bytes;
}

TKelImageInfo DecodeImage(std::span<const uint8_t, kImageRecordSize> bytes) {
    return Decode<TKelImageInfo, kImageRecordSize>(ImageFields(), bytes);
}
std::array<uint8_t, kImageRecordSize> EncodeImage(const TKelImageInfo& record) {
    return Encode<TKelImageInfo, kImageRecordSize>(ImageFields(), record);
}
TKelMelodyInfo DecodeMelody(std::span<const uint8_t, kMelodyRecordSize> bytes) {
    return Decode<TKelMelodyInfo, kMelodyRecordSize>(MelodyFields(), bytes);
}
std::array<uint8_t, kMelodyRecordSize> EncodeMelody(const TKelMelodyInfo& record) {
    return Encode<TKelMelodyInfo, kMelodyRecordSize>(MelodyFields(), record);
}
TKelMaskInfo DecodeMask(std::span<const uint8_t, kMaskRecordSize> bytes) {
    return Decode<TKelMaskInfo, kMaskRecordSize>(MaskFields(), bytes);
}
std::array<uint8_t, kMaskRecordSize> EncodeMask(const TKelMaskInfo& record) {
    return Encode<TKelMaskInfo, kMaskRecordSize>(MaskFields(), record);
}
TKelSoundInfo DecodeSound(std::span<const uint8_t, kSoundRecordSize> bytes) {
    return Decode<TKelSoundInfo, kSoundRecordSize>(SoundFields(), bytes);
}
std::array<uint8_t, kSoundRecordSize> EncodeSound(const TKelSoundInfo& record) {
    return Encode<TKelSoundInfo, kSoundRecordSize>(SoundFields(), record);
}

ItemKind KindOfExtension(std::string_view ext) {
    for (std::string_view flash : {".SWF", ".FLA"})
        if (EqualsIgnoreCase(ext, flash))
            return ItemKind::Flash;
    for (std::string_view video : {".ASF", ".WMV", ".AVI", ".MPEG", ".MPG"})
        if (EqualsIgnoreCase(ext, video))
            return ItemKind::Video;
    if (EqualsIgnoreCase(ext, ".GIF"))
        return ItemKind::Gif;
    return ItemKind::Picture;
}

std::string_view ItemKindName(ItemKind kind) {
    switch (kind) {
    case ItemKind::Picture: return "picture";
    case ItemKind::Gif: return "gif";
    case ItemKind::Video: return "video";
    case ItemKind::Flash: return "flash";
    }
    return "picture";
}

} // namespace vorlandite::payload

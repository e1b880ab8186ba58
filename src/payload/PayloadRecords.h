#pragma once
// The records of the payload that closes every screensaver file.
//
// Each record is a plain struct in memory and is read from / written to its fixed byte layout
// field by field (little-endian), driven by one table per record type. The same tables feed
// the CLI's JSON, so a field is declared exactly once: name, offset, type, member.
//
// After start-up the header record is also the live settings record: the user's stored settings
// are written over its fields, and every subsystem reads the current value from there.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vorlandite::payload {

// Colour value meaning "no colour" (LogoTransparentColor and the caption colours).
inline constexpr int32_t kNoColor = 0x1FFFFFFF;

inline constexpr std::size_t kHeaderSize = 220;
inline constexpr std::size_t kMagicSize = 10;
inline constexpr std::size_t kTrailerSize = kHeaderSize + kMagicSize;
inline constexpr std::string_view kMagic = "Vorlandite";

inline constexpr std::size_t kImageRecordSize = 840;
inline constexpr std::size_t kMelodyRecordSize = 840;
inline constexpr std::size_t kMaskRecordSize = 16;
inline constexpr std::size_t kSoundRecordSize = 20;

inline constexpr std::size_t kExtensionRoom = 5;   // extension fields: up to 5 bytes, NUL padded
inline constexpr std::size_t kTextRoom = 251;      // short texts of the display-item record
inline constexpr std::size_t kSoundExtRoom = 7;    // the enter-sound record's short-text extension
inline constexpr std::size_t kStringCount = 18;

// Header record `TKelFixedSizeInfo` (220 bytes). FileSizeAtRun is 0 in the file and holds the
// size of the file once read; it is kept 64-bit in memory so no file size is ever cut short.
struct TKelFixedSizeInfo {
    int32_t PayloadSize = 0;
    int64_t FileSizeAtRun = 0;
    int32_t ImageCount = 0;
    int32_t MelodyCount = 0;
    int32_t MaskCount = 0;
    int32_t Seconds = 0;
    int32_t DisplayOrder = 0;
    int32_t ImageSectionSize = 0;
    int32_t BackgroundStoredSize = 0;
    int32_t BackgroundSize = 0;
    int32_t MaskSectionSize = 0;
    int32_t PreviewSize = 0;
    int32_t MelodySectionSize = 0;
    int32_t StringBlockSize = 0;
    int32_t ConfigBannerSize = 0;
    int32_t FlashPlayerSize = 0;
    int32_t ExitBannerStoredSize = 0;
    int32_t ExitBannerSize = 0;
    int32_t LogoSize = 0;
    int32_t LogoStoredSize = 0;
    int32_t EnterSoundSectionSize = 0;
    int32_t EnterSoundCount = 0;
    int32_t BackgroundColor = 0;
    int32_t BackgroundColor2 = 0;
    int32_t GradientStyle = 0;
    int32_t BackgroundPictureMode = 0;
    bool DesktopBackground = false;
    bool RandomColors = false;
    bool RandomGradient = false;
    bool RepaintBackground = false;
    int32_t Stretch = 0;
    bool Loop = false;
    bool Mute = false;
    bool ShuffleMelody = false;
    bool DesktopStart = false;
    bool FirstItemAtStart = false;
    bool MuteVideo = false;
    bool AllowCustomPlaylist = false;
    bool PlayOneRandom = false;
    bool ExitMouseMove = false;
    bool ExitMouseButton = false;
    bool ExitKeyboard = false;
    bool ExitESC = false;
    bool HideGeneralTab = false;
    bool HidePositionTab = false;
    bool HideEffectsTab = false;
    bool HideSoundTab = false;
    bool HideBehaviorTab = false;
    int32_t EffectSpeed = 0;
    std::string BackgroundExt;
    std::string ExitBannerExt;
    std::string LogoExt;
    std::array<uint8_t, 49> Reserved{};  // written by the authoring tool, never interpreted
    int32_t LogoPosition = 0;
    int32_t LogoMarginX = 0;
    int32_t LogoMarginY = 0;
    int32_t LogoTransparentColor = kNoColor;
    bool RunAsProgram = false;
};

// The 18 payload strings `TKelVarSizeInfo`, 8-bit Windows-1252 bytes as stored.
struct TKelVarSizeInfo {
    std::string Title, Notice, WebAddress;
    std::string Reserved4, Reserved5, Reserved6, Reserved7, Reserved8, Reserved9, Reserved10;
    std::string F1Link, ExitLink, BannerLink, ExitBannerLink;
    std::string Reserved15, Reserved16;
    std::string EffectList, Translation;
};

// Display item: picture, animated GIF, video or Flash movie (840 bytes).
struct TKelImageInfo {
    int32_t Offset = 0;      // from the payload start
    int32_t Size = 0;        // extracted length
    int32_t StoredSize = 0;  // compressed length; 0 = stored raw
    std::string Ext;
    int32_t TextPosition = 0;
    int32_t TextColor = 0;
    int32_t TextMarginX = 0;
    int32_t TextMarginY = 0;
    int32_t TextBackColor = 0;
    std::string TextFontName;
    int32_t TextStyle = 0;
    int32_t TextSize = 0;
    std::string Text;
    int32_t TextTransparent = 0;
    int32_t TextMultiLine = 0;
    int32_t TextShadow = 0;
    int32_t Duration = 0;
    int32_t Stretch = -1;
    int32_t MaskIndex = -1;
    int32_t EnterSoundIndex = -1;
    int32_t ImageFilter = 0;
    std::string Effect;
    int32_t ItemEffectSpeed = -1;
};

struct TKelMelodyInfo {
    int32_t Offset = 0;  // from the start of the melody section, not the payload start
    int32_t Size = 0;
    int32_t StoredSize = 0;
    std::string Ext;
};

struct TKelMaskInfo {
    int32_t Offset = 0;
    int32_t Size = 0;
    int32_t StoredSize = 0;
    uint8_t Format = 0;  // 0 BMP, 1 PNG, any other value GIF
};

struct TKelSoundInfo {
    int32_t Offset = 0;
    int32_t Size = 0;
    int32_t StoredSize = 0;
    std::string Ext;  // short text of 7 bytes' room, dot included
};

// ---- field tables -------------------------------------------------------------------------

enum class FieldType : uint8_t {
    Int32,      // 4 bytes, little-endian two's complement
    Flag,       // 1 byte, 0 = false, anything else = true
    Byte,       // 1 byte, unsigned value
    Extension,  // `room` bytes, NUL padded, text ends at the first NUL
    ShortText,  // length byte + `room` bytes
    Int64AsI32, // FileSizeAtRun: 64-bit in memory, int32 in the file
};

template <class R>
struct Field {
    std::string_view name;
    std::size_t offset;
    FieldType type;
    std::size_t room = 0;
    int32_t R::*i32 = nullptr;
    bool R::*flag = nullptr;
    std::string R::*text = nullptr;
    uint8_t R::*byte = nullptr;
    int64_t R::*i64 = nullptr;
};

std::span<const Field<TKelFixedSizeInfo>> HeaderFields();
std::span<const Field<TKelImageInfo>> ImageFields();
std::span<const Field<TKelMelodyInfo>> MelodyFields();
std::span<const Field<TKelMaskInfo>> MaskFields();
std::span<const Field<TKelSoundInfo>> SoundFields();

struct StringSlot {
    std::string_view name;
    std::string TKelVarSizeInfo::*member;
};
// The 18 strings in file order.
std::span<const StringSlot, kStringCount> StringSlots();

// ---- byte codecs --------------------------------------------------------------------------
// Decoders take exactly the record's size in bytes; encoders fill a zeroed buffer of that size.
// Texts longer than their room are cut by the encoders; the writer refuses them before.

TKelFixedSizeInfo DecodeHeader(std::span<const uint8_t, kHeaderSize> bytes);
std::array<uint8_t, kHeaderSize> EncodeHeader(const TKelFixedSizeInfo& header);

TKelImageInfo DecodeImage(std::span<const uint8_t, kImageRecordSize> bytes);
std::array<uint8_t, kImageRecordSize> EncodeImage(const TKelImageInfo& record);

TKelMelodyInfo DecodeMelody(std::span<const uint8_t, kMelodyRecordSize> bytes);
std::array<uint8_t, kMelodyRecordSize> EncodeMelody(const TKelMelodyInfo& record);

TKelMaskInfo DecodeMask(std::span<const uint8_t, kMaskRecordSize> bytes);
std::array<uint8_t, kMaskRecordSize> EncodeMask(const TKelMaskInfo& record);

TKelSoundInfo DecodeSound(std::span<const uint8_t, kSoundRecordSize> bytes);
std::array<uint8_t, kSoundRecordSize> EncodeSound(const TKelSoundInfo& record);

// ---- item kinds ---------------------------------------------------------------------------

enum class ItemKind { Picture, Gif, Video, Flash };

// The kind of a display item follows from its extension, compared without regard to case.
ItemKind KindOfExtension(std::string_view ext);
std::string_view ItemKindName(ItemKind kind);  // "picture", "gif", "video", "flash"


} // namespace vorlandite::payload

#pragma once
// Where everything lies, computed afresh from the end of the file: the payload starts
// PayloadSize bytes before the end, sections 1 to 10 follow back to back, then the string
// block, the header and the magic. All arithmetic is 64-bit, so no sum of int32 sizes wraps.

#include "payload/PayloadRecords.h"

#include <cstdint>

namespace vorlandite::payload {

inline constexpr int kSectionCount = 10;

// Section numbers as the file orders them.
enum Section : int {
    kFlashPlayerSection = 1,
    kPreviewSection = 2,
    kConfigBannerSection = 3,
    kExitBannerSection = 4,
    kLogoSection = 5,
    kImageSection = 6,
    kMaskSection = 7,
    kEnterSoundSection = 8,
    kBackgroundSection = 9,
    kMelodySection = 10,
};

int64_t PayloadStart(const TKelFixedSizeInfo& header);
int64_t SectionSize(const TKelFixedSizeInfo& header, int section);
int64_t SectionStart(const TKelFixedSizeInfo& header, int section);
int64_t StringBlockStart(const TKelFixedSizeInfo& header);
int64_t HeaderStart(const TKelFixedSizeInfo& header);

// Absolute file position of an item's stored bytes (`ItemPosition`): display items, masks and
// enter sounds count from the payload start, melodies from the start of their own section.
int64_t ItemPosition(const TKelFixedSizeInfo& header, const TKelImageInfo& record);
int64_t ItemPosition(const TKelFixedSizeInfo& header, const TKelMaskInfo& record);
int64_t ItemPosition(const TKelFixedSizeInfo& header, const TKelSoundInfo& record);
int64_t ItemPosition(const TKelFixedSizeInfo& header, const TKelMelodyInfo& record);

} // namespace vorlandite::payload

#include "payload/PayloadLayout.h"

namespace vorlandite::payload {

int64_t PayloadStart(const TKelFixedSizeInfo& header) {
    return header.FileSizeAtRun - int64_t(header.PayloadSize);
}

int64_t SectionSize(const TKelFixedSizeInfo& h, int section) {
    switch (section) {
    case kFlashPlayerSection: return h.FlashPlayerSize;
    case kPreviewSection: return h.PreviewSize;
    case kConfigBannerSection: return h.ConfigBannerSize;
    case kExitBannerSection: return h.ExitBannerStoredSize;
    case kLogoSection: return h.LogoStoredSize;
    case kImageSection: return h.ImageSectionSize;
    case kMaskSection: return h.MaskSectionSize;
    case kEnterSoundSection: return h.EnterSoundSectionSize;
    case kBackgroundSection: return h.BackgroundStoredSize;
    case kMelodySection: return h.MelodySectionSize;
    default: return 0;
    }
}

int64_t SectionStart(const TKelFixedSizeInfo& header, int section) {
    int64_t position = PayloadStart(header);
    for (int k = 1; k < section && k <= kSectionCount; ++k)
        position += SectionSize(header, k);
    return position;
}

int64_t StringBlockStart(const TKelFixedSizeInfo& header) { return SectionStart(header, kSectionCount + 1); }

int64_t HeaderStart(const TKelFixedSizeInfo& header) { return header.FileSizeAtRun - int64_t(kTrailerSize); }

int64_t ItemPosition(const TKelFixedSizeInfo& h, const TKelImageInfo& r) { return PayloadStart(h) + r.Offset; }
int64_t ItemPosition(const TKelFixedSizeInfo& h, const TKelMaskInfo& r) { return PayloadStart(h) + r.Offset; }
int64_t ItemPosition(const TKelFixedSizeInfo& h, const TKelSoundInfo& r) { return PayloadStart(h) + r.Offset; }
int64_t ItemPosition(const TKelFixedSizeInfo& h, const TKelMelodyInfo& r) {
    return SectionStart(h, kMelodySection) + r.Offset;
}

} // namespace vorlandite::payload

#include "transitions/EffectPreview.h"

#include "raster/GradientFill.h"
#include "transitions/EffectCatalog.h"

namespace vorlandite::transitions {

raster::TBitmap32 MakePreviewSample(int which) {
    raster::TBitmap32 picture = raster::TBitmap32::Create(kPreviewWidth, kPreviewHeight).value();
    const raster::Rect all{0, 0, kPreviewWidth, kPreviewHeight};
    if (which == 1) {
        // Warm sky over a dark hill.
        raster::GradientFill(picture, 1, 0x0040A0FF, 0x00FFE0A0, all);
        for (int y = 0; y < kPreviewHeight; ++y)
            for (int x = 0; x < kPreviewWidth; ++x) {
                const int dx = x - kPreviewWidth / 2;
                if (y > kPreviewHeight - 30 + dx * dx / 120)
                    picture.SetPixel(x, y, 0xFF205020u);
            }
    } else {
        // Cool circles on a blue diagonal gradient.
        raster::GradientFill(picture, 8, 0x00602000, 0x00F0C080, all);
        for (int y = 0; y < kPreviewHeight; ++y)
            for (int x = 0; x < kPreviewWidth; ++x) {
                const int dx = x - 40, dy = y - 45;
                const int d2 = dx * dx + dy * dy;
                if (d2 < 26 * 26 && d2 > 18 * 18)
                    picture.SetPixel(x, y, 0xFFFFFFFFu);
            }
    }
    return picture;
}

EffectPreview::EffectPreview(TransitionEngine& engine, ITransitionPresenter& target)
    : engine_(engine), target_(target), sample1_(MakePreviewSample(1)), sample2_(MakePreviewSample(2)) {}

void EffectPreview::Prepare() { target_.CopyNow(sample2_, {0, 0, kPreviewWidth, kPreviewHeight}); }

void EffectPreview::lbEffectsClick() {
    // The running preview ends at its next frame and still shows its target picture completely.
    engine_.TransitionAbort = true;
    previewPending_ = true;
}

int EffectPreview::tmrPreviewTransTimer(int highlightedIndex) {
    if (engine_.TransitionRunning || !previewPending_)
        return 0;
    // A pending request waits for a highlighted row. An index past the list names no effect
    // either, and would otherwise reach the engine as "any effect".
    if (highlightedIndex < 0 || highlightedIndex >= kEffectCount)
        return 0;
    previewPending_ = false;
    const int effect = highlightedIndex + 1;
    engine_.StartTransition(target_, previewToggle_ ? sample2_ : sample1_, effect, kPreviewSteps,
                            kPreviewFramePeriodMs);
    previewToggle_ = !previewToggle_;
    return effect;
}

} // namespace vorlandite::transitions

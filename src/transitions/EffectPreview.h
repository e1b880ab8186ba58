#pragma once
// The effect preview of the configuration panel: the highlighted effect of the effect list plays
// once on a small picture, changing between two sample pictures in turn.
//
// Clicks on the list and transitions are kept apart by a 200 ms polling timer: a click only stops
// a running preview (at its next frame, showing its target picture completely) and leaves a
// request pending; the next tick that finds no transition running starts the preview of whatever
// item is highlighted then. Several clicks during one preview therefore give one further preview.
// The owner calls the two handlers on the engine's owner thread and drives the timer itself.

#include "raster/TBitmap32.h"
#include "transitions/TransitionEngine.h"
#include "transitions/TransitionPresenter.h"

namespace vorlandite::transitions {

inline constexpr int kPreviewWidth = 119;
inline constexpr int kPreviewHeight = 95;
inline constexpr int kPreviewTimerMs = 200;
inline constexpr int kPreviewSteps = 32;
inline constexpr int kPreviewFramePeriodMs = 10;

// The two sample pictures (which 1 or 2), kPreviewWidth x kPreviewHeight, drawn by the project's
// own raster code; they differ at every pixel so that each step of an effect shows.
raster::TBitmap32 MakePreviewSample(int which);

class EffectPreview {
public:
    // The engine must be one the preview may use alone: its TransitionRunning decides the start.
    EffectPreview(TransitionEngine& engine, ITransitionPresenter& target);

    // Panel preparation: the target shows the second sample picture.
    void Prepare();

    // Any click on the effect list: stop a running preview, ask for a new one.
    void lbEffectsClick();

    // One tick of the timer. highlightedIndex is the list's current row, -1 for none. Returns
    // the effect started (1 to 120), 0 when nothing started.
    int tmrPreviewTransTimer(int highlightedIndex);

    bool PreviewPending() const { return previewPending_; }
    // False: the next preview changes to the first sample picture; true: to the second.
    bool PreviewToggle() const { return previewToggle_; }

private:
    TransitionEngine& engine_;
    ITransitionPresenter& target_;
    raster::TBitmap32 sample1_;
    raster::TBitmap32 sample2_;
    bool previewPending_ = false;
    bool previewToggle_ = false;
};

} // namespace vorlandite::transitions

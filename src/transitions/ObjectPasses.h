#pragma once
// Passes: one frame's worth of work over a family's moving objects. A pass steps every object
// once, in creation order, and presents what each produced through the thread. It returns true
// while at least one (counted) object still had steps left, which keeps the family's frame loop
// going. Spent objects keep their last rectangles, and every later pass presents them again.
//
// A family's frame loop around a pass:
//
//     for (;;) {
//         thread.BeginFrame();
//         if (!RunSlidePass(thread, slides, bands) || thread.Aborted())
//             break;
//         thread.WaitFramePeriod();
//     }

#include "transitions/TFold.h"
#include "transitions/TSlide.h"
#include "transitions/TTransThread.h"
#include "transitions/TZoom.h"

#include <span>

namespace vorlandite::transitions {

// Slides, then bands. A slide is presented (from OLD when its surface is the thread's OLD, else
// from NEW) unless its source rectangle has left, top and right all 0, which is how a slide
// outside its window shows; a band likewise unless its rectangle has them all 0. Result: OR of
// every step result.
bool RunSlidePass(TTransThread& thread, std::span<TSlide> slides, std::span<TFold> bands = {});

// Bands: each band's rectangle is presented from NEW, also when empty. Result: OR of the steps.
bool RunBandPass(TTransThread& thread, std::span<TFold> bands);

// Zooms: each zoom's source rectangle of its surface is stretched (pixel replication) into WORK's
// destination rectangle, which is then presented from WORK. Result: OR of the steps.
bool RunZoomPass(TTransThread& thread, std::span<TZoom> zooms);

// Bands as in the band pass, then soft bands: OLD's rectangle is copied into WORK, the fade
// surface is blended over it (source-over by its alpha, its top-left corner at the rectangle's
// top-left, also when the band was clipped at the left or top edge), and the rectangle is
// presented from WORK. Result: OR of the plain bands' steps only.
bool RunFadeBandPass(TTransThread& thread, std::span<TFold> bands, std::span<TFoldFade> softBands);

} // namespace vorlandite::transitions

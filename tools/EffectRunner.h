#pragma once
// Runs one transition effect the way the recording commands need it: the real engine and its
// worker thread, a virtual clock that never waits, a seeded generator and a recording presenter
// whose frames go to a sink.

#include "base/Result.h"
#include "raster/TBitmap32.h"

#include <cstdint>
#include <functional>

namespace vorlandite::tools {

struct EffectRun {
    int effect = 0;            // the effect the worker ran (1 to 120), 0 when none ran
    int frames = 0;            // frames handed to the sink
    raster::TBitmap32 final;   // the target after the closing copy
};

// Gets the target after every frame (index counts from 0). A failure stops the run: no point in
// computing frames nobody will see.
using EffectFrameSink = std::function<Status(int index, const raster::TBitmap32& canvas)>;

// Changes oldPicture into newPicture (same size) by the effect with the step count and frame
// period. Returns the sink's first failure, if any.
Result<EffectRun> RunEffectRecorded(raster::TBitmap32 oldPicture, const raster::TBitmap32& newPicture, int effect,
                                    int steps, int framePeriodMs, uint32_t seed, const EffectFrameSink& sink);

} // namespace vorlandite::tools

#pragma once
// Runs transitions the way `vorlandite render-effect` does: the real engine and worker thread,
// a virtual clock that never waits, a seeded generator, and a recording presenter whose frames
// are kept for inspection.

#include "raster/TBitmap32.h"
#include "transitions/RecordingPresenter.h"
#include "transitions/TransitionEngine.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vorlandite::transitions::testing {

using raster::TBitmap32;
using raster::TColor32;

// Two pictures that differ at every pixel (red 0 in the old one, 255 in the new one) and whose
// pixels tell their position apart within 256 x 256.
inline TBitmap32 OldPicture(int width, int height) {
    TBitmap32 b = TBitmap32::Create(width, height).value();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.SetPixel(x, y, 0xFF000000u | (TColor32(x & 0xFF) << 8) | TColor32(y & 0xFF));
    return b;
}

inline TBitmap32 NewPicture(int width, int height) {
    TBitmap32 b = TBitmap32::Create(width, height).value();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.SetPixel(x, y, 0xFFFF0000u | (TColor32(y & 0xFF) << 8) | TColor32(x & 0xFF));
    return b;
}

inline bool SamePixels(const TBitmap32& a, const TBitmap32& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                return false;
    return true;
}

struct RecordedRun {
    std::vector<TBitmap32> frames;  // the target after each recorded frame
    TBitmap32 final;                // the target once the transition has completed
    int frameCount = 0;
    int presentations = 0;
    int effectRun = 0;  // the effect the worker ran (1 to 120), 0 without a thread
    int completions = 0;
    bool startedThread = false;
};

class TransitionRig {
public:
    explicit TransitionRig(uint32_t seed = 1) : random(seed) {}

    VirtualTickClock clock;
    SeededRandom random;
    TaskQueue queue;
    TransitionEngine engine{clock, random, queue};

    // Frames are copied only when keepFrames is set (large pictures, many frames).
    RecordedRun Run(const TBitmap32& oldPicture, const TBitmap32& newPicture, int effect, int steps,
                    bool keepFrames = true, int periodMs = 9,
                    const std::function<void(RecordingPresenter&)>& prepare = {}) {
        RecordedRun run;
        RecordingPresenter presenter{oldPicture};
        if (keepFrames)
            presenter.SetFrameSink([&run](int, const TBitmap32& canvas) { run.frames.push_back(canvas); });
        if (prepare)
            prepare(presenter);
        TTransThread* thread = engine.StartTransition(presenter, newPicture, effect, steps, periodMs);
        if (thread) {
            run.startedThread = true;
            thread->SetCompletionHandler([&run, thread] {
                ++run.completions;
                run.effectRun = thread->Effect();
            });
        }
        RunUntilIdle(engine, queue);
        run.final = presenter.Canvas();
        run.frameCount = presenter.FrameCount();
        run.presentations = presenter.PresentationCount();
        return run;
    }
};

} // namespace vorlandite::transitions::testing

#include "EffectRunner.h"

#include "transitions/RecordingPresenter.h"
#include "transitions/TransitionEngine.h"

#include <utility>

namespace vorlandite::tools {

Result<EffectRun> RunEffectRecorded(raster::TBitmap32 oldPicture, const raster::TBitmap32& newPicture, int effect,
                                    int steps, int framePeriodMs, uint32_t seed, const EffectFrameSink& sink) {
    VirtualTickClock clock;
    SeededRandom random(seed);
    TaskQueue queue;
    transitions::TransitionEngine engine(clock, random, queue);
    transitions::RecordingPresenter presenter(std::move(oldPicture));
    Status written;
    presenter.SetFrameSink([&](int index, const raster::TBitmap32& canvas) {
        if (!written.ok())
            return;
        written = sink(index, canvas);
        if (!written.ok()) {
            engine.SkipFinalFrame = true;
            engine.TransitionAbort = true;
        }
    });

    EffectRun run;
    if (transitions::TTransThread* thread = engine.StartTransition(presenter, newPicture, effect, steps, framePeriodMs))
        thread->SetCompletionHandler([&run, thread] { run.effect = thread->Effect(); });
    transitions::RunUntilIdle(engine, queue);
    if (!written.ok())
        return MakeError(written.message());
    run.frames = presenter.FrameCount();
    run.final = std::move(presenter.Canvas());
    return run;
}

} // namespace vorlandite::tools

#include "EffectRunner.h"

#include "transitions/RecordingPresenter.h"
#include "transitions/TransitionEngine.h"

#include <utility>

namespace vorlandite::tools {

Result<TEffectRun> RunEffectRecorded(raster::TBitmap32 oldPicture, const raster::TBitmap32& newPicture, int effect,
                                     int steps, int framePeriodMs, uint32_t seed, const TEffectFrameSink& sink) {
    TVirtualTickClock clock;
    TSeededRandom random(seed);
    TTaskQueue queue;
    transitions::TTransitionEngine engine(clock, random, queue);
    transitions::TRecordingPresenter presenter(std::move(oldPicture));
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

    TEffectRun run;
    if (transitions::TTransThread* thread = engine.StartTransition(presenter, newPicture, effect, steps, framePeriodMs))
        thread->SetCompletionHandler([&run, thread] { run.Effect = thread->Effect(); });
    transitions::RunUntilIdle(engine, queue);
    if (!written.ok())
        return MakeError(written.message());
    run.Frames = presenter.FrameCount();
    run.Final = std::move(presenter.Canvas());
    return run;
}

} // namespace vorlandite::tools

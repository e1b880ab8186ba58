#include "transitions/TTransThread.h"

#include "transitions/EffectCatalog.h"
#include "transitions/TransitionEngine.h"

#include "base/TickClock.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include <sys/prctl.h>

namespace vorlandite::transitions {

std::chrono::steady_clock::time_point NextFrameDue(std::optional<std::chrono::steady_clock::time_point> previousDue,
                                                   std::chrono::steady_clock::time_point now,
                                                   std::chrono::steady_clock::duration period) {
    // On the grid when the frame before ended there: at its due time, or late by less than half
    // a period, which this frame makes up (a frame shorter than that would hardly be seen).
    const bool onGrid = previousDue && now >= *previousDue && 2 * (now - *previousDue) < period;
    return (onGrid ? *previousDue : now) + period;
}

TTransThread::TTransThread(TransitionEngine& engine, ITransitionPresenter& presenter,
                           const raster::TBitmap32& picture, int effect, int framePeriodMs)
    : engine_(engine),
      presenter_(presenter),
      effect_(effect),
      new_(picture),
      framePeriodMs_(framePeriodMs),
      width_(picture.Width()),
      height_(picture.Height()),
      onRealClock_(engine.Clock().IsRealTime() && framePeriodMs >= 1) {
    // The picture exists, so surfaces of its size can be made; only memory can run out (and
    // throws).
    old_.SetSize(width_, height_);
    presenter_.CaptureTarget(old_);
    work_.SetSize(width_, height_);
}

TTransThread::~TTransThread() { Join(); }

void TTransThread::Start() {
    worker_ = std::thread([this] {
        // A frame waits in naps of 1 ms, and every nap's overshoot adds up until the period has
        // passed: the kernel's default slack (50 us a nap) alone puts a frame half a millisecond
        // late. The worker's own sleeps are short and few, so they may be exact.
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        Run();
        engine_.WorkerEnded(this);
    });
}

void TTransThread::Join() {
    if (worker_.joinable())
        worker_.join();
}

void TTransThread::Run() {
    bool familyEnded = false;
    try {
        if (effect_ < 1 || effect_ > kEffectCount)
            effect_ = 1 + engine_.Random().Random(kEffectCount);
        SetRects({}, {});
        steps_ = engine_.TransitionSteps.load();
        // Every family divides by N; without steps there is nothing to animate, and the closing
        // copy below still leaves the new picture.
        if (steps_ > 0)
            RunFamily();
        familyEnded = true;
    } catch (...) {
        // An error ends the transition where it is; the surfaces are still freed below.
    }
    try {
        presenter_.FramesEnded();
        if (familyEnded && !engine_.SkipFinalFrame) {
            SetRects(new_.BoundsRect(), new_.BoundsRect());
            CopyFromNew();
        }
    } catch (...) {
    }
    FreeSurfaces();
    TTransThread* self = this;
    engine_.CurrentTransition.compare_exchange_strong(self, nullptr);
    engine_.TransitionRunning = false;
}

void TTransThread::RunFamily() {
    const FamilyDispatch dispatch = FamilyFor(effect_);
    if (dispatch.entry)
        dispatch.entry(*this, dispatch.subIndex);
}

void TTransThread::FreeSurfaces() {
    new_ = raster::TBitmap32();
    old_ = raster::TBitmap32();
    work_ = raster::TBitmap32();
}

void TTransThread::Present(const raster::TBitmap32& surface) {
    presenter_.Present(surface, sourceRect_, destinationRect_);
}

void TTransThread::CopyFromNew() { Present(new_); }
void TTransThread::CopyFromOld() { Present(old_); }
void TTransThread::CopyFromWork() { Present(work_); }

void TTransThread::BeginFrame() {
    frameStartTick_ = engine_.Clock().TickMs();
    if (onRealClock_)
        frameDue_ =
            NextFrameDue(frameDue_, std::chrono::steady_clock::now(), std::chrono::milliseconds(framePeriodMs_));
    presenter_.FrameStarted();
}

void TTransThread::WaitFramePeriod() {
    if (onRealClock_) {
        // Naps of at most 1 ms, so an abort is seen within a millisecond.
        using std::chrono::steady_clock;
        const steady_clock::time_point due = frameDue_.value_or(steady_clock::now());
        for (auto now = steady_clock::now(); now < due && !Aborted(); now = steady_clock::now())
            std::this_thread::sleep_for(std::min<steady_clock::duration>(due - now, std::chrono::milliseconds(1)));
        return;
    }
    ITickClock& clock = engine_.Clock();
    // Short naps rather than one long sleep, so an abort is seen within a millisecond.
    do {
        clock.SleepMs(framePeriodMs_ < 1 ? 0 : 1);
    } while (std::llabs(clock.TickMs() - frameStartTick_) < framePeriodMs_ && !Aborted());
}

bool TTransThread::Aborted() const { return engine_.TransitionAbort.load(); }

IRandomSource& TTransThread::RandomSource() { return engine_.Random(); }

int TTransThread::Random(int n) { return engine_.Random().Random(n); }

} // namespace vorlandite::transitions

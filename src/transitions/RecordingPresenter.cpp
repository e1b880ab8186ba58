#include "transitions/RecordingPresenter.h"

#include "raster/BitmapDraw.h"

namespace vorlandite::transitions {

RecordingPresenter::RecordingPresenter(raster::TBitmap32 canvas) : canvas_(std::move(canvas)) {}

void RecordingPresenter::ResetCounts() {
    frameCount_ = 0;
    framesStarted_ = 0;
    presentationCount_ = 0;
    presentationsInFrame_ = 0;
}

void RecordingPresenter::CaptureTarget(raster::TBitmap32& old) {
    raster::CopyRect(old, canvas_, old.BoundsRect());
}

void RecordingPresenter::CopyNow(const raster::TBitmap32& picture, const raster::Rect& rect) {
    raster::CopyRect(canvas_, picture, rect);
}

void RecordingPresenter::Present(const raster::TBitmap32& surface, const raster::Rect& source,
                                  const raster::Rect& destination) {
    raster::CopyRect(canvas_, destination, surface, source);
    ++presentationCount_;
    ++presentationsInFrame_;
}

void RecordingPresenter::FrameStarted() {
    CutFrame();
    const int started = ++framesStarted_;
    if (startHook_)
        startHook_(started);
}

void RecordingPresenter::FramesEnded() { CutFrame(); }

void RecordingPresenter::CutFrame() {
    if (presentationsInFrame_ == 0)
        return;
    presentationsInFrame_ = 0;
    const int index = frameCount_++;
    if (sink_)
        sink_(index, canvas_);
}

} // namespace vorlandite::transitions

#include "transitions/RecordingPresenter.h"

#include "raster/BitmapDraw.h"

namespace vorlandite::transitions {

void CopyRectangle(raster::TBitmap32& target, const raster::TRect& destination, const raster::TBitmap32& source,
                   const raster::TRect& sourceRect) {
    // Explicit options: the fades leave NEW and OLD in blending mode, which a presentation must
    // not follow.
    raster::StretchBitmap(target, destination, source, sourceRect, raster::TDrawOptions{});
}

TRecordingPresenter::TRecordingPresenter(raster::TBitmap32 canvas) : canvas_(std::move(canvas)) {}

void TRecordingPresenter::ResetCounts() {
    frameCount_ = 0;
    framesStarted_ = 0;
    presentationCount_ = 0;
    presentationsInFrame_ = 0;
}

void TRecordingPresenter::CaptureTarget(raster::TBitmap32& old) {
    CopyRectangle(old, old.BoundsRect(), canvas_, old.BoundsRect());
}

void TRecordingPresenter::CopyNow(const raster::TBitmap32& picture, const raster::TRect& rect) {
    CopyRectangle(canvas_, rect, picture, rect);
}

void TRecordingPresenter::Present(const raster::TBitmap32& surface, const raster::TRect& source,
                                  const raster::TRect& destination) {
    CopyRectangle(canvas_, destination, surface, source);
    ++presentationCount_;
    ++presentationsInFrame_;
}

void TRecordingPresenter::FrameStarted() {
    CutFrame();
    const int started = ++framesStarted_;
    if (startHook_)
        startHook_(started);
}

void TRecordingPresenter::FramesEnded() { CutFrame(); }

void TRecordingPresenter::CutFrame() {
    if (presentationsInFrame_ == 0)
        return;
    presentationsInFrame_ = 0;
    const int index = frameCount_++;
    if (sink_)
        sink_(index, canvas_);
}

} // namespace vorlandite::transitions

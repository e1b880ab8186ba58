#pragma once
// A target in memory: presentations draw straight onto a surface on the worker thread, and the
// surface is handed to a frame sink after each frame that presented anything (an empty rectangle
// counts), which is what `vorlandite render-effect`, the tests and the benchmark record.

#include "raster/BitmapDraw.h"
#include "transitions/TransitionPresenter.h"

#include <atomic>
#include <functional>

namespace vorlandite::transitions {

class RecordingPresenter final : public ITransitionPresenter {
public:
    // Worker thread: frameIndex counts the recorded frames from 0; canvas is the target after the
    // frame's last presentation.
    using FrameSink = std::function<void(int frameIndex, const raster::TBitmap32& canvas)>;
    // Worker thread, at each frame start: framesStarted counts the frames started so far, this
    // one included. Lets a test act at a chosen frame (set TransitionAbort, say).
    using FrameStartHook = std::function<void(int framesStarted)>;

    // The target starts out showing `canvas`.
    explicit RecordingPresenter(raster::TBitmap32 canvas);

    // Set these while no transition runs on this presenter.
    void SetFrameSink(FrameSink sink) { sink_ = std::move(sink); }
    void SetFrameStartHook(FrameStartHook hook) { startHook_ = std::move(hook); }

    // The target. Read it on the owner's thread while no worker presents to it (before the
    // start, or once the completion has run).
    raster::TBitmap32& Canvas() { return canvas_; }
    const raster::TBitmap32& Canvas() const { return canvas_; }

    int FrameCount() const { return frameCount_.load(); }
    int FramesStarted() const { return framesStarted_.load(); }
    int PresentationCount() const { return presentationCount_.load(); }
    // Counters back to 0, for the next transition on the same target.
    void ResetCounts();

    void CaptureTarget(raster::TBitmap32& old) override;
    void CopyNow(const raster::TBitmap32& picture, const raster::Rect& rect) override;
    void Present(const raster::TBitmap32& surface, const raster::Rect& source,
                 const raster::Rect& destination) override;
    void FrameStarted() override;
    void FramesEnded() override;

private:
    void CutFrame();

    raster::TBitmap32 canvas_;
    FrameSink sink_;
    FrameStartHook startHook_;
    std::atomic<int> frameCount_{0};
    std::atomic<int> framesStarted_{0};
    std::atomic<int> presentationCount_{0};
    int presentationsInFrame_ = 0;
};


} // namespace vorlandite::transitions

#pragma once
// The target of a transition: the surface that shows the frames, seen from the engine.
//
// A worker never draws on the target itself. It asks the presenter to copy a rectangle of one of
// its own surfaces (NEW, OLD or WORK) onto a rectangle of the target and waits until that is
// done, so its surfaces are never read while it writes them. The screen presenter has the UI
// thread do the copy and repaint the display; the recording presenter draws on a surface in
// memory and hands out one snapshot per frame.

#include "raster/Geometry.h"
#include "raster/TBitmap32.h"

namespace vorlandite::transitions {

class ITransitionPresenter {
public:
    virtual ~ITransitionPresenter() = default;

    // Owner's thread, before the worker starts: fills `old` (already sized W x H) with the
    // target's pixels of (0, 0)-(W, H), one to one. Pixels the target does not have stay as
    // they are.
    virtual void CaptureTarget(raster::TBitmap32& old) = 0;

    // Owner's thread: the copy of a transition without effect, the rectangle of the picture
    // onto the same rectangle of the target, at once.
    virtual void CopyNow(const raster::TBitmap32& picture, const raster::Rect& rect) = 0;

    // Worker thread: copies `source` of the surface onto `destination` of the target, opaquely
    // whatever the surface's draw mode, replicating pixels when the sizes differ; returns once
    // the surface's pixels are taken (the worker may draw on). A presenter may put a frame's
    // copies on the target together, but everything presented is on the target once
    // FramesEnded has returned, and so is each presentation after it. An empty or inverted
    // rectangle copies nothing but is still a presentation. May throw; the worker then ends its
    // transition early.
    virtual void Present(const raster::TBitmap32& surface, const raster::Rect& source,
                         const raster::Rect& destination) = 0;

    // Worker thread: a frame starts (its tick has just been noted), and the effect has ended
    // (what may follow is the closing full copy). Recorders cut their frames here.
    virtual void FrameStarted() {}
    virtual void FramesEnded() {}

    // Owner's thread: the engine must stop its worker and cannot serve presentations any more.
    // A presentation that waits for the owner's thread returns at once, and so do all later
    // ones, without drawing. Presenters that never wait on another thread do nothing.
    virtual void Abandon() {}
};

} // namespace vorlandite::transitions

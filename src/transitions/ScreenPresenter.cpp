#include "transitions/ScreenPresenter.h"

#include "transitions/RecordingPresenter.h"

#include <QMetaObject>
#include <QRegion>
#include <QThread>

#include <algorithm>
#include <cstdint>

namespace vorlandite::transitions {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

ScreenPresenter::ScreenPresenter(raster::TBitmap32& canvas, QWidget* display)
    : shared_(std::make_shared<Shared>()),
      uiThread_(QThread::currentThread()),
      receiver_(std::make_unique<QObject>()) {
    shared_->canvas = &canvas;
    shared_->display = display;
}

ScreenPresenter::~ScreenPresenter() {
    Abandon();
    receiver_.reset();
}

void ScreenPresenter::SetBatchTrace(std::function<void(const BatchTrace&)> trace) {
    std::lock_guard lock(shared_->mutex);
    shared_->trace = std::move(trace);
}

uint64_t ScreenPresenter::BatchesPainted() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->batchesPainted;
}

void ScreenPresenter::CaptureTarget(raster::TBitmap32& old) {
    // A new transition; its worker starts after this, so the worker's state is ours here.
    frame_ = Batch();
    framesEnded_ = false;
    PaintQueued(*shared_);
    std::lock_guard lock(shared_->mutex);
    raster::TBitmap32& canvas = *shared_->canvas;
    canvasRect_ = canvas.BoundsRect();
    // Made once and kept: fresh memory costs far more to touch than to copy, which in the
    // first frames of every transition would be late frames.
    for (raster::TBitmap32& mirror : shared_->mirrors)
        if (mirror.Width() != canvas.Width() || mirror.Height() != canvas.Height())
            mirror.SetSize(canvas.Width(), canvas.Height());
    CopyRectangle(old, old.BoundsRect(), canvas, old.BoundsRect());
}

void ScreenPresenter::CopyNow(const raster::TBitmap32& picture, const raster::Rect& rect) {
    PaintQueued(*shared_);
    std::lock_guard lock(shared_->mutex);
    Draw(*shared_, picture, rect, rect);
}

void ScreenPresenter::Draw(Shared& shared, const raster::TBitmap32& surface, const raster::Rect& source,
                            const raster::Rect& destination) {
    CopyRectangle(*shared.canvas, destination, surface, source);
    if (shared.display && !destination.IsEmpty())
        shared.display->update(destination.left, destination.top, destination.Width(), destination.Height());
}

void ScreenPresenter::Present(const raster::TBitmap32& surface, const raster::Rect& source,
                               const raster::Rect& destination) {
    if (QThread::currentThread() == uiThread_) {
        PaintQueued(*shared_);
        std::lock_guard lock(shared_->mutex);
        if (!shared_->abandoned)
            Draw(*shared_, surface, source, destination);
        return;
    }
    raster::TBitmap32& mirror = shared_->mirrors[frame_.mirror];
    if (framesEnded_ || mirror.Width() != canvasRect_.right || mirror.Height() != canvasRect_.bottom) {
        PresentAndWait(surface, source, destination);
        return;
    }
    const int64_t sourceWidth = int64_t(source.right) - source.left;
    const int64_t sourceHeight = int64_t(source.bottom) - source.top;
    const int64_t destinationWidth = int64_t(destination.right) - destination.left;
    const int64_t destinationHeight = int64_t(destination.bottom) - destination.top;
    if (sourceWidth <= 0 || sourceHeight <= 0 || destinationWidth <= 0 || destinationHeight <= 0)
        return;  // draws nothing
    const raster::Rect valid = raster::Intersect(source, surface.BoundsRect());
    if (valid.IsEmpty())
        return;
    // What the copy writes on the picture: one to one, the part of the source inside the
    // surface; stretched from a source wholly inside it, the whole destination.
    raster::Rect written;
    if (sourceWidth == destinationWidth && sourceHeight == destinationHeight) {
        const int64_t dx = int64_t(destination.left) - source.left;
        const int64_t dy = int64_t(destination.top) - source.top;
        const auto clamp = [](int64_t v, int high) { return int(std::clamp<int64_t>(v, 0, high)); };
        written = raster::Rect{clamp(valid.left + dx, canvasRect_.right), clamp(valid.top + dy, canvasRect_.bottom),
                                clamp(valid.right + dx, canvasRect_.right),
                                clamp(valid.bottom + dy, canvasRect_.bottom)};
    } else if (valid == source) {
        written = raster::Intersect(destination, canvasRect_);
    } else {
        // A stretch from a source partly outside the surface leaves part of its destination
        // alone: rare, so it copies straight from the surface, after what came before it.
        PresentAndWait(surface, source, destination);
        return;
    }
    if (written.IsEmpty())
        return;
    // The mirror has the picture's size, so the copy clips exactly as on the picture.
    CopyRectangle(mirror, destination, surface, source);
    frame_.rects.push_back(written);
}

void ScreenPresenter::FrameStarted() {
    // The frame before this one is complete: on screen with it, and let the UI thread paint it
    // while this one is drawn. The one before that must be painted by now (its mirror is next).
    PostFrame(1);
}

void ScreenPresenter::FramesEnded() {
    PostFrame(0);
    framesEnded_ = true;
}

void ScreenPresenter::PostFrame(uint64_t allowed) {
    const std::shared_ptr<Shared> shared = shared_;
    std::unique_lock lock(shared->mutex);
    PostCollected();
    shared->served.wait(
        lock, [&] { return shared->abandoned || shared->batchesPosted - shared->batchesPainted <= allowed; });
}

void ScreenPresenter::PostCollected() {
    const int mirror = frame_.mirror;
    if (shared_->abandoned || frame_.rects.empty()) {
        frame_.rects.clear();
        return;
    }
    frame_.trace.rectangles = int(frame_.rects.size());
    frame_.trace.posted = Clock::now();
    shared_->queued.push_back(std::move(frame_));
    frame_ = Batch();
    frame_.mirror = 1 - mirror;
    ++shared_->batchesPosted;
    // One task per batch; a task that finds the queue empty (an earlier one took its batch)
    // does nothing.
    QMetaObject::invokeMethod(
        receiver_.get(), [shared = shared_] { PaintQueued(*shared); }, Qt::QueuedConnection);
}

void ScreenPresenter::PaintQueued(Shared& shared) {
    std::vector<Batch> batches;
    std::function<void(const BatchTrace&)> trace;
    {
        std::lock_guard lock(shared.mutex);
        if (shared.abandoned || shared.queued.empty())
            return;
        batches.swap(shared.queued);
        trace = shared.trace;
    }
    const Clock::time_point taken = Clock::now();
    QRegion changed;
    for (const Batch& batch : batches) {
        // Overlapping rectangles hold the same mirror pixels: each pixel is copied once.
        QRegion region;
        for (const raster::Rect& r : batch.rects)
            region += QRect(r.left, r.top, r.Width(), r.Height());
        for (const QRect& r : region) {
            const raster::Rect rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
            CopyRectangle(*shared.canvas, rect, shared.mirrors[batch.mirror], rect);
        }
        changed += region;
    }
    const Clock::time_point copied = Clock::now();
    // Painted now rather than when the event loop comes round to it, so a frame's batch is one
    // paint and the next batch cannot merge into it.
    if (shared.display && !changed.isEmpty())
        shared.display->repaint(changed);
    const Clock::time_point painted = Clock::now();
    {
        std::lock_guard lock(shared.mutex);
        shared.batchesPainted += batches.size();
    }
    shared.served.notify_all();
    if (trace) {
        for (Batch& batch : batches) {
            batch.trace.taken = taken;
            batch.trace.copied = copied;
            batch.trace.painted = painted;
            trace(batch.trace);
        }
    }
}

void ScreenPresenter::PresentAndWait(const raster::TBitmap32& surface, const raster::Rect& source,
                                      const raster::Rect& destination) {
    const std::shared_ptr<Shared> shared = shared_;
    std::unique_lock lock(shared->mutex);
    PostCollected();
    if (shared->abandoned)
        return;
    // The request lives as long as either side holds it; `waiting` tells the UI side whether the
    // worker, and so its surface, is still there.
    struct Request {
        bool waiting = true;
        bool done = false;
    };
    const auto request = std::make_shared<Request>();
    const raster::TBitmap32* surfacePointer = &surface;
    QMetaObject::invokeMethod(
        receiver_.get(),
        [shared, request, surfacePointer, source, destination] {
            PaintQueued(*shared);  // batches posted before this copy go first
            std::lock_guard uiLock(shared->mutex);
            if (shared->abandoned || !request->waiting)
                return;
            Draw(*shared, *surfacePointer, source, destination);
            request->done = true;
            shared->served.notify_all();
        },
        Qt::QueuedConnection);
    shared->served.wait(lock, [&] { return request->done || shared->abandoned; });
    request->waiting = false;
}

void ScreenPresenter::Abandon() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->abandoned = true;
        shared_->queued.clear();
    }
    shared_->served.notify_all();
}

QtOwnerThread::QtOwnerThread() : receiver_(std::make_unique<QObject>()) {}

void QtOwnerThread::Post(std::function<void()> task) {
    QMetaObject::invokeMethod(receiver_.get(), std::move(task), Qt::QueuedConnection);
}

} // namespace vorlandite::transitions

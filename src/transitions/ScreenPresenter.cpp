#include "transitions/ScreenPresenter.h"

#include "transitions/RecordingPresenter.h"

#include <QMetaObject>
#include <QThread>

namespace vorlandite::transitions {

TScreenPresenter::TScreenPresenter(raster::TBitmap32& canvas, QWidget* display)
    : shared_(std::make_shared<TShared>()),
      uiThread_(QThread::currentThread()),
      receiver_(std::make_unique<QObject>()) {
    shared_->canvas = &canvas;
    shared_->display = display;
}

TScreenPresenter::~TScreenPresenter() {
    Abandon();
    receiver_.reset();
}

void TScreenPresenter::CaptureTarget(raster::TBitmap32& old) {
    std::lock_guard lock(shared_->mutex);
    CopyRectangle(old, old.BoundsRect(), *shared_->canvas, old.BoundsRect());
}

void TScreenPresenter::CopyNow(const raster::TBitmap32& picture, const raster::TRect& rect) {
    std::lock_guard lock(shared_->mutex);
    Draw(*shared_, picture, rect, rect);
}

void TScreenPresenter::Draw(TShared& shared, const raster::TBitmap32& surface, const raster::TRect& source,
                            const raster::TRect& destination) {
    CopyRectangle(*shared.canvas, destination, surface, source);
    if (shared.display && !destination.IsEmpty())
        shared.display->update(destination.Left, destination.Top, destination.Width(), destination.Height());
}

void TScreenPresenter::Present(const raster::TBitmap32& surface, const raster::TRect& source,
                               const raster::TRect& destination) {
    const std::shared_ptr<TShared> shared = shared_;
    std::unique_lock lock(shared->mutex);
    if (shared->abandoned)
        return;
    if (QThread::currentThread() == uiThread_) {
        Draw(*shared, surface, source, destination);
        return;
    }
    // The request lives as long as either side holds it; `waiting` tells the UI side whether the
    // worker, and so its surface, is still there.
    struct TRequest {
        bool waiting = true;
        bool done = false;
    };
    const auto request = std::make_shared<TRequest>();
    const raster::TBitmap32* surfacePointer = &surface;
    QMetaObject::invokeMethod(
        receiver_.get(),
        [shared, request, surfacePointer, source, destination] {
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

void TScreenPresenter::Abandon() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->abandoned = true;
    }
    shared_->served.notify_all();
}

TQtOwnerThread::TQtOwnerThread() : receiver_(std::make_unique<QObject>()) {}

void TQtOwnerThread::Post(std::function<void()> task) {
    QMetaObject::invokeMethod(receiver_.get(), std::move(task), Qt::QueuedConnection);
}

} // namespace vorlandite::transitions

#pragma once
// The show's target: the display's picture, drawn on the UI thread only. A worker's presentation
// is queued to the UI thread, which copies the rectangle onto the picture and schedules a repaint
// of that rectangle of the display widget, while the worker waits for it (a blocking queued
// call). Unlike Qt's own blocking connection, the wait can be released: Abandon() (also run by
// the destructor) lets a waiting worker go at once, so the UI thread may join the worker without
// a deadlock, and a queued copy that runs after its worker gave up draws nothing.

#include "transitions/TransitionPresenter.h"
#include "base/OwnerThread.h"

#include <QObject>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace vorlandite::transitions {

class TScreenPresenter final : public ITransitionPresenter {
public:
    // canvas: the picture the display widget paints, anchored at the widget's top-left corner.
    // Both belong to the UI thread, where the presenter is made and destroyed; the canvas must
    // outlive the presenter.
    TScreenPresenter(raster::TBitmap32& canvas, QWidget* display);
    ~TScreenPresenter() override;
    TScreenPresenter(const TScreenPresenter&) = delete;
    TScreenPresenter& operator=(const TScreenPresenter&) = delete;

    void CaptureTarget(raster::TBitmap32& old) override;
    void CopyNow(const raster::TBitmap32& picture, const raster::TRect& rect) override;
    void Present(const raster::TBitmap32& surface, const raster::TRect& source,
                 const raster::TRect& destination) override;
    void Abandon() override;

private:
    struct TShared {
        std::mutex mutex;
        std::condition_variable served;
        bool abandoned = false;
        raster::TBitmap32* canvas = nullptr;
        QPointer<QWidget> display;
    };
    // UI thread: the copy and the repaint request.
    static void Draw(TShared& shared, const raster::TBitmap32& surface, const raster::TRect& source,
                     const raster::TRect& destination);

    std::shared_ptr<TShared> shared_;
    QThread* uiThread_;
    // Receives the queued copies on the UI thread. Only a worker that found the presenter not
    // abandoned (under the mutex) posts to it, so it can go with the presenter.
    std::unique_ptr<QObject> receiver_;
};

// Delivers tasks to the thread that makes this object (the UI thread) through its event loop.
// It must outlive the engines it serves (an engine joins its worker when it goes, so no worker
// posts after that).
class TQtOwnerThread final : public IOwnerThread {
public:
    TQtOwnerThread();
    void Post(std::function<void()> task) override;

private:
    std::unique_ptr<QObject> receiver_;
};

} // namespace vorlandite::transitions

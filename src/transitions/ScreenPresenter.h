#pragma once
// The show's target: the display's picture, drawn on the UI thread only.
//
// A worker's frame reaches the screen in one piece. Each presentation is drawn at once onto one
// of two picture-sized mirrors the presenter keeps (so the worker may draw on at once); when the
// next frame starts, the frame goes to the UI thread as one batch, which puts it on the picture
// and repaints it right away: one paint per frame, painted while the worker draws the next frame
// into the other mirror. When a frame starts the worker waits only while the frame before the
// last one is still unpainted, so the screen is at most one frame behind and a slow display slows
// the transition down rather than piling frames up. Nor does the next frame's drawing start while
// the frame just posted is being painted (up to a bound), so that the worker does not take a core
// from the UI thread and the X server just then.
//
// What is repainted is what changed: a frame's rectangles are compared with the picture row by
// row, and the repaint covers the differing pixels in a few rectangles. Many
// effects present a whole surface each frame of which a thin band changed, and on X every
// repainted pixel is drawn, sent and copied again by the server; many rectangles cost too (the
// server walks its clip list for each one), so a repaint of many is merged into a few strips.
//
// The comparing and copying are the worker's, which idles most of a period, while the UI
// thread's time per frame is what the screen waits for. The worker keeps a shadow of the picture
// (what it will be once every posted batch is painted) and finds each frame's changes against it
// when the frame ends. It also makes the mirror a whole picture by then: the pixels the frame did
// not present are brought up to the shadow where they fell behind (what the frames since the
// mirror's last one changed). So the UI thread takes a frame over by exchanging the picture's
// pixels with the mirror's, copying nothing; the mirror is left with the picture from before the
// frame, behind by just that frame's changes. The UI thread compares and copies for itself when
// the shadow cannot be trusted: the picture was drawn on directly (CopyNow) during the transition.
//
// The end of the frames waits until every batch is painted, and presentations after it (the
// closing full copy) and the rare stretch that would leave part of its destination alone wait
// for the UI thread as one blocking queued call each, so a finished transition is on the picture.
//
// Unlike Qt's own blocking connection, every wait can be released: Abandon() (also run by the
// destructor) lets a waiting worker go at once, so the UI thread may join the worker without a
// deadlock, and a batch or a queued copy that runs after that draws nothing.

#include "transitions/TransitionPresenter.h"
#include "base/OwnerThread.h"

#include <QObject>
#include <QPointer>
#include <QRegion>
#include <QThread>
#include <QWidget>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace vorlandite::transitions {

// When one batch (a frame's presentations) went through its stages; for the frame benchmark.
struct BatchTrace {
    using Clock = std::chrono::steady_clock;
    Clock::time_point posted;   // worker: the frame ended, the batch went to the UI thread
    Clock::time_point taken;    // UI thread: the batch was picked up
    Clock::time_point copied;   // ... and put on the picture
    Clock::time_point painted;  // ... and the display repainted (drawn and flushed)
    int rectangles = 0;         // presentations in the frame
    int paintedRects = 0;       // rectangles of the area repainted with it
    int64_t paintedPixels = 0;  // ... and its pixels
    int paintedTogether = 1;    // batches in that repaint (more than one: the UI thread fell behind)
    Clock::time_point ended;    // worker: the frame ended and the finding of its changes began
    bool swapped = false;       // the picture took the mirror's pixels over instead of a copy
};

// Copies the pixels of `rect` that differ between `from` and `to` (same coordinates in both,
// clipped to both) from `from` onto `to`, and appends rectangles covering them to `changed`: the
// differing span of each row within each column of tiles (256 pixels wide), consecutive rows of a
// column merged while their bounding rectangle stays mostly changed pixels. Nothing is appended
// where the two already agree.
void CopyChangedPixels(const raster::TBitmap32& from, raster::TBitmap32& to, const raster::Rect& rect,
                       std::vector<raster::Rect>& changed);

// The rectangles to repaint for `rects`: themselves (those side by side on the same rows joined)
// while there are at most `maxRects`, else one
// rectangle per horizontal strip of their bounding box (`strips` strips of equal height), the
// bounding box of their parts inside it. The result covers every input rectangle.
std::vector<raster::Rect> LimitRepaintRects(const std::vector<raster::Rect>& rects, int maxRects, int strips);

class ScreenPresenter final : public ITransitionPresenter {
public:
    // canvas: the picture the display widget paints, anchored at the widget's top-left corner.
    // Both belong to the UI thread, where the presenter is made and destroyed; the canvas must
    // outlive the presenter.
    ScreenPresenter(raster::TBitmap32& canvas, QWidget* display);
    ~ScreenPresenter() override;
    ScreenPresenter(const ScreenPresenter&) = delete;
    ScreenPresenter& operator=(const ScreenPresenter&) = delete;

    void CaptureTarget(raster::TBitmap32& old) override;
    void CopyNow(const raster::TBitmap32& picture, const raster::Rect& rect) override;
    void Present(const raster::TBitmap32& surface, const raster::Rect& source,
                 const raster::Rect& destination) override;
    void FrameStarted() override;
    void FramesEnded() override;
    void Abandon() override;

    // UI thread, before the picture is drawn on outside the presenter (a GIF's frame, an item
    // shown without a transition): every posted frame is put on the picture first, and the frames
    // still in flight are compared against the picture as it then is rather than taken over whole.
    void PictureChanging();

    // UI thread, while no transition runs: `trace` is called on the UI thread after each batch
    // is painted. Empty (the default) costs nothing.
    void SetBatchTrace(std::function<void(const BatchTrace&)> trace);
    // UI thread: batches painted so far (one per frame that presented anything).
    uint64_t BatchesPainted() const;

private:
    struct Batch {
        int mirror = 0;
        std::vector<raster::Rect> rects;  // on the picture, clipped to it
        // Found by the worker (when `compared`, and the mirror then holds the whole picture): the
        // rectangles holding every pixel that differs from the picture, what to repaint for them.
        bool compared = false;
        std::vector<raster::Rect> changed;
        QRegion repaint;
        BatchTrace trace;
    };
    struct Shared {
        mutable std::mutex mutex;
        std::condition_variable served;
        bool abandoned = false;
        raster::TBitmap32* canvas = nullptr;
        QPointer<QWidget> display;
        // Written by the worker while its batch is being drawn, read by the UI thread once the
        // batch is posted (or its pixels exchanged with the picture's); a mirror is drawn on
        // again only after its batch is painted.
        raster::TBitmap32 mirrors[2];
        std::vector<Batch> queued;  // posted to the UI thread, not yet taken
        // Draws onto the picture on the UI thread outside batches (CopyNow): a worker whose
        // shadow was taken before one no longer knows the picture.
        uint64_t directDraws = 0;
        uint64_t batchesPosted = 0;
        uint64_t batchesPainted = 0;
        std::function<void(const BatchTrace&)> trace;
    };
    // UI thread: the copy and the repaint request.
    static void Draw(Shared& shared, const raster::TBitmap32& surface, const raster::Rect& source,
                     const raster::Rect& destination);
    // UI thread: puts every queued batch on the picture and repaints its area.
    static void PaintQueued(Shared& shared);
    // Worker: hands this frame's rectangles to the UI thread; waits while more than `allowed`
    // batches are unpainted.
    void PostFrame(uint64_t allowed);
    // Worker, before posting: makes the mirror a whole picture, finds the frame's changes against
    // the shadow and brings the shadow up to date.
    void CompareFrame();
    // Worker, under the shared mutex: the batch so far to the UI thread (dropped when abandoned).
    void PostCollected();
    // Worker: the old way, one blocking queued call that copies straight from the surface.
    void PresentAndWait(const raster::TBitmap32& surface, const raster::Rect& source,
                        const raster::Rect& destination);

    std::shared_ptr<Shared> shared_;
    QThread* uiThread_;
    // Receives the queued batches and copies on the UI thread. Only a worker that found the
    // presenter not abandoned (under the mutex) posts to it, so it can go with the presenter.
    std::unique_ptr<QObject> receiver_;
    // Worker only (set on the owner's thread before a worker starts): the frame being drawn,
    // whether the frames have ended, and the picture's size.
    Batch frame_;
    bool framesEnded_ = false;
    raster::Rect canvasRect_;
    // Worker only, likewise: the picture as it is once every posted batch is painted, whether it
    // is still that, and Shared::directDraws when it was taken (kept between transitions, as the
    // mirrors are); where each mirror may differ from the shadow.
    raster::TBitmap32 shadow_;
    bool shadowValid_ = false;
    uint64_t shadowDraws_ = 0;
    QRegion behind_[2];
};

// Delivers tasks to the thread that makes this object (the UI thread) through its event loop.
// It must outlive the engines it serves (an engine joins its worker when it goes, so no worker
// posts after that).
class QtOwnerThread final : public IOwnerThread {
public:
    QtOwnerThread();
    void Post(std::function<void()> task) override;

private:
    std::unique_ptr<QObject> receiver_;
};

} // namespace vorlandite::transitions

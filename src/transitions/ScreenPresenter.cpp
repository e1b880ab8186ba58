#include "transitions/ScreenPresenter.h"

#include "raster/BitmapDraw.h"
#include "transitions/RecordingPresenter.h"

#include <QMetaObject>
#include <QRegion>
#include <QThread>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <tuple>

namespace vorlandite::transitions {

namespace {

using Clock = std::chrono::steady_clock;
using raster::TColor32;

// A repaint of more rectangles than this is merged into strips. Under Xvfb a repaint of a few
// dozen rectangles costs about as much as one; each further one adds a request whose clip list
// the server walks for every other one.
constexpr int kMaxRepaintRects = 48;
constexpr int kRepaintStrips = 16;
// A region's bands may split those into more; beyond this many they are merged into strips too.
// The show windows paint up to 64 rectangles one by one (raster::PaintOpaque).
constexpr int kMaxRegionRects = 64;
// Pixels a merged rectangle may carry beyond twice its changed ones: about what one more
// rectangle costs to repaint.
constexpr int64_t kMergeSlack = 4096;

// The width of the columns of tiles changes are looked for in: a row's changes in two tiles are
// two rectangles.
constexpr int kTileWidth = 256;

// Rows are compared a block at a time with memcmp, which is vectorised; only the block that
// differs is searched pixel by pixel.
constexpr int kCompareBlock = 32;

// How long a worker that has just posted a frame stays off the processor while the UI thread
// and the X server paint it (they take about a millisecond for a whole picture). Drawing the next
// frame at once made the UI thread wait for a core about a millisecond more on a two-core
// machine, and the screen's intervals uneven; the show's period leaves the worker time to spare.
constexpr std::chrono::microseconds kYieldToScreen(2500);

// The first pixel in [0, n) where the rows differ, n when none does.
int FirstDifference(const TColor32* a, const TColor32* b, int n) {
    if (n > 0 && a[0] != b[0])
        return 0;  // most rows of a frame that changes everywhere
    int i = 0;
    while (i + kCompareBlock <= n && std::memcmp(a + i, b + i, kCompareBlock * sizeof(TColor32)) == 0)
        i += kCompareBlock;
    for (; i < n; ++i)
        if (a[i] != b[i])
            return i;
    return n;
}

// One past the last pixel in [from, n) where the rows differ; a[from] != b[from] is known.
int EndOfDifference(const TColor32* a, const TColor32* b, int from, int n) {
    if (a[n - 1] != b[n - 1])
        return n;
    int i = n;
    while (i - kCompareBlock > from &&
           std::memcmp(a + i - kCompareBlock, b + i - kCompareBlock, kCompareBlock * sizeof(TColor32)) == 0)
        i -= kCompareBlock;
    while (i > from + 1 && a[i - 1] == b[i - 1])
        --i;
    return i;
}

// The region to repaint for changed rectangles. A region splits overlapping rectangles into
// bands, which can make many more of a few: then it is merged into strips again, which do not
// overlap.
QRegion RepaintRegion(const std::vector<raster::Rect>& changed);

}  // namespace

void CopyChangedPixels(const raster::TBitmap32& from, raster::TBitmap32& to, const raster::Rect& rect,
                       std::vector<raster::Rect>& changed) {
    const raster::Rect area = raster::Intersect(raster::Intersect(rect, from.BoundsRect()), to.BoundsRect());
    if (area.IsEmpty())
        return;
    // The rows are cut into columns of tiles, each with its own run of rows being merged (its
    // bounding rectangle and how many of its pixels changed): a row that changed in two places
    // far apart, as where bands come from two corners, is not repainted in between.
    struct Run {
        raster::Rect rect;
        int64_t changedPixels = 0;
        bool open = false;
    };
    const int firstTile = area.left / kTileWidth;
    std::vector<Run> runs(std::size_t((area.right - 1) / kTileWidth - firstTile + 1));
    const auto close = [&](Run& run) {
        if (run.open)
            changed.push_back(run.rect);
        run.open = false;
    };
    for (int y = area.top; y < area.bottom; ++y) {
        const TColor32* sourceRow = from.Scanline(y).data();
        TColor32* targetRow = to.Scanline(y).data();
        for (std::size_t t = 0; t < runs.size(); ++t) {
            Run& run = runs[t];
            const int tileLeft = std::max(area.left, (firstTile + int(t)) * kTileWidth);
            const int tileRight = std::min(area.right, (firstTile + int(t) + 1) * kTileWidth);
            const int width = tileRight - tileLeft;
            const TColor32* source = sourceRow + tileLeft;
            TColor32* target = targetRow + tileLeft;
            const int first = FirstDifference(source, target, width);
            if (first == width) {
                close(run);
                continue;
            }
            const int end = EndOfDifference(source, target, first, width);
            std::memcpy(target + first, source + first, std::size_t(end - first) * sizeof(TColor32));
            const int left = tileLeft + first, right = tileLeft + end;
            if (run.open) {
                const raster::Rect merged{std::min(run.rect.left, left), run.rect.top, std::max(run.rect.right, right),
                                          y + 1};
                const int64_t mergedChanged = run.changedPixels + (right - left);
                if (int64_t(merged.Width()) * merged.Height() <= 2 * mergedChanged + kMergeSlack) {
                    run.rect = merged;
                    run.changedPixels = mergedChanged;
                    continue;
                }
                close(run);
            }
            run.rect = raster::Rect{left, y, right, y + 1};
            run.changedPixels = right - left;
            run.open = true;
        }
    }
    for (Run& run : runs)
        close(run);
}

std::vector<raster::Rect> LimitRepaintRects(const std::vector<raster::Rect>& rects, int maxRects, int strips) {
    std::vector<raster::Rect> sorted;
    for (const raster::Rect& r : rects)
        if (!r.IsEmpty())
            sorted.push_back(r);
    // Side by side with the same rows (the tiles of one change) they are one rectangle.
    std::sort(sorted.begin(), sorted.end(), [](const raster::Rect& a, const raster::Rect& b) {
        return std::tie(a.top, a.bottom, a.left, a.right) < std::tie(b.top, b.bottom, b.left, b.right);
    });
    std::vector<raster::Rect> kept;
    for (const raster::Rect& r : sorted) {
        if (!kept.empty() && kept.back().top == r.top && kept.back().bottom == r.bottom && r.left <= kept.back().right)
            kept.back().right = std::max(kept.back().right, r.right);
        else
            kept.push_back(r);
    }
    if (int(kept.size()) <= maxRects || strips < 1)
        return kept;
    raster::Rect box = kept.front();
    for (const raster::Rect& r : kept)
        box = raster::Rect{std::min(box.left, r.left), std::min(box.top, r.top), std::max(box.right, r.right),
                           std::max(box.bottom, r.bottom)};
    const int64_t height = box.Height();
    const auto stripTop = [&](int64_t i) { return int(box.top + height * i / strips); };
    std::vector<raster::Rect> bounds(static_cast<std::size_t>(strips));
    std::vector<bool> used(static_cast<std::size_t>(strips), false);
    for (const raster::Rect& r : kept) {
        // The strips the rectangle crosses, found by their equal heights.
        int64_t first = (int64_t(r.top) - box.top) * strips / height;
        while (first > 0 && stripTop(first) > r.top)
            --first;
        for (int64_t i = first; i < strips && stripTop(i) < r.bottom; ++i) {
            const raster::Rect part{r.left, std::max(r.top, stripTop(i)), r.right, std::min(r.bottom, stripTop(i + 1))};
            if (part.IsEmpty())
                continue;
            raster::Rect& b = bounds[std::size_t(i)];
            b = used[std::size_t(i)] ? raster::Rect{std::min(b.left, part.left), std::min(b.top, part.top),
                                                     std::max(b.right, part.right), std::max(b.bottom, part.bottom)}
                                     : part;
            used[std::size_t(i)] = true;
        }
    }
    std::vector<raster::Rect> merged;
    for (std::size_t i = 0; i < bounds.size(); ++i)
        if (used[i])
            merged.push_back(bounds[i]);
    return merged;
}

namespace {

QRegion RepaintRegion(const std::vector<raster::Rect>& changed) {
    const auto regionOf = [](const std::vector<raster::Rect>& rects) {
        QRegion region;
        for (const raster::Rect& r : rects)
            region += QRect(r.left, r.top, r.Width(), r.Height());
        return region;
    };
    QRegion region = regionOf(LimitRepaintRects(changed, kMaxRepaintRects, kRepaintStrips));
    if (region.rectCount() > kMaxRegionRects) {
        std::vector<raster::Rect> banded;
        for (const QRect& r : region)
            banded.push_back(raster::Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
        region = regionOf(LimitRepaintRects(banded, 0, kRepaintStrips));
    }
    return region;
}

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
    for (raster::TBitmap32* buffer : {&shared_->mirrors[0], &shared_->mirrors[1], &shadow_})
        if (buffer->Width() != canvas.Width() || buffer->Height() != canvas.Height())
            buffer->SetSize(canvas.Width(), canvas.Height());
    raster::CopyRect(old, old.BoundsRect(), canvas, old.BoundsRect());
    raster::CopyRect(shadow_, canvas, canvasRect_);
    shadowValid_ = !canvas.Empty() && shadow_.Width() == canvas.Width() && shadow_.Height() == canvas.Height();
    shadowDraws_ = shared_->directDraws;
    // Whatever the mirrors hold is from another transition.
    behind_[0] = behind_[1] = QRegion(0, 0, canvas.Width(), canvas.Height());
}

void ScreenPresenter::CopyNow(const raster::TBitmap32& picture, const raster::Rect& rect) {
    PaintQueued(*shared_);
    std::lock_guard lock(shared_->mutex);
    ++shared_->directDraws;
    Draw(*shared_, picture, rect, rect);
}

void ScreenPresenter::PictureChanging() {
    PaintQueued(*shared_);
    std::lock_guard lock(shared_->mutex);
    ++shared_->directDraws;
}

void ScreenPresenter::Draw(Shared& shared, const raster::TBitmap32& surface, const raster::Rect& source,
                            const raster::Rect& destination) {
    if (source == destination) {
        // One to one in place, as the closing full copy is: most of it is on the picture already.
        std::vector<raster::Rect> changed;
        CopyChangedPixels(surface, *shared.canvas, destination, changed);
        if (shared.display && !changed.empty())
            shared.display->update(RepaintRegion(changed));
        return;
    }
    raster::CopyRect(*shared.canvas, destination, surface, source);
    if (shared.display && !destination.IsEmpty())
        shared.display->update(destination.left, destination.top, destination.Width(), destination.Height());
}

void ScreenPresenter::Present(const raster::TBitmap32& surface, const raster::Rect& source,
                               const raster::Rect& destination) {
    if (QThread::currentThread() == uiThread_) {
        PaintQueued(*shared_);
        std::lock_guard lock(shared_->mutex);
        ++shared_->directDraws;
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
    raster::CopyRect(mirror, destination, surface, source);
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
    CompareFrame();
    const std::shared_ptr<Shared> shared = shared_;
    std::unique_lock lock(shared->mutex);
    PostCollected();
    shared->served.wait(
        lock, [&] { return shared->abandoned || shared->batchesPosted - shared->batchesPainted <= allowed; });
    // The frame just posted is being painted now: the next one's drawing waits a moment for
    // that rather than take a core from the UI thread and the X server.
    shared->served.wait_for(lock, kYieldToScreen,
                            [&] { return shared->abandoned || shared->batchesPosted == shared->batchesPainted; });
}

void ScreenPresenter::CompareFrame() {
    frame_.trace.ended = Clock::now();
    if (!shadowValid_ || frame_.rects.empty())
        return;
    const int m = frame_.mirror;
    raster::TBitmap32& mirror = shared_->mirrors[m];
    // Overlapping rectangles hold the same mirror pixels: each pixel is compared once.
    QRegion presented;
    for (const raster::Rect& r : frame_.rects)
        presented += QRect(r.left, r.top, r.Width(), r.Height());
    // This mirror's batch before this one is painted (the frame waited for it before it presented
    // anything), so the mirror holds what the picture was before that batch.
    for (const QRect& r : behind_[m] - presented)
        raster::CopyRect(mirror, shadow_, raster::Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
    for (const QRect& r : presented)
        CopyChangedPixels(mirror, shadow_, raster::Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()},
                          frame_.changed);
    frame_.repaint = RepaintRegion(frame_.changed);
    frame_.compared = true;
    // Once the picture has taken this mirror's pixels over, the mirror holds the picture from
    // before this frame; the other mirror misses this frame's changes too. (The repaint covers
    // them in a few rectangles.)
    behind_[m] = frame_.repaint;
    behind_[1 - m] += frame_.repaint;
}

void ScreenPresenter::PostCollected() {
    const int mirror = frame_.mirror;
    if (shared_->abandoned || frame_.rects.empty()) {
        frame_ = Batch();
        frame_.mirror = mirror;
        return;
    }
    if (frame_.compared && shared_->directDraws != shadowDraws_) {
        // The picture was drawn on since the shadow was taken: the UI thread compares.
        frame_.compared = false;
        shadowValid_ = false;
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
    std::vector<raster::Rect> changedRects;
    for (Batch& batch : batches) {
        raster::TBitmap32& mirror = shared.mirrors[batch.mirror];
        if (batch.compared) {
            // The mirror holds the whole picture: it becomes the picture.
            batch.trace.swapped = shared.canvas->SwapPixels(mirror);
            if (!batch.trace.swapped)
                for (const raster::Rect& r : batch.changed)
                    raster::CopyRect(*shared.canvas, mirror, r);
            changedRects.insert(changedRects.end(), batch.changed.begin(), batch.changed.end());
            continue;
        }
        // Overlapping rectangles hold the same mirror pixels: each pixel is compared once.
        QRegion region;
        for (const raster::Rect& r : batch.rects)
            region += QRect(r.left, r.top, r.Width(), r.Height());
        for (const QRect& r : region) {
            const raster::Rect rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
            CopyChangedPixels(mirror, *shared.canvas, rect, changedRects);
        }
    }
    // One batch found by the worker comes with its repaint worked out.
    const QRegion changed =
        batches.size() == 1 && batches.front().compared ? batches.front().repaint : RepaintRegion(changedRects);
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
        int64_t pixels = 0;
        for (const QRect& r : changed)
            pixels += int64_t(r.width()) * r.height();
        for (Batch& batch : batches) {
            batch.trace.paintedRects = changed.rectCount();
            batch.trace.paintedPixels = pixels;
            batch.trace.paintedTogether = int(batches.size());
            batch.trace.taken = taken;
            batch.trace.copied = copied;
            batch.trace.painted = painted;
            trace(batch.trace);
        }
    }
}

void ScreenPresenter::PresentAndWait(const raster::TBitmap32& surface, const raster::Rect& source,
                                      const raster::Rect& destination) {
    CompareFrame();
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
    const bool drawn = request->done;
    lock.unlock();
    // The shadow follows the copy (the same copy gives the same pixels); after the frames have
    // ended no batch needs it any more.
    if (framesEnded_) {
        shadowValid_ = false;
    } else if (drawn && shadowValid_) {
        raster::CopyRect(shadow_, destination, surface, source);
        const raster::Rect written = raster::Intersect(destination, canvasRect_);
        for (QRegion& behind : behind_)
            behind += QRect(written.left, written.top, written.Width(), written.Height());
    }
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

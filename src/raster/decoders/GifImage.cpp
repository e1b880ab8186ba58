#include "raster/decoders/GifImage.h"

#include <algorithm>

namespace vorlandite::raster {
namespace {

// An index beyond the palette (a damaged file) shows as opaque black.
constexpr TColor32 kMissingColor = 0xFF000000;

// A frame's rectangle clipped to the logical screen; frames may stick out of it.
struct ClippedRect {
    int x0, y0, x1, y1;
    bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

ClippedRect Clip(const GifFrame& frame, const TBitmap32& canvas) {
    return {std::max(frame.left, 0), std::max(frame.top, 0), std::min(frame.left + frame.width, canvas.Width()),
            std::min(frame.top + frame.height, canvas.Height())};
}

Rect AsRect(const ClippedRect& r) { return Rect{r.x0, r.y0, r.x1, r.y1}; }

bool Inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Adds r to a list of rectangles; frames that repeat the last one's rectangle (often the whole
// screen) add nothing.
void AddRect(std::vector<Rect>& list, const Rect& r) {
    if (!list.empty() && Inside(r, list.back()))
        return;
    if (!list.empty() && Inside(list.back(), r))
        list.back() = r;
    else
        list.push_back(r);
}

} // namespace

std::optional<TColor32> GifImage::TransparentColor(int frameIndex) const {
    if (frameIndex < 0 || frameIndex >= static_cast<int>(frames.size()))
        return std::nullopt;
    const GifFrame& frame = frames[static_cast<std::size_t>(frameIndex)];
    if (!frame.transparentIndex)
        return std::nullopt;
    const std::vector<TColor32>& palette = PaletteOf(frame);
    return *frame.transparentIndex < palette.size() ? palette[*frame.transparentIndex] : kMissingColor;
}

bool GifImage::IsTransparent() const {
    return std::any_of(frames.begin(), frames.end(), [](const GifFrame& f) { return f.transparentIndex.has_value(); });
}

GifAnimator::GifAnimator(std::shared_ptr<const GifImage> image) : image_(std::move(image)) {}

Status GifAnimator::ComposeFrame(int index) {
    if (index < 0 || index >= FrameCount())
        return MakeError("GIF: no frame " + std::to_string(index));
    changed_.clear();
    if (index == current_)
        return Status::Ok();
    if (current_ < 0 || index < current_) {
        if (current_ >= 0 && canvas_.Width() == image_->width && canvas_.Height() == image_->height) {
            // Starting over (every loop of a looping GIF) clears only what the frames drew:
            // the rest has stayed uncovered, and clearing a large logical screen would cost its
            // whole size at every loop.
            for (const Rect& r : drawn_)
                canvas_.FillRect(r, uncovered_);
            changed_.swap(drawn_);
        } else {
            if (!canvas_.SetSize(image_->width, image_->height)) {
                current_ = -1;
                return MakeError("GIF: picture is too large");
            }
            if (uncovered_ != 0)
                canvas_.Clear(uncovered_);
            changed_.push_back(canvas_.BoundsRect());
        }
        drawn_.clear();
        saved_.clear();
        current_ = -1;
    }
    while (current_ < index) {
        if (current_ >= 0)
            Dispose(image_->frames[static_cast<std::size_t>(current_)]);
        ++current_;
        Draw(image_->frames[static_cast<std::size_t>(current_)]);
    }
    return Status::Ok();
}

void GifAnimator::Draw(const GifFrame& frame) {
    const ClippedRect r = Clip(frame, canvas_);
    if (r.Empty())
        return;
    AddRect(changed_, AsRect(r));
    AddRect(drawn_, AsRect(r));
    if (frame.disposal == GifDisposal::RestorePrevious) {
        saved_.clear();
        for (int y = r.y0; y < r.y1; ++y) {
            auto row = canvas_.Scanline(y).subspan(std::size_t(r.x0), std::size_t(r.x1 - r.x0));
            saved_.insert(saved_.end(), row.begin(), row.end());
        }
    }
    const std::vector<TColor32>& palette = image_->PaletteOf(frame);
    const int transparent = frame.transparentIndex ? *frame.transparentIndex : -1;
    for (int y = r.y0; y < r.y1; ++y) {
        const uint8_t* source = frame.indexes.data() + std::size_t(y - frame.top) * std::size_t(frame.width) +
                                std::size_t(r.x0 - frame.left);
        TColor32* target = canvas_.Scanline(y).data();
        for (int x = r.x0; x < r.x1; ++x, ++source) {
            if (*source == transparent)
                continue;
            target[x] = *source < palette.size() ? palette[*source] : kMissingColor;
        }
    }
}

void GifAnimator::Dispose(const GifFrame& frame) {
    const ClippedRect r = Clip(frame, canvas_);
    if (r.Empty())
        return;
    const std::size_t width = std::size_t(r.x1 - r.x0);
    switch (frame.disposal) {
    case GifDisposal::RestoreBackground:
        AddRect(changed_, AsRect(r));
        for (int y = r.y0; y < r.y1; ++y)
            std::ranges::fill(canvas_.Scanline(y).subspan(std::size_t(r.x0), width), uncovered_);
        break;
    case GifDisposal::RestorePrevious:
        if (saved_.size() == width * std::size_t(r.y1 - r.y0)) {
            AddRect(changed_, AsRect(r));
            for (int y = r.y0; y < r.y1; ++y)
                std::ranges::copy(std::span(saved_).subspan(std::size_t(y - r.y0) * width, width),
                                  canvas_.Scanline(y).begin() + r.x0);
        }
        saved_.clear();
        break;
    case GifDisposal::Unspecified:
    case GifDisposal::Keep:
        break;
    }
}

void GifAnimator::SetUncoveredColor(TColor32 colour) {
    if (colour == uncovered_)
        return;
    uncovered_ = colour;
    current_ = -1;
    drawn_.clear();
    changed_.clear();
}

Rect GifAnimator::ChangedRect() const {
    Rect all{};
    for (const Rect& r : changed_)
        all = all.IsEmpty() ? r
                            : Rect{std::min(all.left, r.left), std::min(all.top, r.top), std::max(all.right, r.right),
                                   std::max(all.bottom, r.bottom)};
    return all;
}

TBitmap32 GifAnimator::OpaqueFrame(TColor32 windowColor) const {
    TColor32 fill = windowColor;
    if (std::optional<TColor32> key = image_->TransparentColor(current_))
        fill = *key;
    else if (image_->IsTransparent())
        fill = image_->backgroundColor;
    fill |= 0xFF000000u;
    TBitmap32 picture = canvas_;
    for (TColor32& p : picture.Pixels())
        if ((p >> 24) == 0)
            p = fill;
    return picture;
}

} // namespace vorlandite::raster

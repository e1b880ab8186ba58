#include "transitions/TFold.h"

#include "raster/BitmapDraw.h"
#include "raster/RasterMath.h"
#include "base/RandomSource.h"

#include <algorithm>
#include <cmath>

namespace vorlandite::transitions {

using raster::RoundHalfEven;
using raster::TColor32;

void TFold::Init(int x0, int y0, int w, int h, int steps, double dx, double dy, const raster::TBitmap32* source) {
    source_ = source;
    surfaceWidth_ = source ? source->Width() : 0;
    surfaceHeight_ = source ? source->Height() : 0;
    stepsLeft_ = steps;
    x_ = x0;
    y_ = y0;
    w_ = w;
    h_ = h;
    dx_ = dx;
    dy_ = dy;
    rect_ = {};
    copyRect_ = {};
}

bool TFold::FormRect(bool& visible, bool& more) {
    if (stepsLeft_ <= 0)
        return false;
    --stepsLeft_;
    more = stepsLeft_ > 0;
    raster::Rect rect{RoundHalfEven(std::min(x_, x_ + w_)), RoundHalfEven(std::min(y_, y_ + h_)),
                      RoundHalfEven(std::max(x_, x_ + w_)), RoundHalfEven(std::max(y_, y_ + h_))};
    rect.left = std::max(rect.left, 0);
    rect.top = std::max(rect.top, 0);
    rect.right = std::min(rect.right, surfaceWidth_);
    rect.bottom = std::min(rect.bottom, surfaceHeight_);
    // Visible when either end lies within the surface on both axes (a band wider than the
    // surface with both ends outside counts as gone).
    const auto within = [](double v, int size) { return v >= 0 && v <= size; };
    visible = (within(x_, surfaceWidth_) || within(x_ + w_, surfaceWidth_)) &&
              (within(y_, surfaceHeight_) || within(y_ + h_, surfaceHeight_));
    rect_ = visible ? rect : raster::Rect{};
    copyRect_ = rect_;
    return true;
}

void TFold::Move() {
    x_ += dx_;
    y_ += dy_;
}

bool TFold::Step() {
    bool visible = false, more = false;
    if (!FormRect(visible, more))
        return false;
    Move();
    return more;
}

void TFoldFade::Init(int x0, int y0, int w, int h, int steps, double dx, double dy, const raster::TBitmap32* source,
                     int kind, IRandomSource* random) {
    TFold::Init(x0, y0, w, h, steps, dx, dy, source);
    kind_ = kind;
    random_ = random;
    fade_.SetSize(std::max(w, 0), std::max(h, 0));
    // Alpha of position i of n along the gradient's axis. A gradient one pixel long has no
    // direction: it stays fully opaque.
    const auto ramp = [](int n, bool falling) {
        std::vector<uint8_t> alpha(std::size_t(std::max(n, 0)), 255);
        if (n > 1)
            for (int i = 0; i < n; ++i)
                alpha[std::size_t(i)] = uint8_t(std::ceil(double(falling ? n - 1 - i : i) * 255 / (n - 1)));
        return alpha;
    };
    switch (kind_) {
    case kFadeOpaqueLeft: gradient_ = ramp(fade_.Width(), true); break;
    case kFadeOpaqueRight: gradient_ = ramp(fade_.Width(), false); break;
    case kFadeOpaqueTop: gradient_ = ramp(fade_.Height(), true); break;
    case kFadeOpaqueBottom: gradient_ = ramp(fade_.Height(), false); break;
    default: gradient_.clear(); break;
    }
}

bool TFoldFade::Step() {
    bool visible = false, more = false;
    if (!FormRect(visible, more))
        return false;
    if (visible && source_ && !fade_.Empty()) {
        const raster::Rect at{0, 0, rect_.Width(), rect_.Height()};
        raster::StretchBitmap(fade_, at, *source_, rect_, raster::DrawOptions{});
        ApplyAlpha();
    }
    Move();
    return more;
}

void TFoldFade::ApplyAlpha() {
    const int width = fade_.Width();
    const bool alongColumns = kind_ == kFadeOpaqueLeft || kind_ == kFadeOpaqueRight;
    const bool alongRows = kind_ == kFadeOpaqueTop || kind_ == kFadeOpaqueBottom;
    for (int y = 0; y < fade_.Height(); ++y) {
        TColor32* row = fade_.Scanline(y).data();
        if (alongColumns) {
            for (int x = 0; x < width; ++x)
                row[x] = (row[x] & 0x00FFFFFF) | (TColor32(gradient_[std::size_t(x)]) << 24);
        } else if (alongRows) {
            const TColor32 alpha = TColor32(gradient_[std::size_t(y)]) << 24;
            for (int x = 0; x < width; ++x)
                row[x] = (row[x] & 0x00FFFFFF) | alpha;
        } else {
            for (int x = 0; x < width; ++x) {
                const int a = random_ ? random_->Random(256) : 255;
                row[x] = (row[x] & 0x00FFFFFF) | (TColor32(a) << 24);
            }
        }
    }
}

} // namespace vorlandite::transitions

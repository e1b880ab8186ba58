#include "raster/canvas/BitmapCanvas.h"

#include "raster/canvas/QtImageBridge.h"

#include <QPolygon>
#include <QVector>

#include <vector>

namespace vorlandite::raster {

namespace {

QColor ToQColor(TColor32 colour) { return QColor::fromRgba(QRgb(colour)); }

QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

} // namespace

BitmapCanvas::BitmapCanvas(TBitmap32& bitmap)
    : bitmap_(bitmap),
      image_(reinterpret_cast<uchar*>(bitmap.Pixels().data()), bitmap.Width(), bitmap.Height(),
             qsizetype(bitmap.Width()) * 4, QImage::Format_ARGB32) {
    // An empty surface has no buffer to paint on; every drawing call then does nothing.
    if (image_.isNull())
        return;
    painter_.begin(&image_);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

BitmapCanvas::~BitmapCanvas() {
    if (painter_.isActive())
        painter_.end();
}

void BitmapCanvas::FillRect(const Rect& rect, TColor32 colour) {
    if (!painter_.isActive())
        return;
    if (rect.IsEmpty())
        return;
    painter_.save();
    painter_.setCompositionMode(QPainter::CompositionMode_Source);
    painter_.fillRect(ToQRect(rect), ToQColor(colour));
    painter_.restore();
}

void BitmapCanvas::FillPolygon(std::span<const Point> points, TColor32 colour) {
    if (!painter_.isActive())
        return;
    QPolygon polygon;
    for (const Point& p : points)
        polygon << QPoint(p.x, p.y);
    painter_.save();
    painter_.setCompositionMode(QPainter::CompositionMode_Source);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(ToQColor(colour));
    painter_.drawPolygon(polygon);
    painter_.restore();
}

void BitmapCanvas::FillEllipse(const Rect& box, TColor32 colour) {
    if (!painter_.isActive())
        return;
    const Rect r = Normalised(box);
    painter_.save();
    painter_.setCompositionMode(QPainter::CompositionMode_Source);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(ToQColor(colour));
    painter_.drawEllipse(ToQRect(r));
    painter_.restore();
}

void BitmapCanvas::FillRoundRect(const Rect& rect, int cornerWidth, int cornerHeight, TColor32 colour) {
    if (!painter_.isActive())
        return;
    // Through the exact span region, so the shape matches the region of the same name.
    const Region region = Region::FromRoundRect(rect, cornerWidth, cornerHeight);
    painter_.save();
    painter_.setCompositionMode(QPainter::CompositionMode_Source);
    for (int y = region.Top(); y < region.Bottom(); ++y)
        for (const Span& s : region.Row(y))
            painter_.fillRect(QRect(s.left, y, s.right - s.left, 1), ToQColor(colour));
    painter_.restore();
}

void BitmapCanvas::DrawText(int x, int y, const QString& text, const QFont& font, TColor32 colour, bool antialiased) {
    if (!painter_.isActive())
        return;
    painter_.save();
    painter_.setFont(font);
    painter_.setPen(ToQColor(colour));
    painter_.setRenderHint(QPainter::TextAntialiasing, antialiased);
    if (!antialiased) {
        QFont plain = font;
        plain.setStyleStrategy(QFont::NoAntialias);
        painter_.setFont(plain);
    }
    // Qt places text by its baseline; the callers give the top-left corner.
    painter_.drawText(QPoint(x, y + painter_.fontMetrics().ascent()), text);
    painter_.restore();
}

Rect BitmapCanvas::DrawText(const Rect& rect, int flags, const QString& text, const QFont& font, TColor32 colour,
                              bool antialiased) {
    if (!painter_.isActive())
        return {};
    painter_.save();
    QFont used = font;
    if (!antialiased)
        used.setStyleStrategy(QFont::NoAntialias);
    painter_.setFont(used);
    painter_.setPen(ToQColor(colour));
    painter_.setRenderHint(QPainter::TextAntialiasing, antialiased);
    QRect bounds;
    painter_.drawText(ToQRect(rect), flags, text, &bounds);
    painter_.restore();
    return {bounds.left(), bounds.top(), bounds.left() + bounds.width(), bounds.top() + bounds.height()};
}

void BitmapCanvas::DrawImage(int x, int y, const QImage& image) {
    if (!painter_.isActive())
        return;
    painter_.save();
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_.drawImage(QPoint(x, y), image);
    painter_.restore();
}

void BitmapCanvas::CopyRect(const Rect& destination, const TBitmap32& source, const Rect& sourceRect) {
    if (!painter_.isActive())
        return;
    if (destination.IsEmpty() || sourceRect.IsEmpty() || source.Empty())
        return;
    const QImage wrapped = WrapConst(source);
    painter_.save();
    painter_.setCompositionMode(QPainter::CompositionMode_Source);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_.drawImage(ToQRect(destination), wrapped, ToQRect(sourceRect));
    painter_.restore();
}

void BitmapCanvas::SetClipRegion(const Region& region) { SetClipRegion(ToQRegion(region)); }

void BitmapCanvas::SetClipRegion(const QRegion& region) {
    if (painter_.isActive())
        painter_.setClipRegion(region, Qt::ReplaceClip);
}

void BitmapCanvas::RemoveClip() {
    if (painter_.isActive())
        painter_.setClipping(false);
}

Rect BitmapCanvas::ClipBoundingBox() const {
    if (!painter_.isActive() || !painter_.hasClipping())
        return bitmap_.BoundsRect();
    const QRect r = painter_.clipBoundingRect().toAlignedRect();
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

QRegion ToQRegion(const Region& region) {
    std::vector<QRect> rects;
    for (int y = region.Top(); y < region.Bottom(); ++y)
        for (const Span& s : region.Row(y))
            rects.emplace_back(s.left, y, s.right - s.left, 1);
    QRegion result;
    // The spans are y-x banded already (rows top to bottom, spans left to right).
    result.setRects(rects.data(), int(rects.size()));
    return result;
}

} // namespace vorlandite::raster

#pragma once
// The drawing canvas of a surface: Qt's painter working directly on the surface's pixels (a
// QImage in Format_ARGB32 wraps the buffer, nothing is copied). Text, solid fills, polygons,
// ellipses, rounded rectangles, picture drawing and rectangle copies, all honouring a clipping
// region. Shapes are drawn without antialiasing and replace the pixels they cover, alpha
// included, like the platform's solid fills; text and pictures are blended.
//
// The surface must keep its size (and so its buffer) while a canvas on it exists.

#include "raster/Geometry.h"
#include "raster/TBitmap32.h"
#include "raster/Region.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QString>

#include <span>

namespace vorlandite::raster {

class BitmapCanvas {
public:
    explicit BitmapCanvas(TBitmap32& bitmap);
    ~BitmapCanvas();
    BitmapCanvas(const BitmapCanvas&) = delete;
    BitmapCanvas& operator=(const BitmapCanvas&) = delete;

    // For anything the methods below do not cover; state changes stay with the caller.
    QPainter& Painter() { return painter_; }
    QImage& Image() { return image_; }

    void FillRect(const Rect& rect, TColor32 colour);
    void FillPolygon(std::span<const Point> points, TColor32 colour);
    // The ellipse inscribed in the box.
    void FillEllipse(const Rect& box, TColor32 colour);
    // Corners rounded by quarter ellipses of cornerWidth x cornerHeight.
    void FillRoundRect(const Rect& rect, int cornerWidth, int cornerHeight, TColor32 colour);

    // Text with its top-left corner at (x, y), one line.
    void DrawText(int x, int y, const QString& text, const QFont& font, TColor32 colour, bool antialiased = true);
    // Text laid out in a rectangle by Qt alignment and wrapping flags (Qt::AlignLeft,
    // Qt::TextWordWrap, ...). Returns the rectangle the text occupies.
    Rect DrawText(const Rect& rect, int flags, const QString& text, const QFont& font, TColor32 colour,
                   bool antialiased = true);

    // Draws a picture unscaled at (x, y), blended by its own alpha.
    void DrawImage(int x, int y, const QImage& image);
    // Copies the source rectangle of a surface into the destination rectangle, replacing the
    // pixels (pixel replication when the sizes differ), inside the clipping region only.
    void CopyRect(const Rect& destination, const TBitmap32& source, const Rect& sourceRect);

    void SetClipRegion(const Region& region);
    void SetClipRegion(const QRegion& region);
    void RemoveClip();
    bool HasClip() const { return painter_.hasClipping(); }
    // The bounding box of the clipping region; the whole surface without one.
    Rect ClipBoundingBox() const;

private:
    TBitmap32& bitmap_;
    QImage image_;
    QPainter painter_;
};

// The region as Qt's region type, pixel for pixel.
QRegion ToQRegion(const Region& region);

} // namespace vorlandite::raster

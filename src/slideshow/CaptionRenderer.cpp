#include "slideshow/CaptionRenderer.h"

#include "base/Windows1252.h"
#include "raster/ColorConversion.h"
#include "raster/RasterMath.h"
#include "raster/canvas/TBitmapCanvas.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QStringList>

#include <algorithm>
#include <cstdlib>

namespace vorlandite::slideshow {

namespace {

constexpr int kBoxBorder = 5;
constexpr int kDefaultPoints = 12;
// Far beyond any caption that fits a screen, small enough that no glyph cache or coordinate
// sum can overflow on a hostile record.
constexpr int kMaxPixelSize = 2000;
// Captions placed further out than this are off every screen anyway; keeping coordinates
// inside it lets the box arithmetic (X - 5, X + w + 5) stay in range.
constexpr int kCoordinateLimit = 1 << 28;

constexpr int kLayoutFlags = Qt::AlignLeft | Qt::AlignTop;
constexpr raster::TColor32 kShadowColour = 0xFF000000u;

bool FontsAvailable() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

QString FromCp1252(const std::string& bytes) { return QString::fromStdString(Cp1252ToUtf8(bytes)); }

// Metrics as a painter on a surface sees them, so that measuring and drawing agree.
QFontMetrics SurfaceMetrics(const QFont& font) {
    static const QImage device(1, 1, QImage::Format_ARGB32);
    return QFontMetrics(font, &device);
}

TCaptionLayout Layout(const QString& text, const QFont& font, const TOverlayPosition& position, int targetWidth,
                      int targetHeight) {
    const QFontMetrics metrics = SurfaceMetrics(font);
    const QRect block = metrics.boundingRect(QRect(0, 0, 0, 0), kLayoutFlags, text);
    const QRect letter = metrics.boundingRect(QRect(0, 0, 0, 0), kLayoutFlags, QStringLiteral("A"));
    const int w = block.width();
    const int h = block.height();
    raster::TPoint at = PositionBox(position, w, h, targetWidth, targetHeight);
    at.X = std::clamp(at.X, -kCoordinateLimit, kCoordinateLimit);
    at.Y = std::clamp(at.Y, -kCoordinateLimit, kCoordinateLimit);
    return {raster::TRect{at.X, at.Y, at.X + w, at.Y + h}, letter.height()};
}

raster::TRect Moved(const raster::TRect& r, int dx, int dy) {
    return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

// Lines stepped by the height of "A", each drawn smoothed at its own top-left corner.
void DrawLines(raster::TBitmapCanvas& canvas, const QString& text, const QFont& font, const TCaptionLayout& layout,
               raster::TColor32 colour, bool shadow) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const int64_t y64 = int64_t(layout.TextRect.Top) + int64_t(k) * layout.LineHeight;
        if (y64 > kCoordinateLimit)
            break;  // every further line is below the target too
        const int y = int(y64);
        if (shadow)
            canvas.DrawText(layout.TextRect.Left + 1, y + 1, lines[k], font, kShadowColour, true);
        canvas.DrawText(layout.TextRect.Left, y, lines[k], font, colour, true);
    }
}

// The whole text as one block in its box, with the font's own line spacing.
void DrawBlock(raster::TBitmapCanvas& canvas, const QString& text, const QFont& font, const TCaptionLayout& layout,
               raster::TColor32 colour, bool shadow) {
    // Italic overhang may reach past the measured box; let it show rather than cut the glyph.
    constexpr int flags = kLayoutFlags | Qt::TextDontClip;
    if (shadow)
        canvas.DrawText(Moved(layout.TextRect, 1, 1), flags, text, font, kShadowColour, true);
    canvas.DrawText(layout.TextRect, flags, text, font, colour, true);
}

} // namespace

TCaption CaptionOf(const payload::TKelImageInfo& item) {
    TCaption caption;
    caption.Text = FromCp1252(item.Text);
    caption.TextColor = uint32_t(item.TextColor);
    caption.BoxColor = uint32_t(item.TextBackColor);
    caption.FontName = FromCp1252(item.TextFontName);
    caption.Size = item.TextSize;
    caption.StyleBits = item.TextStyle;
    caption.Position = {item.TextPosition, item.TextMarginX, item.TextMarginY};
    caption.NoBox = item.TextTransparent != 0;
    caption.MultiLine = item.TextMultiLine != 0;
    caption.Shadow = item.TextShadow != 0;
    return caption;
}

QFont CaptionFont(const QString& fontName, int size, int styleBits) {
    QFont font;
    font.setFamilies({fontName.isEmpty() ? QString::fromLatin1(kDefaultCaptionFont) : fontName});
    // An unknown family then resolves to a sans font, like the default caption font.
    font.setStyleHint(QFont::SansSerif);
    // Greyscale smoothing: the surface has no fixed subpixel order to render for.
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
    const int points = size == 0 ? kDefaultPoints : int(std::min(std::abs(int64_t(size)), int64_t(kMaxPixelSize)));
    font.setPixelSize(std::clamp(raster::MulDiv(points, 96, 72), 1, kMaxPixelSize));
    font.setUnderline((styleBits & kCaptionUnderline) != 0);
    font.setBold((styleBits & kCaptionBold) != 0);
    font.setItalic((styleBits & kCaptionItalic) != 0);
    font.setStrikeOut((styleBits & kCaptionStrikeOut) != 0);
    return font;
}

QString NormaliseLineBreaks(const QString& text) {
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return normalised;
}

TCaptionLayout LayoutCaption(const TCaption& caption, int targetWidth, int targetHeight) {
    if (!FontsAvailable())
        return {};
    return Layout(NormaliseLineBreaks(caption.Text), CaptionFont(caption.FontName, caption.Size, caption.StyleBits),
                  caption.Position, targetWidth, targetHeight);
}

void RenderCaption(raster::TBitmap32& target, const TCaption& caption) {
    if (!FontsAvailable() || target.Empty())
        return;
    const QString text = NormaliseLineBreaks(caption.Text);
    const QFont font = CaptionFont(caption.FontName, caption.Size, caption.StyleBits);
    const TCaptionLayout layout = Layout(text, font, caption.Position, target.Width(), target.Height());

    raster::TBitmapCanvas canvas(target);
    if (!caption.NoBox) {
        const raster::TRect& r = layout.TextRect;
        canvas.FillRect({r.Left - kBoxBorder, r.Top - kBoxBorder, r.Right + kBoxBorder, r.Bottom + kBoxBorder},
                        raster::ToColor32(caption.BoxColor));
    }
    const raster::TColor32 colour = raster::ToColor32(caption.TextColor);
    if (caption.MultiLine)
        DrawLines(canvas, text, font, layout, colour, caption.Shadow);
    else
        DrawBlock(canvas, text, font, layout, colour, caption.Shadow);
}

void DrawItemText(std::span<const payload::TKelImageInfo> items, int index, raster::TBitmap32& target) {
    if (index < 0 || std::size_t(index) >= items.size())
        return;
    const payload::TKelImageInfo& item = items[std::size_t(index)];
    if (item.Text.empty())
        return;
    RenderCaption(target, CaptionOf(item));
}

} // namespace vorlandite::slideshow

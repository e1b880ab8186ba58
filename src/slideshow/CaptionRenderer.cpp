#include "slideshow/CaptionRenderer.h"

#include "base/Windows1252.h"
#include "raster/ColorConversion.h"
#include "raster/RasterMath.h"
#include "raster/canvas/BitmapCanvas.h"

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

CaptionLayout Layout(const QString& text, const QFont& font, const OverlayPosition& position, int targetWidth,
                     int targetHeight) {
    const QFontMetrics metrics = SurfaceMetrics(font);
    const QRect block = metrics.boundingRect(QRect(0, 0, 0, 0), kLayoutFlags, text);
    const QRect letter = metrics.boundingRect(QRect(0, 0, 0, 0), kLayoutFlags, QStringLiteral("A"));
    const int w = block.width();
    const int h = block.height();
    raster::Point at = PositionBox(position, w, h, targetWidth, targetHeight);
    at.x = std::clamp(at.x, -kCoordinateLimit, kCoordinateLimit);
    at.y = std::clamp(at.y, -kCoordinateLimit, kCoordinateLimit);
    return {raster::Rect{at.x, at.y, at.x + w, at.y + h}, letter.height()};
}

raster::Rect Moved(const raster::Rect& r, int dx, int dy) {
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

// Lines stepped by the height of "A", each drawn smoothed at its own top-left corner.
void DrawLines(raster::BitmapCanvas& canvas, const QString& text, const QFont& font, const CaptionLayout& layout,
               raster::TColor32 colour, bool shadow) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const int64_t y64 = int64_t(layout.textRect.top) + int64_t(k) * layout.lineHeight;
        if (y64 > kCoordinateLimit)
            break;  // every further line is below the target too
        const int y = int(y64);
        if (shadow)
            canvas.DrawText(layout.textRect.left + 1, y + 1, lines[k], font, kShadowColour, true);
        canvas.DrawText(layout.textRect.left, y, lines[k], font, colour, true);
    }
}

// The whole text as one block in its box, with the font's own line spacing.
void DrawBlock(raster::BitmapCanvas& canvas, const QString& text, const QFont& font, const CaptionLayout& layout,
               raster::TColor32 colour, bool shadow) {
    // Italic overhang may reach past the measured box; let it show rather than cut the glyph.
    constexpr int flags = kLayoutFlags | Qt::TextDontClip;
    if (shadow)
        canvas.DrawText(Moved(layout.textRect, 1, 1), flags, text, font, kShadowColour, true);
    canvas.DrawText(layout.textRect, flags, text, font, colour, true);
}

} // namespace

Caption CaptionOf(const payload::TKelImageInfo& item) {
    Caption caption;
    caption.text = FromCp1252(item.Text);
    caption.textColor = uint32_t(item.TextColor);
    caption.boxColor = uint32_t(item.TextBackColor);
    caption.fontName = FromCp1252(item.TextFontName);
    caption.size = item.TextSize;
    caption.styleBits = item.TextStyle;
    caption.position = {item.TextPosition, item.TextMarginX, item.TextMarginY};
    caption.noBox = item.TextTransparent != 0;
    caption.multiLine = item.TextMultiLine != 0;
    caption.shadow = item.TextShadow != 0;
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

CaptionLayout LayoutCaption(const Caption& caption, int targetWidth, int targetHeight) {
    if (!FontsAvailable())
        return {};
    return Layout(NormaliseLineBreaks(caption.text), CaptionFont(caption.fontName, caption.size, caption.styleBits),
                  caption.position, targetWidth, targetHeight);
}

void RenderCaption(raster::TBitmap32& target, const Caption& caption) {
    if (!FontsAvailable() || target.Empty())
        return;
    const QString text = NormaliseLineBreaks(caption.text);
    const QFont font = CaptionFont(caption.fontName, caption.size, caption.styleBits);
    const CaptionLayout layout = Layout(text, font, caption.position, target.Width(), target.Height());

    raster::BitmapCanvas canvas(target);
    if (!caption.noBox) {
        const raster::Rect& r = layout.textRect;
        canvas.FillRect({r.left - kBoxBorder, r.top - kBoxBorder, r.right + kBoxBorder, r.bottom + kBoxBorder},
                        raster::ToColor32(caption.boxColor));
    }
    const raster::TColor32 colour = raster::ToColor32(caption.textColor);
    if (caption.multiLine)
        DrawLines(canvas, text, font, layout, colour, caption.shadow);
    else
        DrawBlock(canvas, text, font, layout, colour, caption.shadow);
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

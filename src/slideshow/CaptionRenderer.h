#pragma once
// The caption of a display item: text in the author's font, colour and style, placed by a
// position code, optionally on a box of its own colour and with a one-pixel shadow.
//
// Two ways of laying out lines exist, and both are kept because stored shows rely on them:
// a multi-line caption steps its lines by the height of the letter "A" and is always
// antialiased; an ordinary caption is drawn as one block that keeps the font's own line
// spacing. The box is measured the same way in both cases.
//
// Drawing text needs a QGuiApplication (fonts); without one nothing is drawn.

#include "payload/PayloadRecords.h"
#include "raster/Geometry.h"
#include "raster/TBitmap32.h"
#include "slideshow/PositionCodes.h"

#include <QFont>
#include <QString>

#include <cstdint>
#include <span>

namespace vorlandite::slideshow {

// Caption style bits of the item record.
inline constexpr int kCaptionUnderline = 1;
inline constexpr int kCaptionBold = 2;
inline constexpr int kCaptionItalic = 4;
inline constexpr int kCaptionStrikeOut = 8;

// The font used when the record names none.
inline constexpr const char* kDefaultCaptionFont = "Verdana";

// Everything `RenderCaption` needs, already converted from the record's Windows-1252 bytes.
struct Caption {
    QString text;
    uint32_t textColor = 0;  // 0x00BBGGRR colour values
    uint32_t boxColor = 0;
    QString fontName;        // empty: kDefaultCaptionFont
    int size = 0;            // points, at 96 pixels per inch
    int styleBits = 0;
    OverlayPosition position;
    bool noBox = false;
    bool multiLine = false;
    bool shadow = false;
};

// The item record's caption fields, texts converted from Windows-1252.
Caption CaptionOf(const payload::TKelImageInfo& item);

// The font of a caption: name (or the default), size converted from points at 96 dpi (clamped
// to a sane range; 0 takes 12 points), style bits. An unknown family falls back to a sans font.
QFont CaptionFont(const QString& fontName, int size, int styleBits);

// Where the caption's text goes on a target of the given size: the measured text block (the
// box behind it is this rectangle grown by 5 pixels on every side) and the step between lines
// of a multi-line caption.
struct CaptionLayout {
    raster::Rect textRect;
    int lineHeight = 0;
};
CaptionLayout LayoutCaption(const Caption& caption, int targetWidth, int targetHeight);

// Line breaks (CR LF, CR, LF) as Qt lays them out.
QString NormaliseLineBreaks(const QString& text);

// `RenderCaption`: the box (unless NoBox), then the shadow (if Shadow), then the text.
void RenderCaption(raster::TBitmap32& target, const Caption& caption);

// `DrawItemText`: the caption of item number index; nothing when index is outside the table or
// the item has no text.
void DrawItemText(std::span<const payload::TKelImageInfo> items, int index, raster::TBitmap32& target);

} // namespace vorlandite::slideshow

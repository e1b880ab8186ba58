#include "commands/ContactSheet.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace vorlandite::tools {
namespace {

constexpr int kGap = 8;
constexpr int kLabelHeight = 22;
constexpr QRgb kSheetColour = 0xFF303030u;

// The surface's pixels seen as a QImage (same memory layout), without a copy.
QImage View(const raster::TBitmap32& bitmap) {
    return QImage(reinterpret_cast<const uchar*>(bitmap.Pixels().data()), bitmap.Width(), bitmap.Height(),
                  bitmap.Width() * 4, QImage::Format_ARGB32);
}

raster::TBitmap32 FromImage(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    raster::TBitmap32 bitmap = raster::TBitmap32::Create(argb.width(), argb.height()).value();
    for (int y = 0; y < argb.height(); ++y)
        std::memcpy(bitmap.Pixels().data() + std::size_t(y) * argb.width(), argb.constScanLine(y),
                    std::size_t(argb.width()) * 4);
    return bitmap;
}

}  // namespace

ContactSheet::ContactSheet(int thumbWidth, int columns)
    : thumbWidth_(std::max(16, thumbWidth)), columns_(std::max(1, columns)) {}

void ContactSheet::Add(const raster::TBitmap32& screen, const std::string& label) {
    if (screen.Width() < 1 || screen.Height() < 1)
        return;
    const int height = std::max(1, int(int64_t(screen.Height()) * thumbWidth_ / screen.Width()));
    // The screen is opaque whatever its alpha says (a screen has no transparency).
    QImage opaque = View(screen).convertToFormat(QImage::Format_RGB32);
    cells_.push_back(Cell{FromImage(opaque.scaled(thumbWidth_, height, Qt::IgnoreAspectRatio,
                                                  Qt::SmoothTransformation)),
                          label});
}

Result<raster::TBitmap32> ContactSheet::Compose() const {
    if (cells_.empty())
        return MakeError("no screens to put on the contact sheet");
    int cellHeight = 0;
    for (const Cell& cell : cells_)
        cellHeight = std::max(cellHeight, cell.thumb.Height());
    const int columns = std::min(columns_, int(cells_.size()));
    const int rows = (int(cells_.size()) + columns - 1) / columns;
    const int width = kGap + columns * (thumbWidth_ + kGap);
    const int height = kGap + rows * (cellHeight + kLabelHeight + kGap);
    auto created = raster::TBitmap32::Create(width, height);
    if (!created)
        return MakeError(created.message());

    QImage sheet(width, height, QImage::Format_ARGB32);
    sheet.fill(kSheetColour);
    {
        QPainter painter(&sheet);
        // Text needs fonts, which only a GUI application has; the thumbnails come without.
        const bool canWrite = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
        QFont font;
        font.setPixelSize(14);
        painter.setFont(font);
        painter.setPen(QColor(230, 230, 230));
        for (std::size_t i = 0; i < cells_.size(); ++i) {
            const int x = kGap + int(i) % columns * (thumbWidth_ + kGap);
            const int y = kGap + int(i) / columns * (cellHeight + kLabelHeight + kGap);
            painter.drawImage(x, y, View(cells_[i].thumb));
            if (canWrite)
                painter.drawText(QRect(x, y + cellHeight, thumbWidth_, kLabelHeight), Qt::AlignLeft | Qt::AlignVCenter,
                                 QString::fromStdString(cells_[i].label));
        }
    }
    return FromImage(sheet);
}

} // namespace vorlandite::tools

#include "slideshow/Wallpaper.h"

#include "base/AsciiCase.h"
#include "base/PendingFile.h"
#include "payload/ExtractedFile.h"
#include "payload/TempFiles.h"
#include "raster/canvas/BitmapCanvas.h"
#include "raster/decoders/PictureDecoding.h"

#include <QFont>
#include <QFontMetrics>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace vorlandite::slideshow {

namespace {

constexpr int kNoticeX = 100;
constexpr int kNoticeY = 200;
// The bitmap canvas's default font: 8 points at 96 dpi.
constexpr int kNoticePixelSize = 11;
constexpr raster::TColor32 kWindowText = 0xFF000000;
constexpr raster::TColor32 kNoticeBackground = 0xFFFFFFFF;
constexpr int kStretchedSetting = 1;
constexpr std::size_t kBmpHeaders = 14 + 40;

void PutU16(std::vector<uint8_t>& out, std::size_t at, uint32_t v) {
    out[at] = uint8_t(v);
    out[at + 1] = uint8_t(v >> 8);
}
void PutU32(std::vector<uint8_t>& out, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = uint8_t(v >> (8 * i));
}

std::string LowerExtension(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : ToAsciiLower(name.substr(dot));
}

Status CopyFileReplacing(const std::string& from, const std::string& to) {
    PendingFile target(to);
    if (!target.IsOpen())
        return MakeError("cannot write " + to);
    std::ifstream in(from, std::ios::binary);
    if (!in)
        return MakeError("cannot read " + from);
    std::vector<char> buffer(1 << 16);
    while (in) {
        in.read(buffer.data(), std::streamsize(buffer.size()));
        const std::streamsize n = in.gcount();
        if (n > 0 && !target.Write(buffer.data(), std::size_t(n)))
            return MakeError("cannot write " + to);
    }
    if (in.bad())
        return MakeError("cannot read " + from);
    return target.Commit();
}

} // namespace

std::string WallpaperFilePath(const std::string& windowsFolder) {
    return windowsFolder + "/" + std::string(kWallpaperFileName);
}

Status SetDesktopWallpaper(platform::Registry& registry, platform::IDesktopWallpaper& desktop, const std::string& path,
                           bool stretched) {
    auto key = registry.OpenKey(kDesktopKey, /*create=*/true);
    if (!key.ok())
        return key.error();
    (*key)->WriteString("Wallpaper", path);
    (*key)->WriteString("TileWallpaper", "0");
    (*key)->WriteString("WallpaperStyle", stretched ? "2" : "0");
    (*key)->WriteString("WallpaperOriginX", "0");
    (*key)->WriteString("WallpaperOriginY", "0");
    if (Status saved = (*key)->Close(); !saved)
        return saved;
    desktop.Apply(path, stretched);
    return Status::Ok();
}

Status SaveBitmapFile(const raster::TBitmap32& bitmap, const std::string& path) {
    if (bitmap.Empty())
        return MakeError("empty picture");
    const std::size_t rowBytes = (std::size_t(bitmap.Width()) * 3 + 3) & ~std::size_t(3);
    const uint64_t imageBytes = uint64_t(rowBytes) * uint64_t(bitmap.Height());
    if (kBmpHeaders + imageBytes > 0xFFFFFFFFu)
        return MakeError("picture too large for a bitmap file");
    std::vector<uint8_t> header(kBmpHeaders, 0);
    header[0] = 'B';
    header[1] = 'M';
    PutU32(header, 2, uint32_t(kBmpHeaders + imageBytes));
    PutU32(header, 10, uint32_t(kBmpHeaders));
    PutU32(header, 14, 40);
    PutU32(header, 18, uint32_t(bitmap.Width()));
    PutU32(header, 22, uint32_t(bitmap.Height()));  // positive: bottom-up rows
    PutU16(header, 26, 1);
    PutU16(header, 28, 24);
    PutU32(header, 34, uint32_t(imageBytes));
    PutU32(header, 38, 3780);  // 96 dpi in pixels per metre
    PutU32(header, 42, 3780);

    PendingFile file(path);
    if (!file.IsOpen())
        return MakeError("cannot write " + path);
    if (!file.Write(header.data(), header.size()))
        return MakeError("cannot write " + path);
    std::vector<uint8_t> row(rowBytes, 0);
    for (int y = bitmap.Height() - 1; y >= 0; --y) {
        std::size_t at = 0;
        for (raster::TColor32 c : bitmap.Scanline(y)) {
            const uint32_t a = c >> 24;
            const auto channel = [&](int shift) { return uint8_t((((c >> shift) & 0xFF) * a + 127) / 255); };
            row[at++] = channel(0);
            row[at++] = channel(8);
            row[at++] = channel(16);
        }
        if (!file.Write(row.data(), row.size()))
            return MakeError("cannot write " + path);
    }
    return file.Commit();
}

raster::Rect DrawWallpaperNotice(raster::TBitmap32& bitmap) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kNoticePixelSize);
    const QString text = QString::fromLatin1(kWallpaperNotice.data(), qsizetype(kWallpaperNotice.size()));
    const QFontMetrics metrics(font);
    raster::Rect box{kNoticeX, kNoticeY, kNoticeX + metrics.horizontalAdvance(text), kNoticeY + metrics.height()};
    raster::Rect clipped{std::max(box.left, 0), std::max(box.top, 0), std::min(box.right, bitmap.Width()),
                         std::min(box.bottom, bitmap.Height())};
    if (clipped.IsEmpty())
        return {};
    raster::BitmapCanvas canvas(bitmap);
    canvas.FillRect(box, kNoticeBackground);
    canvas.DrawText(kNoticeX, kNoticeY, text, font, kWindowText, /*antialiased=*/false);
    return clipped;
}

Status SetCurrentImageAsWallpaper(int currentPictureIndex, const payload::Payload& payload,
                                  const std::string& screensaverPath, const WallpaperServices& services,
                                  const WallpaperScreen& screen) {
    if (currentPictureIndex < 0)
        return Status::Ok();
    if (std::size_t(currentPictureIndex) >= payload.images.size())
        return MakeError("no such item");
    const payload::TKelImageInfo& item = payload.images[std::size_t(currentPictureIndex)];

    if (screen.pictureBitmap) {
        const raster::Rect changed = DrawWallpaperNotice(*screen.pictureBitmap);
        if (!changed.IsEmpty() && screen.repaint)
            screen.repaint(changed);
    }

    auto extracted = payload::ExtractedFile::Extract(
        screensaverPath, payload::TempFilePath(services.tempFolder, payload::kWallpaperItemFile, item.Ext),
        payload::TableItem(payload.header, item));
    if (!extracted)
        return extracted.error();
    const std::string wallpaper = WallpaperFilePath(services.windowsFolder);
    Status written;
    if (LowerExtension(extracted->Path()) != ".bmp") {
        auto picture = raster::DecodePictureFile(extracted->Path(), raster::kShowPictureHint);
        written = picture.ok() ? SaveBitmapFile(*picture, wallpaper) : Status(picture.error());
    } else {
        written = CopyFileReplacing(extracted->Path(), wallpaper);
    }
    // The extracted copy goes whatever happened to it: a failed request must not leave it behind.
    extracted->Reset();
    if (!written)
        return written;
    return SetDesktopWallpaper(services.registry, services.desktop, wallpaper,
                               payload.header.Stretch == kStretchedSetting);
}

} // namespace vorlandite::slideshow

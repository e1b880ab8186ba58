#pragma once
// F2 during the show: the picture on screen becomes the desktop wallpaper. The wallpaper is the
// item as the payload stores it (no filters, mask, caption, logo or background), written as a
// Windows bitmap in the Windows folder; the per-user wallpaper values go to the store and the
// desktop's own facility is told. The show keeps running.

#include "base/Result.h"
#include "payload/ContainerReader.h"
#include "platform/DesktopWallpaper.h"
#include "platform/Registry.h"
#include "raster/TBitmap32.h"

#include <functional>
#include <string>
#include <string_view>

namespace vorlandite::slideshow {

inline constexpr std::string_view kWallpaperFileName = "Screen Saver Wallpaper.bmp";
inline constexpr std::string_view kWallpaperNotice = "Setting this picture as wallpaper";
inline constexpr std::string_view kDesktopKey = "Control Panel\\Desktop";

// windowsFolder (no trailing separator) + "/Screen Saver Wallpaper.bmp".
std::string WallpaperFilePath(const std::string& windowsFolder);

// The store's wallpaper values (all text): Wallpaper = path, TileWallpaper "0", WallpaperStyle
// "2" stretched or "0" centred, origin "0", "0"; then the desktop applies them. A key that cannot
// be opened or saved fails before the desktop is told.
Status SetDesktopWallpaper(platform::Registry& registry, platform::IDesktopWallpaper& desktop, const std::string& path,
                           bool stretched);

// An uncompressed 24-bit Windows bitmap. Pixels that are not opaque count as drawn on black (a
// GIF's transparent colour becomes black, as when the picture is drawn on a new bitmap). Written
// under a temporary name and renamed, so a failed write leaves the old wallpaper whole.
Status SaveBitmapFile(const raster::TBitmap32& bitmap, const std::string& path);

// The notice in the picture bitmap (top-left corner at 100, 200; the dialog font in window-text
// colour on white). Returns the rectangle it covers, clipped to the bitmap.
raster::Rect DrawWallpaperNotice(raster::TBitmap32& bitmap);

struct WallpaperServices {
    platform::Registry& registry;
    platform::IDesktopWallpaper& desktop;
    std::string windowsFolder;  // no trailing separator
    std::string tempFolder;     // ends with '/'
};

// What is on screen: the picture bitmap the notice is written into (null: none) and how to
// repaint the part of it that changed.
struct WallpaperScreen {
    raster::TBitmap32* pictureBitmap = nullptr;
    std::function<void(const raster::Rect&)> repaint;
};

// Does nothing (Ok) when `currentPictureIndex` is below 0: a video or Flash movie is on screen,
// or no picture yet. Otherwise writes the notice, extracts the item to "SSWIMG" + Ext, copies a
// ".bmp" file unchanged (the extension compared in lower case) or decodes and saves any other,
// removes the extracted file (also when decoding failed) and sets the wallpaper, stretched when
// the Stretch setting is 1. A failure leaves the store and the desktop as they were.
Status SetCurrentImageAsWallpaper(int currentPictureIndex, const payload::Payload& payload,
                                  const std::string& screensaverPath, const WallpaperServices& services,
                                  const WallpaperScreen& screen = {});

} // namespace vorlandite::slideshow

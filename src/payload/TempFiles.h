#pragma once
// The fixed names of the files the engine extracts into its temporary folder.

#include <string>
#include <string_view>

namespace vorlandite::payload {

inline constexpr std::string_view kItemFile = "SSIMG";            // + Ext: the display item shown
inline constexpr std::string_view kPreviewFile = "SSIMG.BMP";     // the preview picture
inline constexpr std::string_view kMelodyFile = "SSSND";          // + Ext: the melody playing
inline constexpr std::string_view kEnterSoundFile = "SSSnd";      // + Ext: the enter sound
inline constexpr std::string_view kMaskFile = "SSMASK";           // + ".bmp" / ".png" / ".gif"
inline constexpr std::string_view kLogoFile = "SSLG";             // + LogoExt
inline constexpr std::string_view kExitBannerFile = "SSEB";       // + ExitBannerExt
inline constexpr std::string_view kBackgroundFile = "SSBG";       // + BackgroundExt
inline constexpr std::string_view kWallpaperItemFile = "SSWIMG";  // + Ext: the item made wallpaper
inline constexpr std::string_view kDataFile = "SSDATA.DAT";       // never written; removed at close

// An extension field made safe to end a file name with: a separator or control byte in it (a
// damaged or hostile payload) would otherwise lead the name out of its folder.
std::string SafeExtension(std::string_view ext);

// folder (ending with '/') + name part + extension.
std::string TempFilePath(std::string_view folder, std::string_view namePart, std::string_view ext = {});

// The mask file's extension by the record's format byte: 0 BMP, 1 PNG, anything else GIF.
std::string_view MaskExtension(unsigned format);

} // namespace vorlandite::payload

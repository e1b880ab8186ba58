#pragma once
// Pictures are decoded by their file name's extension, compared without regard to case, the
// way items, masks, the logo and the background come out of the payload: the extension picks
// the decoder and the bytes must then be of that format (a PNG named .jpg is not decoded).
//
// Accepted extensions: bmp dib rle (Windows bitmaps), ico (icons), jpg jpeg jpe jfif (JPEG),
// tif tiff fax (TIFF), png, gif. wmf and emf are known but have no decoder on this platform;
// they fail like any other undecodable picture.

#include "raster/decoders/GifImage.h"
#include "raster/decoders/ImageDecoder.h"

#include <filesystem>
#include <string_view>
#include <vector>

namespace vorlandite::raster {

enum class PictureFormat { Unknown, Bmp, Ico, Metafile, Jpeg, Tiff, Png, Gif };

// extension with or without its leading dot ("JPG", ".jpg"), or a whole file name.
PictureFormat FormatForExtension(std::string_view extension);
// The format the bytes look like, whatever their name says.
PictureFormat SniffFormat(std::span<const uint8_t> bytes);

// Ok when pictures with this extension can be decoded here; otherwise the error that decoding
// one would give, without reading anything.
Status CheckDecodableExtension(std::string_view extension);

// The decoder for a file with this extension; the bytes must outlive it.
Result<DecoderPtr> CreateDecoder(std::span<const uint8_t> bytes, std::string_view extension);

// A still picture, or the first frame of a GIF (with real transparency where the GIF has it).
Result<TBitmap32> DecodePicture(std::span<const uint8_t> bytes, std::string_view extension, SizeHint hint = {});
Result<TBitmap32> DecodePictureFile(const std::filesystem::path& path, SizeHint hint = {});

// The whole animation of a GIF file, for GIF items.
Result<GifImage> DecodeGifFile(const std::filesystem::path& path);

// The bytes of a picture file (refusing files too large to be a picture we could show).
Result<std::vector<uint8_t>> ReadPictureFile(const std::filesystem::path& path);

} // namespace vorlandite::raster

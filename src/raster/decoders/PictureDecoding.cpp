#include "raster/decoders/PictureDecoding.h"

#include "raster/decoders/BmpDecoder.h"
#include "raster/decoders/GifDecoder.h"
#include "raster/decoders/IcoDecoder.h"
#include "raster/decoders/JpegDecoder.h"
#include "raster/decoders/PngDecoder.h"
#include "raster/decoders/TiffDecoder.h"

#include <array>
#include <fstream>

namespace vorlandite::raster {
namespace {

// No picture file we could show is this large; a bigger file is refused before it is read.
constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t(1) << 30;

struct FormatEntry {
    PictureFormat format;
    std::array<std::string_view, 4> extensions;
    bool (*sniff)(std::span<const uint8_t>);
    Result<DecoderPtr> (*create)(std::span<const uint8_t>);
};

constexpr FormatEntry kFormats[] = {
    {PictureFormat::Bmp, {"bmp", "dib", "rle"}, SniffBmp, CreateBmpDecoder},
    {PictureFormat::Ico, {"ico"}, SniffIco, CreateIcoDecoder},
    {PictureFormat::Metafile, {"wmf", "emf"}, nullptr, nullptr},
    {PictureFormat::Jpeg, {"jpg", "jpeg", "jpe", "jfif"}, SniffJpeg, CreateJpegDecoder},
    {PictureFormat::Tiff, {"tif", "tiff", "fax"}, SniffTiff, CreateTiffDecoder},
    {PictureFormat::Png, {"png"}, SniffPng, CreatePngDecoder},
    {PictureFormat::Gif, {"gif"}, SniffGif, CreateGifDecoder},
};

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// "photo.JPG", ".JPG" and "JPG" all name the extension "jpg".
std::string ExtensionOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return LowerAscii(dot == std::string_view::npos ? name : name.substr(dot + 1));
}

const FormatEntry* EntryFor(PictureFormat format) {
    for (const FormatEntry& entry : kFormats)
        if (entry.format == format)
            return &entry;
    return nullptr;
}

} // namespace

PictureFormat FormatForExtension(std::string_view extension) {
    const std::string wanted = ExtensionOf(extension);
    for (const FormatEntry& entry : kFormats)
        for (std::string_view candidate : entry.extensions)
            if (!candidate.empty() && candidate == wanted)
                return entry.format;
    return PictureFormat::Unknown;
}

PictureFormat SniffFormat(std::span<const uint8_t> bytes) {
    for (const FormatEntry& entry : kFormats)
        if (entry.sniff != nullptr && entry.sniff(bytes))
            return entry.format;
    return PictureFormat::Unknown;
}

Status CheckDecodableExtension(std::string_view extension) {
    const PictureFormat format = FormatForExtension(extension);
    // No library on this platform renders Windows metafiles faithfully; they are undecodable
    // like any unknown type, with a message that says why.
    if (format == PictureFormat::Metafile)
        return MakeError("Windows metafiles (wmf, emf) cannot be decoded on this platform");
    const FormatEntry* entry = EntryFor(format);
    if (entry == nullptr || entry->create == nullptr) {
        const std::string name = ExtensionOf(extension);
        return MakeError(name.empty() ? std::string("no decoder for pictures without an extension")
                                      : "no decoder for pictures of type \"" + name + "\"");
    }
    return Status::Ok();
}

Result<DecoderPtr> CreateDecoder(std::span<const uint8_t> bytes, std::string_view extension) {
    if (Status decodable = CheckDecodableExtension(extension); !decodable.ok())
        return decodable.error();
    return EntryFor(FormatForExtension(extension))->create(bytes);
}

Result<TBitmap32> DecodePicture(std::span<const uint8_t> bytes, std::string_view extension, SizeHint hint) {
    Result<DecoderPtr> decoder = CreateDecoder(bytes, extension);
    if (!decoder.ok())
        return decoder.error();
    Result<ImageFrame> frame = (*decoder)->Frame(0, hint);
    if (!frame.ok())
        return frame.error();
    return std::move(frame->bitmap);
}

Result<std::vector<uint8_t>> ReadPictureFile(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        return MakeError("cannot read " + path.string() + ": " + error.message());
    if (size > kMaxFileBytes)
        return MakeError("picture file is too large: " + path.string());
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)))
        return MakeError("cannot read " + path.string());
    return bytes;
}

Result<TBitmap32> DecodePictureFile(const std::filesystem::path& path, SizeHint hint) {
    if (Status decodable = CheckDecodableExtension(path.extension().string()); !decodable.ok())
        return decodable.error();
    Result<std::vector<uint8_t>> bytes = ReadPictureFile(path);
    if (!bytes.ok())
        return bytes.error();
    return DecodePicture(*bytes, path.extension().string(), hint);
}

Result<GifImage> DecodeGifFile(const std::filesystem::path& path) {
    Result<std::vector<uint8_t>> bytes = ReadPictureFile(path);
    if (!bytes.ok())
        return bytes.error();
    return DecodeGif(*bytes);
}

} // namespace vorlandite::raster

#include "raster/decoders/IcoDecoder.h"

#include "raster/decoders/Dib.h"
#include "raster/decoders/PngDecoder.h"

#include <algorithm>
#include <optional>

namespace vorlandite::raster {
namespace {

constexpr std::size_t kDirectoryHeaderSize = 6;
constexpr std::size_t kEntrySize = 16;

uint16_t U16(std::span<const uint8_t> b, std::size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

uint32_t U32(std::span<const uint8_t> b, std::size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

uint32_t BigU32(std::span<const uint8_t> b, std::size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | uint32_t(b[at + 3]);
}

// One picture of the icon. The directory's own size fields are one byte each (0 = 256) and
// often wrong, so the sizes come from the picture's own header.
struct IconPicture {
    std::span<const uint8_t> data;
    int64_t width = 0;
    int64_t height = 0;
    int bitCount = 0;
    bool png = false;
};

bool ReadPictureHeader(IconPicture& picture) {
    if (SniffPng(picture.data)) {
        if (picture.data.size() < 26)  // signature, IHDR length and type, width, height, depth, type
            return false;
        picture.png = true;
        picture.width = BigU32(picture.data, 16);
        picture.height = BigU32(picture.data, 20);
        const int depth = picture.data[24];
        static constexpr int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};  // by PNG colour type
        const int colourType = picture.data[25];
        picture.bitCount = colourType < 7 ? depth * std::max(kChannels[colourType], 1) : depth;
        return picture.width > 0 && picture.height > 0 && picture.width <= kMaxPixels &&
               picture.height <= kMaxPixels;
    }
    Result<dib::DibHeader> header = dib::ReadDibHeader(picture.data, 0, 2);
    if (!header.ok())
        return false;
    picture.width = header->width;
    picture.height = header->height;
    picture.bitCount = header->bitCount;
    return true;
}

Result<IconPicture> ChooseBestPicture(std::span<const uint8_t> bytes) {
    if (bytes.size() < kDirectoryHeaderSize || U16(bytes, 0) != 0 || (U16(bytes, 2) != 1 && U16(bytes, 2) != 2))
        return MakeError("ICO: not a Windows icon");
    const std::size_t count = U16(bytes, 4);
    if (count == 0)
        return MakeError("ICO: icon has no pictures");
    if (bytes.size() < kDirectoryHeaderSize + count * kEntrySize)
        return MakeError("ICO: directory is truncated");
    std::optional<IconPicture> best;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kDirectoryHeaderSize + i * kEntrySize;
        const std::size_t size = U32(bytes, entry + 8);
        const std::size_t offset = U32(bytes, entry + 12);
        if (offset >= bytes.size())
            continue;
        IconPicture picture;
        picture.data = bytes.subspan(offset, std::min(size, bytes.size() - offset));
        if (!ReadPictureHeader(picture))
            continue;
        const int64_t area = picture.width * picture.height;
        if (!best || area > best->width * best->height ||
            (area == best->width * best->height && picture.bitCount > best->bitCount))
            best = picture;
    }
    if (!best)
        return MakeError("ICO: no readable picture in the icon");
    if (Status size = CheckPictureSize("ICO", best->width, best->height); !size.ok())
        return size.error();
    return *best;
}

// A bitmap icon stores its colour rows, then a 1-bit AND mask of the same size (1 =
// transparent). A 32-bit icon carries alpha in its fourth byte; when every alpha is 0 it was
// written by a tool that did not know about alpha, and the mask decides.
Result<TBitmap32> DecodeBitmapIcon(std::span<const uint8_t> data) {
    Result<dib::DibHeader> parsed = dib::ReadDibHeader(data, 0, 2);
    if (!parsed.ok())
        return MakeError("ICO: " + parsed.message());
    dib::DibHeader header = std::move(parsed).value();
    if (header.compression != dib::kRgb && header.compression != dib::kBitfields)
        return MakeError("ICO: compressed bitmap icons are not supported");
    if (header.bitCount == 32 && header.compression == dib::kRgb)
        header.masks[3] = 0xFF000000;
    Result<TBitmap32> decoded = dib::DecodeDibPixels(data, header, header.endOfHeader);
    if (!decoded.ok())
        return MakeError("ICO: " + decoded.message());
    TBitmap32 bitmap = std::move(decoded).value();

    bool hasAlpha = false;
    if (header.masks[3] != 0)
        hasAlpha = std::ranges::any_of(bitmap.Pixels(), [](TColor32 p) { return (p >> 24) != 0; });
    if (hasAlpha)
        return bitmap;
    for (TColor32& p : bitmap.Pixels())
        p |= 0xFF000000u;

    const uint64_t maskStride = dib::RowStride(header.width, 1);
    const uint64_t maskOffset = header.endOfHeader + dib::RowStride(header.width, header.bitCount) * header.height;
    if (maskOffset > data.size() || maskStride * uint64_t(header.height) > data.size() - maskOffset) {
        if (header.bitCount == 32)
            return bitmap;  // colour without alpha or mask: show it opaque
        return MakeError("ICO: AND mask is truncated");
    }
    for (int row = 0; row < header.height; ++row) {
        const uint8_t* mask = data.data() + maskOffset + maskStride * uint64_t(row);
        std::span<TColor32> target = bitmap.Scanline(header.topDown ? row : header.height - 1 - row);
        for (int x = 0; x < header.width; ++x)
            if (mask[x / 8] & (0x80 >> (x % 8)))
                target[std::size_t(x)] = 0x00000000;
    }
    return bitmap;
}

class IcoDecoder final : public SingleFrameDecoder {
public:
    explicit IcoDecoder(IconPicture picture)
        : SingleFrameDecoder("ICO", static_cast<int>(picture.width), static_cast<int>(picture.height)),
          picture_(picture) {}

protected:
    Result<ImageFrame> DecodePicture(SizeHint hint) override {
        if (picture_.png) {
            Result<DecoderPtr> png = CreatePngDecoder(picture_.data);
            if (!png.ok())
                return MakeError("ICO: " + png.message());
            Result<ImageFrame> frame = (*png)->Frame(0, hint);
            if (!frame.ok())
                return MakeError("ICO: " + frame.message());
            return frame;
        }
        Result<TBitmap32> bitmap = DecodeBitmapIcon(picture_.data);
        if (!bitmap.ok())
            return bitmap.error();
        return ImageFrame{std::move(bitmap).value(), 0};
    }

private:
    IconPicture picture_;
};

} // namespace

bool SniffIco(std::span<const uint8_t> bytes) {
    return bytes.size() >= kDirectoryHeaderSize && U16(bytes, 0) == 0 && (U16(bytes, 2) == 1 || U16(bytes, 2) == 2) &&
           U16(bytes, 4) > 0;
}

Result<DecoderPtr> CreateIcoDecoder(std::span<const uint8_t> bytes) {
    Result<IconPicture> picture = ChooseBestPicture(bytes);
    if (!picture.ok())
        return picture.error();
    return DecoderPtr(std::make_unique<IcoDecoder>(*picture));
}

} // namespace vorlandite::raster

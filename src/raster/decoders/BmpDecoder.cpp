#include "raster/decoders/BmpDecoder.h"

#include "raster/decoders/Dib.h"

namespace vorlandite::raster {
namespace {

constexpr std::size_t kFileHeaderSize = 14;

uint32_t U32At(std::span<const uint8_t> b, std::size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// A packed bitmap starts directly with one of the known header sizes.
bool LooksPacked(std::span<const uint8_t> bytes) {
    if (bytes.size() < 4)
        return false;
    switch (U32At(bytes, 0)) {
    case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124: return true;
    default: return false;
    }
}

class BmpDecoder final : public SingleFrameDecoder {
public:
    BmpDecoder(std::span<const uint8_t> bytes, dib::DibHeader header, std::size_t pixelOffset)
        : SingleFrameDecoder("BMP", header.width, header.height), bytes_(bytes), header_(std::move(header)),
          pixelOffset_(pixelOffset) {}

protected:
    Result<ImageFrame> DecodePicture(SizeHint) override {
        Result<TBitmap32> bitmap = dib::DecodeDibPixels(bytes_, header_, pixelOffset_);
        if (!bitmap.ok())
            return bitmap.error();
        return ImageFrame{std::move(bitmap).value(), 0};
    }

private:
    std::span<const uint8_t> bytes_;
    dib::DibHeader header_;
    std::size_t pixelOffset_;
};

} // namespace

bool SniffBmp(std::span<const uint8_t> bytes) {
    return bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
}

Result<DecoderPtr> CreateBmpDecoder(std::span<const uint8_t> bytes) {
    const bool fileHeader = SniffBmp(bytes);
    if (!fileHeader && !LooksPacked(bytes))
        return MakeError("BMP: not a Windows bitmap");
    if (fileHeader && bytes.size() < kFileHeaderSize)
        return MakeError("BMP: header is truncated");
    Result<dib::DibHeader> header = dib::ReadDibHeader(bytes, fileHeader ? kFileHeaderSize : 0);
    if (!header.ok())
        return header.error();
    std::size_t pixelOffset = header->endOfHeader;
    if (fileHeader) {
        // The file header's offset wins when it is plausible: some writers store a shorter
        // colour table than the header implies, others leave a gap before the pixels.
        const std::size_t declared = U32At(bytes, 10);
        if (declared >= header->paletteOffset && declared < bytes.size()) {
            header->TrimPaletteBefore(declared);
            pixelOffset = declared;
        }
    }
    return DecoderPtr(std::make_unique<BmpDecoder>(bytes, std::move(header).value(), pixelOffset));
}

} // namespace vorlandite::raster

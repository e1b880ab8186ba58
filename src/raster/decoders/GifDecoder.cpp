#include "raster/decoders/GifDecoder.h"

#include <algorithm>
#include <cstring>

#include <gif_lib.h>

namespace vorlandite::raster {
namespace {

// A GIF of many small frames is cheap to store and still a picture; the caps stop files that
// declare huge or endless frames from holding the decoder's memory hostage.
constexpr std::size_t kMaxFrames = 65536;
constexpr int64_t kMaxTotalFramePixels = kMaxPixels;

struct GifCursor {
    std::span<const uint8_t> bytes;
    std::size_t position = 0;
};

int ReadGifBytes(GifFileType* gif, GifByteType* out, int count) {
    auto* cursor = static_cast<GifCursor*>(gif->UserData);
    const std::size_t available = cursor->bytes.size() - cursor->position;
    const std::size_t n = std::min<std::size_t>(available, count > 0 ? std::size_t(count) : 0);
    if (n > 0)
        std::memcpy(out, cursor->bytes.data() + cursor->position, n);
    cursor->position += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

Error GifError(int code) {
    // giflib says "Failed to read from given file" for what is, in memory, a truncated file.
    if (code == D_GIF_ERR_READ_FAILED || code == D_GIF_ERR_EOF_TOO_SOON)
        return MakeError("GIF: data ends early");
    // A few giflib paths fail a short read without setting an error code.
    if (code == 0)
        return MakeError("GIF: damaged or truncated data");
    const char* text = GifErrorString(code);
    return MakeError(std::string("GIF: ") + (text != nullptr ? text : "cannot decode"));
}

std::vector<TColor32> PaletteFrom(const ColorMapObject* map) {
    std::vector<TColor32> palette;
    if (map == nullptr || map->Colors == nullptr || map->ColorCount <= 0)
        return palette;
    palette.reserve(std::size_t(map->ColorCount));
    for (int i = 0; i < map->ColorCount; ++i) {
        const GifColorType& c = map->Colors[i];
        palette.push_back(0xFF000000u | uint32_t(c.Red) << 16 | uint32_t(c.Green) << 8 | c.Blue);
    }
    return palette;
}

// The rows of an interlaced frame arrive in four passes (GIF89a appendix E).
Status ReadFrameRows(GifFileType* gif, GifFrame& frame) {
    struct Pass {
        int start, step;
    };
    static constexpr Pass kInterlaced[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
    static constexpr Pass kProgressive[] = {{0, 1}};
    const std::span<const Pass> passes = frame.interlaced ? std::span<const Pass>(kInterlaced)
                                                          : std::span<const Pass>(kProgressive);
    for (const Pass& pass : passes) {
        for (int y = pass.start; y < frame.height; y += pass.step) {
            GifPixelType* row = frame.indexes.data() + std::size_t(y) * std::size_t(frame.width);
            if (DGifGetLine(gif, row, frame.width) == GIF_ERROR)
                return GifError(gif->Error);
        }
    }
    return Status::Ok();
}

// A frame without pixels still carries its (empty) compressed data; step over it.
Status SkipFrameData(GifFileType* gif) {
    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR)
        return GifError(gif->Error);
    while (block != nullptr)
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR)
            return GifError(gif->Error);
    return Status::Ok();
}

struct PendingControl {
    bool present = false;
    GraphicsControlBlock block{};
};

Status ReadFrame(GifFileType* gif, GifImage& image, PendingControl& control, int64_t& totalPixels) {
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        return GifError(gif->Error);
    if (image.frames.size() >= kMaxFrames)
        return MakeError("GIF: too many frames");
    const GifImageDesc& desc = gif->Image;
    GifFrame frame;
    frame.left = desc.Left;
    frame.top = desc.Top;
    frame.width = desc.Width;
    frame.height = desc.Height;
    frame.interlaced = desc.Interlace;
    frame.localPalette = PaletteFrom(desc.ColorMap);
    if (frame.localPalette.empty() && image.globalPalette.empty())
        return MakeError("GIF: frame has no colour table");
    if (control.present) {
        const int disposal = control.block.DisposalMode;
        frame.disposal = disposal >= 0 && disposal <= 3 ? static_cast<GifDisposal>(disposal) : GifDisposal::Unspecified;
        frame.delayMs = control.block.DelayTime * 10;
        if (control.block.TransparentColor >= 0 && control.block.TransparentColor <= 255)
            frame.transparentIndex = static_cast<uint8_t>(control.block.TransparentColor);
        control = {};  // a control block applies to the one frame that follows it
    }
    if (frame.width <= 0 || frame.height <= 0) {
        frame.width = frame.height = 0;
        if (Status skipped = SkipFrameData(gif); !skipped.ok())
            return skipped;
    } else {
        if (Status size = CheckPictureSize("GIF", frame.width, frame.height); !size.ok())
            return size;
        totalPixels += int64_t(frame.width) * frame.height;
        if (totalPixels > kMaxTotalFramePixels)
            return MakeError("GIF: frames are too large in total");
        frame.indexes.resize(std::size_t(frame.width) * std::size_t(frame.height));
        if (Status rows = ReadFrameRows(gif, frame); !rows.ok())
            return rows;
    }
    image.frames.push_back(std::move(frame));
    return Status::Ok();
}

bool IsLoopingExtension(const GifByteType* block) {
    return block != nullptr && block[0] == 11 &&
           (std::memcmp(block + 1, "NETSCAPE2.0", 11) == 0 || std::memcmp(block + 1, "ANIMEXTS1.0", 11) == 0);
}

Status ReadExtension(GifFileType* gif, GifImage& image, PendingControl& control) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return GifError(gif->Error);
    bool looping = false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] == 4) {
        if (DGifExtensionToGCB(4, block + 1, &control.block) == GIF_OK)
            control.present = true;
    } else if (code == APPLICATION_EXT_FUNC_CODE && IsLoopingExtension(block)) {
        image.loops = true;
        looping = true;
    }
    while (block != nullptr) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return GifError(gif->Error);
        if (looping && block != nullptr && block[0] >= 3 && block[1] == 1) {
            image.loopCount = block[2] | block[3] << 8;
            looping = false;
        }
    }
    return Status::Ok();
}

// Some writers leave the logical screen at 0 x 0; the frames then define it.
void CoverFramesWhenScreenEmpty(GifImage& image) {
    if (image.width > 0 && image.height > 0)
        return;
    for (const GifFrame& frame : image.frames) {
        image.width = std::max(image.width, frame.left + frame.width);
        image.height = std::max(image.height, frame.top + frame.height);
    }
}

class GifDecoder final : public ImageDecoder {
public:
    explicit GifDecoder(std::shared_ptr<const GifImage> image) : animator_(std::move(image)) {}

    int Width() const override { return animator_.Image().width; }
    int Height() const override { return animator_.Image().height; }
    int FrameCount() const override { return animator_.FrameCount(); }

    Result<ImageFrame> Frame(int index, SizeHint) override {
        if (Status composed = animator_.ComposeFrame(index); !composed.ok())
            return composed.error();
        return ImageFrame{animator_.Canvas(), animator_.Image().frames[std::size_t(index)].delayMs};
    }

private:
    GifAnimator animator_;
};

} // namespace

bool SniffGif(std::span<const uint8_t> bytes) {
    return bytes.size() >= 6 &&
           (std::memcmp(bytes.data(), "GIF87a", 6) == 0 || std::memcmp(bytes.data(), "GIF89a", 6) == 0);
}

Result<GifImage> DecodeGif(std::span<const uint8_t> bytes) {
    GifCursor cursor{bytes};
    int openError = 0;
    GifHandle gif(DGifOpen(&cursor, ReadGifBytes, &openError));
    if (!gif)
        return GifError(openError);

    GifImage image;
    image.width = gif->SWidth;
    image.height = gif->SHeight;
    if (image.width > 0 && image.height > 0)
        if (Status size = CheckPictureSize("GIF", image.width, image.height); !size.ok())
            return size.error();
    image.globalPalette = PaletteFrom(gif->SColorMap);
    if (gif->SBackGroundColor >= 0 && std::size_t(gif->SBackGroundColor) < image.globalPalette.size())
        image.backgroundColor = image.globalPalette[std::size_t(gif->SBackGroundColor)];

    PendingControl control;
    int64_t totalPixels = 0;
    for (bool done = false; !done;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) {
            // A missing trailer after complete frames is common and harmless.
            if (!image.frames.empty() && gif->Error == D_GIF_ERR_READ_FAILED && cursor.position == bytes.size())
                break;
            return GifError(gif->Error);
        }
        Status status;
        switch (record) {
        case IMAGE_DESC_RECORD_TYPE: status = ReadFrame(gif.get(), image, control, totalPixels); break;
        case EXTENSION_RECORD_TYPE: status = ReadExtension(gif.get(), image, control); break;
        case TERMINATE_RECORD_TYPE: done = true; break;
        default: status = MakeError("GIF: unknown record"); break;
        }
        if (!status.ok())
            return status.error();
    }
    if (image.frames.empty())
        return MakeError("GIF: no frames");
    CoverFramesWhenScreenEmpty(image);
    if (Status size = CheckPictureSize("GIF", image.width, image.height); !size.ok())
        return size.error();
    return image;
}

Result<DecoderPtr> CreateGifDecoder(std::span<const uint8_t> bytes) {
    Result<GifImage> image = DecodeGif(bytes);
    if (!image.ok())
        return image.error();
    return DecoderPtr(std::make_unique<GifDecoder>(std::make_shared<const GifImage>(std::move(image).value())));
}

} // namespace vorlandite::raster

#include "raster/decoders/TiffDecoder.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <tiffio.h>

namespace vorlandite::raster {
namespace {

// A strip or tile buffer larger than this comes from a hostile file, not a picture we can show.
constexpr tmsize_t kMaxSingleAllocation = tmsize_t(1) << 28;

// The file's bytes as a read-only libtiff stream, with the first error libtiff reports.
struct TiffStream {
    const uint8_t* data;
    toff_t size;
    toff_t position;
    char message[512];
};

tmsize_t ReadTiffBytes(thandle_t handle, void* out, tmsize_t count) {
    auto* stream = static_cast<TiffStream*>(handle);
    if (count <= 0 || stream->position >= stream->size)
        return 0;
    const toff_t available = stream->size - stream->position;
    const toff_t n = std::min<toff_t>(available, static_cast<toff_t>(count));
    std::memcpy(out, stream->data + stream->position, n);
    stream->position += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t RefuseTiffWrite(thandle_t, void*, tmsize_t) { return -1; }

toff_t SeekTiff(thandle_t handle, toff_t offset, int whence) {
    auto* stream = static_cast<TiffStream*>(handle);
    // Offsets are unsigned; a relative move backwards arrives wrapped, which the unsigned sum
    // undoes. Positions past the end are allowed: reads there simply return nothing.
    switch (whence) {
    case SEEK_SET: stream->position = offset; break;
    case SEEK_CUR: stream->position += offset; break;
    case SEEK_END: stream->position = stream->size + offset; break;
    default: return static_cast<toff_t>(-1);
    }
    return stream->position;
}

int CloseTiff(thandle_t) { return 0; }
toff_t SizeOfTiff(thandle_t handle) { return static_cast<TiffStream*>(handle)->size; }
int RefuseTiffMap(thandle_t, void**, toff_t*) { return 0; }
void NoTiffUnmap(thandle_t, void*, toff_t) {}

// libtiff's own handlers print to stderr. Errors go into the stream's message (the first one
// is the cause; later ones are consequences); warnings are dropped.
int KeepTiffError(TIFF*, void* user, const char* module, const char* format, va_list args) {
    auto* stream = static_cast<TiffStream*>(user);
    if (stream->message[0] == '\0') {
        char text[400];
        std::vsnprintf(text, sizeof text, format, args);
        if (module != nullptr && module[0] != '\0')
            std::snprintf(stream->message, sizeof stream->message, "%s: %s", module, text);
        else
            std::snprintf(stream->message, sizeof stream->message, "%s", text);
    }
    return 1;
}

int DropTiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// A few libtiff paths report through the process-wide handlers even with per-file ones set.
void SilenceGlobalTiffHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

TiffHandle OpenTiff(TiffStream& stream) {
    SilenceGlobalTiffHandlers();
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, KeepTiffError, &stream);
    TIFFOpenOptionsSetWarningHandlerExtR(options, DropTiffWarning, &stream);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxSingleAllocation);
    // "m": no memory mapping; libtiff reads through ReadTiffBytes only. The name appears in
    // libtiff's messages.
    TIFF* tiff = TIFFClientOpenExt("picture", "rm", &stream, ReadTiffBytes, RefuseTiffWrite, SeekTiff, CloseTiff,
                                   SizeOfTiff, RefuseTiffMap, NoTiffUnmap, options);
    TIFFOpenOptionsFree(options);
    return TiffHandle(tiff);
}

Error TiffError(const TiffStream& stream, const char* fallback) {
    return MakeError(std::string("TIFF: ") + (stream.message[0] != '\0' ? stream.message : fallback));
}

// libtiff hands out 0xAABBGGRR words with the colour premultiplied by alpha; the surface holds
// 0xAARRGGBB with straight alpha.
void ToStraightArgb(std::span<TColor32> pixels) {
    for (TColor32& p : pixels) {
        const uint32_t r = TIFFGetR(p), g = TIFFGetG(p), b = TIFFGetB(p), a = TIFFGetA(p);
        if (a == 255 || a == 0) {
            p = a << 24 | r << 16 | g << 8 | b;
            continue;
        }
        auto straight = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
        p = a << 24 | straight(r) << 16 | straight(g) << 8 | straight(b);
    }
}

struct TiffHeader {
    uint32_t width = 0;
    uint32_t height = 0;
};

Result<TiffHeader> ReadTiffHeader(TIFF* tiff, TiffStream& stream) {
    TiffHeader header;
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &header.width) ||
        !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &header.height))
        return TiffError(stream, "picture size missing");
    if (Status size = CheckPictureSize("TIFF", header.width, header.height); !size.ok())
        return size.error();
    char reason[1024] = {};
    if (!TIFFRGBAImageOK(tiff, reason))
        return MakeError(std::string("TIFF: ") + reason);
    return header;
}

// Only the first page is shown; further pages of a multi-page file are not frames.
class TiffDecoder final : public SingleFrameDecoder {
public:
    TiffDecoder(std::span<const uint8_t> bytes, int width, int height)
        : SingleFrameDecoder("TIFF", width, height), bytes_(bytes) {}

protected:
    Result<ImageFrame> DecodePicture(SizeHint) override {
        TiffStream stream{bytes_.data(), bytes_.size(), 0, {}};
        TiffHandle tiff = OpenTiff(stream);
        if (!tiff)
            return TiffError(stream, "not a TIFF file");
        Result<TiffHeader> header = ReadTiffHeader(tiff.get(), stream);
        if (!header.ok())
            return header.error();
        ImageFrame frame;
        if (!frame.bitmap.SetSize(Width(), Height()))
            return MakeError("TIFF: picture is too large");
        if (!TIFFReadRGBAImageOriented(tiff.get(), header->width, header->height, frame.bitmap.Pixels().data(),
                                       ORIENTATION_TOPLEFT, 1))
            return TiffError(stream, "cannot read the picture data");
        ToStraightArgb(frame.bitmap.Pixels());
        return frame;
    }

private:
    std::span<const uint8_t> bytes_;
};

} // namespace

bool SniffTiff(std::span<const uint8_t> bytes) {
    if (bytes.size() < 4)
        return false;
    const bool little = bytes[0] == 'I' && bytes[1] == 'I' && (bytes[2] == 42 || bytes[2] == 43) && bytes[3] == 0;
    const bool big = bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 && (bytes[3] == 42 || bytes[3] == 43);
    return little || big;
}

Result<DecoderPtr> CreateTiffDecoder(std::span<const uint8_t> bytes) {
    TiffStream stream{bytes.data(), bytes.size(), 0, {}};
    TiffHandle tiff = OpenTiff(stream);
    if (!tiff)
        return TiffError(stream, "not a TIFF file");
    Result<TiffHeader> header = ReadTiffHeader(tiff.get(), stream);
    if (!header.ok())
        return header.error();
    return DecoderPtr(std::make_unique<TiffDecoder>(bytes, static_cast<int>(header->width),
                                                    static_cast<int>(header->height)));
}

} // namespace vorlandite::raster

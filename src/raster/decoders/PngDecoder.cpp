#include "raster/decoders/PngDecoder.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>

namespace vorlandite::raster {
namespace {

// Ancillary chunks (text, ICC profiles) are allowed this much memory each; more is a hostile
// file, not a picture.
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;

// libpng, like libjpeg, leaves a fatal error by longjmp to png_jmpbuf. The setjmp sits in the
// two small functions below, which hold only this plain struct and libpng's own objects.
struct PngSession {
    png_structp png;
    png_infop info;
    const uint8_t* data;
    std::size_t size;
    std::size_t position;
    char message[256];
};

void FailPng(png_structp png, png_const_charp message) {
    auto* session = static_cast<PngSession*>(png_get_error_ptr(png));
    std::snprintf(session->message, sizeof session->message, "%s", message);
    png_longjmp(png, 1);
}

void IgnorePngWarning(png_structp, png_const_charp) {}

void ReadPngBytes(png_structp png, png_bytep out, png_size_t length) {
    auto* session = static_cast<PngSession*>(png_get_io_ptr(png));
    if (length > session->size - session->position)
        png_error(png, "PNG data ends early");
    std::memcpy(out, session->data + session->position, length);
    session->position += length;
}

bool OpenPng(PngSession* session, const uint8_t* data, std::size_t size) {
    std::memset(session, 0, sizeof *session);
    session->data = data;
    session->size = size;
    session->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, session, FailPng, IgnorePngWarning);
    if (session->png == nullptr) {
        std::snprintf(session->message, sizeof session->message, "cannot create the PNG reader");
        return false;
    }
    session->info = png_create_info_struct(session->png);
    if (session->info == nullptr) {
        std::snprintf(session->message, sizeof session->message, "cannot create the PNG reader");
        return false;
    }
    if (setjmp(png_jmpbuf(session->png)))
        return false;
    png_set_read_fn(session->png, session, ReadPngBytes);
    // The pixel budget is checked by the caller on the declared size; libpng's own per-side
    // limit would refuse long thin pictures the budget allows.
    png_set_user_limits(session->png, 0x7fffffff, 0x7fffffff);
    png_set_chunk_malloc_max(session->png, kMaxChunkBytes);
    png_read_info(session->png, session->info);
    return true;
}

// Every colour type and depth becomes 8-bit samples in the byte order of a TColor32 word, so
// libpng writes straight into the surface's rows.
bool DecodePngRows(PngSession* session, png_bytepp rows, png_size_t expectedRowBytes) {
    if (setjmp(png_jmpbuf(session->png)))
        return false;
    png_structp png = session->png;
    png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to an alpha channel
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    if (std::endian::native == std::endian::little) {
        png_set_bgr(png);
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    } else {
        png_set_swap_alpha(png);
        png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, session->info);
    if (png_get_rowbytes(png, session->info) != expectedRowBytes) {
        std::snprintf(session->message, sizeof session->message, "unexpected PNG row layout");
        return false;
    }
    png_read_image(png, rows);
    return true;
}

void ClosePng(PngSession* session) {
    if (session->png != nullptr)
        png_destroy_read_struct(&session->png, session->info != nullptr ? &session->info : nullptr, nullptr);
    session->png = nullptr;
    session->info = nullptr;
}

Error PngError(const PngSession& session) {
    return MakeError(std::string("PNG: ") + session.message);
}

class PngDecoder final : public SingleFrameDecoder {
public:
    PngDecoder(std::span<const uint8_t> bytes, int width, int height)
        : SingleFrameDecoder("PNG", width, height), bytes_(bytes) {}

protected:
    Result<ImageFrame> DecodePicture(SizeHint) override {
        const int width = Width(), height = Height();
        PngSession session;
        if (!OpenPng(&session, bytes_.data(), bytes_.size())) {
            ClosePng(&session);
            return PngError(session);
        }
        ImageFrame frame;
        if (!frame.bitmap.SetSize(width, height)) {
            ClosePng(&session);
            return MakeError("PNG: picture is too large");
        }
        std::vector<png_bytep> rows(static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y)
            rows[static_cast<std::size_t>(y)] = reinterpret_cast<png_bytep>(frame.bitmap.Scanline(y).data());
        const bool ok = DecodePngRows(&session, rows.data(), png_size_t(width) * 4);
        ClosePng(&session);
        if (!ok)
            return PngError(session);
        return frame;
    }

private:
    std::span<const uint8_t> bytes_;
};

} // namespace

bool SniffPng(std::span<const uint8_t> bytes) {
    static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

Result<DecoderPtr> CreatePngDecoder(std::span<const uint8_t> bytes) {
    PngSession session;
    const bool ok = OpenPng(&session, bytes.data(), bytes.size());
    const int64_t width = ok ? png_get_image_width(session.png, session.info) : 0;
    const int64_t height = ok ? png_get_image_height(session.png, session.info) : 0;
    ClosePng(&session);
    if (!ok)
        return PngError(session);
    if (Status size = CheckPictureSize("PNG", width, height); !size.ok())
        return size.error();
    return DecoderPtr(std::make_unique<PngDecoder>(bytes, static_cast<int>(width), static_cast<int>(height)));
}

} // namespace vorlandite::raster

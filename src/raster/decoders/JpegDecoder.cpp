#include "raster/decoders/JpegDecoder.h"

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace vorlandite::raster {
namespace {

// A progressive file can declare thousands of tiny scans; each costs a pass over the whole
// coefficient buffer, so a small hostile file could keep the decoder busy for minutes.
constexpr int kMaxScans = 500;
// libjpeg's own working memory (the whole-image coefficient buffer of a progressive file).
constexpr long kMaxLibraryMemory = 1L << 30;

// libjpeg reports fatal errors through error_exit, which must not return. The canonical way out
// is a longjmp back to a setjmp placed in a function that holds only C objects, so no C++
// destructor is skipped. Everything libjpeg touches lives in this one plain struct.
struct JpegSession {
    jpeg_decompress_struct info;
    jpeg_error_mgr errorManager;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool created;
};

JpegSession* SessionOf(j_common_ptr info) {
    return static_cast<JpegSession*>(info->client_data);
}

void FailJpeg(j_common_ptr info) {
    JpegSession* session = SessionOf(info);
    (*info->err->format_message)(info, session->message);
    std::longjmp(session->jump, 1);
}

// Warnings about damaged entropy data are tolerated (libjpeg recovers and the picture shows);
// running out of data is not: the file is truncated and the rest would be invented grey.
void OnJpegMessage(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        FailJpeg(info);
    if (level < 0)
        ++info->err->num_warnings;
}

void OnJpegProgress(j_common_ptr info) {
    if (!info->is_decompressor)
        return;
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxScans) {
        JpegSession* session = SessionOf(info);
        std::snprintf(session->message, sizeof session->message, "progressive JPEG has more than %d scans",
                      kMaxScans);
        std::longjmp(session->jump, 1);
    }
}

bool ReadJpegHeader(JpegSession* session, const uint8_t* data, std::size_t size) {
    std::memset(session, 0, sizeof *session);
    session->info.err = jpeg_std_error(&session->errorManager);
    session->errorManager.error_exit = FailJpeg;
    session->errorManager.emit_message = OnJpegMessage;
    session->info.client_data = session;
    if (setjmp(session->jump))
        return false;
    jpeg_create_decompress(&session->info);
    session->created = true;
    session->progress.progress_monitor = OnJpegProgress;
    session->info.progress = &session->progress;
    session->info.mem->max_memory_to_use = kMaxLibraryMemory;
    jpeg_mem_src(&session->info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&session->info, TRUE);
    return true;
}

// Adobe writes CMYK inverted (0 = full ink) and says so with its APP14 marker; other writers
// store plain CMYK. YCCK arrives here already converted to CMYK by libjpeg.
void CmykRowToColor32(const JSAMPLE* cmyk, TColor32* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        unsigned r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
        out[x] = 0xFF000000u | r << 16 | g << 8 | b;
    }
}

// Decodes the picture whose header ReadJpegHeader has read into out, at scale 1/denominator.
// Only C objects are live here, as for ReadJpegHeader; out is owned by the caller.
bool DecodeJpegRows(JpegSession* session, int denominator, TBitmap32* out) {
    if (setjmp(session->jump))
        return false;
    jpeg_decompress_struct* info = &session->info;
    info->scale_num = 1;
    info->scale_denom = static_cast<unsigned>(denominator);
    const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    // The extended colour spaces write 0xAARRGGBB words straight into the surface, alpha 0xFF.
    if (cmyk)
        info->out_color_space = JCS_CMYK;
    else
        info->out_color_space = std::endian::native == std::endian::little ? JCS_EXT_BGRA : JCS_EXT_ARGB;
    jpeg_start_decompress(info);
    if (!out->SetSize(static_cast<int>(info->output_width), static_cast<int>(info->output_height))) {
        std::snprintf(session->message, sizeof session->message, "picture is too large");
        return false;
    }
    JSAMPARRAY cmykRow = nullptr;
    if (cmyk)
        cmykRow = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                             info->output_width * 4, 1);
    while (info->output_scanline < info->output_height) {
        const int y = static_cast<int>(info->output_scanline);
        TColor32* row = out->Scanline(y).data();
        JSAMPROW target = cmyk ? cmykRow[0] : reinterpret_cast<JSAMPROW>(row);
        if (jpeg_read_scanlines(info, &target, 1) != 1) {
            std::snprintf(session->message, sizeof session->message, "JPEG data ends early");
            return false;
        }
        if (cmyk)
            CmykRowToColor32(cmykRow[0], row, out->Width(), info->saw_Adobe_marker);
    }
    jpeg_finish_decompress(info);
    return true;
}

void DestroySession(JpegSession* session) {
    if (session->created)
        jpeg_destroy_decompress(&session->info);
    session->created = false;
}

Error JpegError(const JpegSession& session) {
    return MakeError(std::string("JPEG: ") + session.message);
}

class JpegDecoder final : public SingleFrameDecoder {
public:
    JpegDecoder(std::span<const uint8_t> bytes, int width, int height)
        : SingleFrameDecoder("JPEG", width, height), bytes_(bytes) {}

protected:
    Result<ImageFrame> DecodePicture(SizeHint hint) override {
        JpegSession session;
        ImageFrame frame;
        const bool ok = ReadJpegHeader(&session, bytes_.data(), bytes_.size()) &&
                        DecodeJpegRows(&session, JpegScaleDenominator(Width(), Height(), hint), &frame.bitmap);
        DestroySession(&session);
        if (!ok)
            return JpegError(session);
        return frame;
    }

    int64_t SmallestDecodedPixels() const override { return JpegScaledPixels(Width(), Height(), 8); }

private:
    std::span<const uint8_t> bytes_;
};

} // namespace

bool SniffJpeg(std::span<const uint8_t> bytes) {
    return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

int64_t JpegScaledPixels(int width, int height, int denominator) {
    // libjpeg rounds scaled sizes up.
    return ((int64_t(width) + denominator - 1) / denominator) * ((int64_t(height) + denominator - 1) / denominator);
}

int JpegScaleDenominator(int width, int height, SizeHint hint) {
    int chosen = 1;
    if (!hint.Empty()) {
        for (int denominator : {8, 4, 2}) {
            const int64_t scaledWidth = (int64_t(width) + denominator - 1) / denominator;
            const int64_t scaledHeight = (int64_t(height) + denominator - 1) / denominator;
            if (scaledWidth >= hint.width && scaledHeight >= hint.height) {
                chosen = denominator;
                break;
            }
        }
    }
    // The budget may ask for less than the size would: the largest scale within it.
    while (hint.maxPixels > 0 && chosen < 8 && JpegScaledPixels(width, height, chosen) > hint.maxPixels)
        chosen *= 2;
    return chosen;
}

Result<DecoderPtr> CreateJpegDecoder(std::span<const uint8_t> bytes) {
    JpegSession session;
    const bool ok = ReadJpegHeader(&session, bytes.data(), bytes.size());
    const int width = ok ? static_cast<int>(session.info.image_width) : 0;
    const int height = ok ? static_cast<int>(session.info.image_height) : 0;
    DestroySession(&session);
    if (!ok)
        return JpegError(session);
    if (Status size = CheckPictureSize("JPEG", width, height); !size.ok())
        return size.error();
    return DecoderPtr(std::make_unique<JpegDecoder>(bytes, width, height));
}

} // namespace vorlandite::raster

#include "commands/PngWriter.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace vorlandite::tools {
namespace {

// Everything the libpng callbacks and the setjmp frame touch: plain C data only, so a longjmp
// out of libpng skips no destructor.
struct PngWriteJob {
    std::FILE* file = nullptr;
    const raster::TBitmap32* bitmap = nullptr;
    unsigned char* row = nullptr;  // 3 or 4 bytes per pixel
    bool alpha = false;
    char message[200] = {};
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
    auto* job = static_cast<PngWriteJob*>(png_get_error_ptr(png));
    std::snprintf(job->message, sizeof job->message, "%s", message);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

bool WriteRows(PngWriteJob* job) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, job, OnPngError, OnPngWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    const raster::TBitmap32& bitmap = *job->bitmap;
    png_init_io(png, job->file);
    png_set_IHDR(png, info, png_uint_32(bitmap.Width()), png_uint_32(bitmap.Height()), 8,
                 job->alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const int channels = job->alpha ? 4 : 3;
    for (int y = 0; y < bitmap.Height(); ++y) {
        const raster::TColor32* pixels = bitmap.Scanline(y).data();
        unsigned char* out = job->row;
        for (int x = 0; x < bitmap.Width(); ++x, out += channels) {
            out[0] = (unsigned char)(pixels[x] >> 16);
            out[1] = (unsigned char)(pixels[x] >> 8);
            out[2] = (unsigned char)(pixels[x]);
            if (job->alpha)
                out[3] = (unsigned char)(pixels[x] >> 24);
        }
        png_write_row(png, job->row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

Status WritePng(const raster::TBitmap32& bitmap, const std::string& path, PngChannels channels) {
    if (bitmap.Empty())
        return MakeError("nothing to write: the picture is empty");
    const bool alpha = channels == PngChannels::Rgba;
    std::vector<unsigned char> row(std::size_t(bitmap.Width()) * (alpha ? 4 : 3));
    PngWriteJob job;
    job.alpha = alpha;
    job.bitmap = &bitmap;
    job.row = row.data();
    job.file = std::fopen(path.c_str(), "wb");
    if (!job.file)
        return MakeError("cannot create " + path + ": " + std::strerror(errno));
    bool written = WriteRows(&job);
    const bool flushed = std::fflush(job.file) == 0;
    const int savedErrno = errno;
    const bool closed = std::fclose(job.file) == 0;
    if (written && flushed && closed)
        return Status::Ok();
    std::remove(path.c_str());
    if (!written && job.message[0] != '\0')
        return MakeError("cannot write " + path + ": " + job.message);
    return MakeError("cannot write " + path + ": " + std::strerror(savedErrno != 0 ? savedErrno : EIO));
}

} // namespace vorlandite::tools

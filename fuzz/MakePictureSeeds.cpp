// Writes the seed corpora of the picture-decoder fuzzers from the pictures the decoder tests
// generate. Usage: make_seeds_pictures CORPUS_ROOT  (writes CORPUS_ROOT/<format>/<sample>)

#include "raster/decoders/PictureDecoding.h"
#include "raster/decoders/PictureWriters.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

const char* CorpusOf(vorlandite::raster::PictureFormat format) {
    using vorlandite::raster::PictureFormat;
    switch (format) {
    case PictureFormat::Bmp: return "bmp";
    case PictureFormat::Ico: return "ico";
    case PictureFormat::Jpeg: return "jpeg";
    case PictureFormat::Png: return "png";
    case PictureFormat::Tiff: return "tiff";
    case PictureFormat::Gif: return "gif";
    default: return nullptr;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds_pictures CORPUS_ROOT\n");
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    for (const auto& sample : vorlandite::testing::MakeSamplePictures()) {
        const char* corpus = CorpusOf(vorlandite::raster::FormatForExtension(sample.extension));
        if (corpus == nullptr)
            continue;
        std::filesystem::create_directories(root / corpus);
        std::ofstream out(root / corpus / sample.name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(sample.bytes.data()), std::streamsize(sample.bytes.size()));
    }
    return 0;
}

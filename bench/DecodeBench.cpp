// Decoding a large photograph: a 6000 x 4000 JPEG at quality 90, generated here, decoded at its
// own size and with a 1920 x 1080 size hint (the reduced DCT scale the slideshow asks for when
// it will fit the picture to a full-HD window).

#include "raster/decoders/PictureDecoding.h"
#include "BenchPictures.h"
#include "raster/decoders/PictureWriters.h"
#include "raster/PictureFitting.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

using vorlandite::raster::TBitmap32;


void DecodeJpeg(benchmark::State& state, vorlandite::raster::SizeHint hint) {
    const std::vector<uint8_t>& bytes = vorlandite::bench::LargePhotoJpeg();
    int width = 0;
    for (auto _ : state) {
        auto picture = vorlandite::raster::DecodePicture(bytes, "jpg", hint);
        if (!picture.ok()) {
            state.SkipWithError(picture.message().c_str());
            return;
        }
        width = picture->Width();
        benchmark::DoNotOptimize(picture->Pixels().data());
    }
    state.counters["file_MB"] = double(bytes.size()) / 1e6;
    state.counters["decoded_width"] = width;
}

void BM_DecodeJpeg6000x4000_Hint1920x1080(benchmark::State& state) { DecodeJpeg(state, {1920, 1080}); }
void BM_DecodeJpeg6000x4000_Full(benchmark::State& state) { DecodeJpeg(state, {}); }

// What the slideshow does with such an item: decode at the reduced scale, then fit it onto a
// full-HD frame keeping its aspect ratio.
void BM_DecodeAndFitJpeg6000x4000_Into1920x1080(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = vorlandite::bench::LargePhotoJpeg();
    TBitmap32 frame = TBitmap32::Create(1920, 1080).value();
    for (auto _ : state) {
        auto picture = vorlandite::raster::DecodePicture(bytes, "jpg", {1920, 1080});
        if (!picture.ok()) {
            state.SkipWithError(picture.message().c_str());
            return;
        }
        auto fitted = vorlandite::raster::FitRect(1920, 1080, 6000, 4000);
        vorlandite::raster::StretchPictureOnto(*picture, frame, fitted, nullptr, true);
        benchmark::DoNotOptimize(frame.Pixels().data());
    }
}

BENCHMARK(BM_DecodeAndFitJpeg6000x4000_Into1920x1080)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_DecodeJpeg6000x4000_Hint1920x1080)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_DecodeJpeg6000x4000_Full)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

BENCHMARK_MAIN();

// Raster figures at full-HD: the gradient styles, picture placement from a large photo, and the
// full-frame blend against a plain copy of one frame.

#include "raster/BitmapDraw.h"
#include "raster/GradientFill.h"
#include "raster/PictureFitting.h"
#include "raster/TBitmap32.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

using namespace vorlandite::raster;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

TBitmap32 Noise(int w, int h, uint32_t seed, bool varyAlpha) {
    TBitmap32 b = TBitmap32::Create(w, h).value();
    uint32_t state = seed;
    for (TColor32& p : b.Pixels()) {
        state = state * 1664525u + 1013904223u;
        p = varyAlpha ? state : (state | 0xFF000000u);
    }
    return b;
}

void BM_GradientFill(benchmark::State& state) {
    const int style = int(state.range(0));
    TBitmap32 canvas = TBitmap32::Create(kWidth, kHeight).value();
    for (auto _ : state) {
        GradientFill(canvas, style, 0x00336699, 0x00FFCC00, {0, 0, kWidth, kHeight});
        benchmark::DoNotOptimize(canvas.Pixels().data());
    }
}
BENCHMARK(BM_GradientFill)->DenseRange(1, 8)->Unit(benchmark::kMillisecond);

void BM_StretchPictureOnto(benchmark::State& state) {
    TBitmap32 picture = Noise(6000, 4000, 1, false);
    TBitmap32 frame = TBitmap32::Create(kWidth, kHeight).value();
    const Rect r = FitRect(kWidth, kHeight, picture.Width(), picture.Height());
    for (auto _ : state) {
        StretchPictureOnto(picture, frame, r, nullptr, true);
        benchmark::DoNotOptimize(frame.Pixels().data());
    }
}
BENCHMARK(BM_StretchPictureOnto)->Unit(benchmark::kMillisecond);

void BM_StretchPictureOntoWithMask(benchmark::State& state) {
    TBitmap32 picture = Noise(6000, 4000, 1, false);
    const TBitmap32 mask = Noise(800, 600, 2, false);
    TBitmap32 frame = TBitmap32::Create(kWidth, kHeight).value();
    const Rect r = FitRect(kWidth, kHeight, picture.Width(), picture.Height());
    for (auto _ : state) {
        StretchPictureOnto(picture, frame, r, &mask, true);
        benchmark::DoNotOptimize(frame.Pixels().data());
    }
}
BENCHMARK(BM_StretchPictureOntoWithMask)->Unit(benchmark::kMillisecond);

void BM_StretchBilinearOnly(benchmark::State& state) {
    const TBitmap32 picture = Noise(6000, 4000, 1, false);
    TBitmap32 frame = TBitmap32::Create(kWidth, kHeight).value();
    const Rect r = FitRect(kWidth, kHeight, picture.Width(), picture.Height());
    for (auto _ : state) {
        StretchBitmap(frame, r, picture, picture.BoundsRect(),
                      DrawOptions{DrawMode::Opaque, 255, StretchFilter::Linear, false});
        benchmark::DoNotOptimize(frame.Pixels().data());
    }
}
BENCHMARK(BM_StretchBilinearOnly)->Unit(benchmark::kMillisecond);

void BM_BlendFullFrame(benchmark::State& state) {
    const TBitmap32 front = Noise(kWidth, kHeight, 3, true);  // every alpha value occurs
    TBitmap32 back = Noise(kWidth, kHeight, 4, false);
    const DrawOptions blend{DrawMode::Blend, uint8_t(state.range(0)), StretchFilter::Nearest, false};
    for (auto _ : state) {
        DrawBitmap(back, 0, 0, front, blend);
        benchmark::DoNotOptimize(back.Pixels().data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
}
BENCHMARK(BM_BlendFullFrame)->Arg(255)->Arg(128)->Unit(benchmark::kMillisecond);

void BM_CopyFullFrameMemcpy(benchmark::State& state) {
    const TBitmap32 front = Noise(kWidth, kHeight, 3, true);
    TBitmap32 back = Noise(kWidth, kHeight, 4, false);
    for (auto _ : state) {
        std::memcpy(back.Pixels().data(), front.Pixels().data(), front.Pixels().size_bytes());
        benchmark::DoNotOptimize(back.Pixels().data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
}
BENCHMARK(BM_CopyFullFrameMemcpy)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

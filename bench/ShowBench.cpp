// The show's item loading at full HD: LoadImage of a 6000 x 4000 JPEG item (quality 90, a
// textured ramp generated here, stored raw in a screensaver file) from its extraction to the
// frame handed to the screen, by size-and-position mode. Fit and stretch let the decoder
// shrink the picture by DCT scaling; centred shows it unscaled and decodes it whole. The
// pieces (extraction + decode, composition) are measured apart to show where the time goes.
//
// Also an animated GIF's frames on a 640 x 480 screen: a large logical screen with small frames
// (2000 x 2000 with 16 x 16 frames, and 8192 x 8192 with 1 x 1 frames), the time of a frame once
// the first has been drawn, and the process's peak memory.

#include "payload/ItemExtraction.h"
#include "payload/PayloadLayout.h"
#include "payload/TempFiles.h"
#include "raster/decoders/PictureDecoding.h"
#include "BenchPictures.h"
#include "raster/decoders/PictureWriters.h"
#include "slideshow/FrameComposer.h"
#include "slideshow/GifAnimation.h"
#include "slideshow/headless/HeadlessShow.h"
#include "support/RandomPayload.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>

#include <sys/resource.h>

namespace {

using namespace vorlandite;
using raster::TBitmap32;

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;


// One screensaver per mode, each with the one JPEG item, written once into a scratch folder.
struct Fixture {
    vorlandite::testing::TempDir dir;
    std::vector<uint8_t> jpeg = vorlandite::bench::LargePhotoJpeg();

    std::string Screensaver(int mode) {
        const std::string path = dir.File("mode" + std::to_string(mode) + ".scr");
        if (!std::filesystem::exists(path)) {
            payload::PayloadDraft draft;
            draft.header.Seconds = 5;
            draft.header.GradientStyle = 2;
            draft.header.BackgroundColor = 0x00402010;
            draft.header.BackgroundColor2 = 0x00F0C080;
            payload::DraftItem<payload::TKelImageInfo> item;
            item.record.Ext = ".jpg";
            item.record.Stretch = mode;
            item.content = payload::Content::FromBytes(jpeg);
            draft.images.push_back(std::move(item));
            // No effects: each load ends with the frame copied onto the screen at once.
            const auto bytes = vorlandite::testing::BuildScreensaverBytes(draft);
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        return path;
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

Result<payload::Payload> ReadPayload(const std::string& path) {
    auto source = payload::FileSource::Open(path);
    if (!source)
        return source.error();
    return payload::ReadWholePayload(**source);
}

void BM_LoadImage(benchmark::State& state) {
    const int mode = int(state.range(0));
    Fixture& fixture = Shared();
    const std::string path = fixture.Screensaver(mode);
    auto read = ReadPayload(path);
    if (!read) {
        state.SkipWithError(read.message().c_str());
        return;
    }
    slideshow::HeadlessShow show(slideshow::ShowContent{*read, path, fixture.dir.Path().string() + "/", {}},
                                 slideshow::HeadlessShowOptions{kScreenWidth, kScreenHeight, 1, 1});
    if (!show.Start()) {
        state.SkipWithError("the show does not start");
        return;
    }
    for (auto _ : state) {
        show.Controller().LoadImage(0, false);
        benchmark::DoNotOptimize(show.Screen(0).Pixels().data());
    }
    if (show.Controller().CurrentPictureIndex() != 0)
        state.SkipWithError("the item was not shown");
}
BENCHMARK(BM_LoadImage)->ArgName("mode")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Extraction and decoding alone, with the size hint the mode gives.
void BM_ExtractAndDecode(benchmark::State& state) {
    const int mode = int(state.range(0));
    Fixture& fixture = Shared();
    const std::string path = fixture.Screensaver(mode);
    auto read = ReadPayload(path);
    if (!read) {
        state.SkipWithError(read.message().c_str());
        return;
    }
    const auto& item = read->images[0];
    const std::string file = fixture.dir.File("SSIMG.jpg");
    const auto hint = slideshow::DecodeHintFor(mode, kScreenWidth, kScreenHeight);
    for (auto _ : state) {
        (void)payload::ExtractItem(path, file, false, payload::ItemPosition(read->header, item), item.StoredSize,
                                   item.Size);
        auto picture = raster::DecodePictureFile(file, hint);
        benchmark::DoNotOptimize(picture);
    }
}
BENCHMARK(BM_ExtractAndDecode)->ArgName("mode")->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

// A looping GIF of `frames` solid square frames of `side` pixels, walking the diagonal of a
// screen x screen logical screen.
std::vector<uint8_t> SparseGif(int screen, int side, int frames) {
    vorlandite::testing::GifRecipe recipe{.width = screen, .height = screen,
                                          .globalPalette = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}};
    recipe.netscapeLoop = true;
    for (int i = 0; i < frames; ++i) {
        vorlandite::testing::GifFrameRecipe frame;
        frame.left = frame.top = i * (screen - side) / (frames - 1);
        frame.width = frame.height = side;
        frame.indexes.assign(std::size_t(side) * std::size_t(side), uint8_t(i % 4));
        frame.disposal = 1;
        frame.delayCs = 10;
        recipe.frames.push_back(std::move(frame));
    }
    return vorlandite::testing::WriteGif(recipe);
}

void BM_GifFrameOnLargeScreen(benchmark::State& state) {
    const int screen = int(state.range(0));
    const int side = int(state.range(1));
    slideshow::VirtualTimerClock clock;
    slideshow::VirtualTimer timer(clock);
    slideshow::GifAnimation animation(timer);
    TBitmap32 backdrop = TBitmap32::Create(640, 480).value();
    backdrop.Clear(0xFF102030);
    TBitmap32 target = TBitmap32::Create(640, 480).value();
    animation.SetStage({&backdrop, raster::Rect{80, 0, 560, 480}, &target});
    if (!animation.LoadGif(SparseGif(screen, side, 64))) {
        state.SkipWithError("the GIF does not load");
        return;
    }
    animation.AnimateGif();
    animation.GifTimerTimer();  // the first frame is drawn whole
    for (auto _ : state) {
        animation.GifTimerTimer();
        benchmark::DoNotOptimize(target.Pixels().data());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_GifFrameOnLargeScreen)
    ->ArgNames({"screen", "frame"})
    ->Args({2000, 16})
    ->Args({8192, 1})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

// The show's item loading at full HD: LoadImage of a 6000 x 4000 JPEG item (quality 90, a
// textured ramp generated here, stored raw in a screensaver file) from its extraction to the
// frame handed to the screen, by size-and-position mode. Fit and stretch let the decoder
// shrink the picture by DCT scaling; centred shows it unscaled and decodes it whole. The
// pieces (extraction + decode, composition) are measured apart to show where the time goes.

#include "payload/ItemExtraction.h"
#include "payload/PayloadLayout.h"
#include "payload/TempFiles.h"
#include "raster/decoders/PictureDecoding.h"
#include "BenchPictures.h"
#include "raster/decoders/PictureWriters.h"
#include "slideshow/FrameComposer.h"
#include "slideshow/headless/HeadlessShow.h"
#include "support/RandomPayload.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>

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
            draft.Header.Seconds = 5;
            draft.Header.GradientStyle = 2;
            draft.Header.BackgroundColor = 0x00402010;
            draft.Header.BackgroundColor2 = 0x00F0C080;
            payload::DraftItem<payload::TKelImageInfo> item;
            item.record.Ext = ".jpg";
            item.record.Stretch = mode;
            item.content = payload::Content::FromBytes(jpeg);
            draft.Images.push_back(std::move(item));
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
    slideshow::THeadlessShow show(slideshow::TShowContent{*read, path, fixture.dir.Path().string() + "/", {}},
                                  slideshow::THeadlessShowOptions{kScreenWidth, kScreenHeight, 1, 1});
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
    const auto& item = read->Images[0];
    const std::string file = fixture.dir.File("SSIMG.jpg");
    const auto hint = slideshow::DecodeHintFor(mode, kScreenWidth, kScreenHeight);
    for (auto _ : state) {
        (void)payload::ExtractItem(path, file, false, payload::ItemPosition(read->Header, item), item.StoredSize,
                                   item.Size);
        auto picture = raster::DecodePictureFile(file, hint);
        benchmark::DoNotOptimize(picture);
    }
}
BENCHMARK(BM_ExtractAndDecode)->ArgName("mode")->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Start-up reading of a large payload, and extraction of big raw and compressed items.
// The "rss_growth_KiB" counters show how much the process's peak memory grew while extracting:
// raw items stream through one 512 KiB buffer, compressed ones through two.

#include "payload/ContainerReader.h"
#include "payload/ItemExtraction.h"
#include "payload/PayloadLayout.h"
#include "payload/PayloadWriter.h"
#include "support/RandomPayload.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sys/resource.h>

namespace {

using namespace vorlandite::payload;
using vorlandite::Status;
namespace fs = std::filesystem;

long PeakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

fs::path Scratch() {
    static const fs::path folder = [] {
        fs::path p = fs::temp_directory_path() / ("vorlandite-bench-" + std::to_string(::getpid()));
        fs::create_directories(p);
        return p;
    }();
    return folder;
}

std::string WriteScreensaver(const std::string& name, const PayloadDraft& draft) {
    std::string path = (Scratch() / name).string();
    { std::ofstream engine(path, std::ios::binary | std::ios::trunc); engine << std::string(200000, 'E'); }
    auto sink = FileSink::OpenForAppend(path);
    if (!sink || !WritePayload(draft, **sink).ok() || !(*sink)->Close().ok())
        std::abort();
    return path;
}

const std::string& ThousandItemShow() {
    static const std::string path = [] {
        std::mt19937 rng(1);
        PayloadDraft draft;
        draft.strings.Title = "Thousand Items";
        draft.strings.Translation = std::string(4000, 'x');
        for (int i = 0; i < 1000; ++i) {
            DraftItem<TKelImageInfo> item{{}, Content::FromBytes(vorlandite::testing::RandomBytes(rng, 64, false)), false};
            item.record.Ext = ".jpg";
            item.record.Text = "Caption " + std::to_string(i);
            draft.images.push_back(std::move(item));
        }
        for (int i = 0; i < 20; ++i)
            draft.melodies.push_back({{0, 0, 0, ".mp3"}, Content::FromBytes(std::vector<uint8_t>(32, 1)), false});
        return WriteScreensaver("thousand.scr", draft);
    }();
    return path;
}

// A 100 MB file of photo-like bytes: compressible, but not trivially.
const std::string& BigContent() {
    static const std::string path = [] {
        std::string p = (Scratch() / "big.bin").string();
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        std::mt19937 rng(3);
        std::vector<uint8_t> chunk(1 << 20);
        for (int mb = 0; mb < 100; ++mb) {
            for (std::size_t i = 0; i < chunk.size(); ++i)
                chunk[i] = uint8_t((i >> 4) + (rng() & 0x1F));
            out.write(reinterpret_cast<const char*>(chunk.data()), std::streamsize(chunk.size()));
        }
        return p;
    }();
    return path;
}

const std::string& BigItemShow(bool compressed) {
    static std::string paths[2];
    std::string& path = paths[compressed ? 1 : 0];
    if (path.empty()) {
        PayloadDraft draft;
        DraftItem<TKelImageInfo> item{{}, Content::FromFile(BigContent()), compressed};
        item.record.Ext = ".avi";
        draft.images.push_back(std::move(item));
        path = WriteScreensaver(compressed ? "big-compressed.scr" : "big-raw.scr", draft);
    }
    return path;
}

void BM_ReadThousandItemPayload(benchmark::State& state) {
    const std::string& path = ThousandItemShow();
    for (auto _ : state) {
        auto source = FileSource::Open(path);
        auto payload = ReadWholePayload(**source);
        if (!payload || payload->images.size() != 1000)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(payload);
    }
}
BENCHMARK(BM_ReadThousandItemPayload)->Unit(benchmark::kMillisecond);

void BM_Extract100MB(benchmark::State& state) {
    const bool compressed = state.range(0) != 0;
    const std::string& show = BigItemShow(compressed);
    auto source = FileSource::Open(show);
    auto payload = ReadWholePayload(**source);
    const TKelImageInfo& item = payload->images[0];
    const std::string target = (Scratch() / "SSIMG.avi").string();
    long before = PeakRssKiB();
    for (auto _ : state) {
        Status s = ExtractItem(show, target, item.StoredSize > 0, ItemPosition(payload->header, item), item.StoredSize,
                               item.Size);
        if (!s)
            state.SkipWithError(s.message().c_str());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * item.Size);
    state.counters["rss_growth_KiB"] = double(PeakRssKiB() - before);
    state.counters["stored_MB"] = double(item.StoredSize > 0 ? item.StoredSize : item.Size) / 1e6;
}
BENCHMARK(BM_Extract100MB)->Arg(0)->Arg(1)->ArgNames({"compressed"})->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(Scratch(), ec);
    return 0;
}

// Writes the item-path fuzzer's seeds: every sample picture of the decoder tests behind control
// bytes that name its extension (modes, captions and filters varied), and a few whole
// screensavers of several items. Usage: make_seeds_itempath CORPUS_ROOT  (writes CORPUS_ROOT/itempath/)

#include "payload/PayloadWriter.h"
#include "raster/decoders/PictureWriters.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The control byte that picks the extension (see ItemPathTarget.h); -1 for none.
int ExtensionCode(const std::string& extension) {
    static const char* const kExtensions[] = {"jpg", "png", "tif", "gif", "bmp", "ico", "jpeg", "tiff"};
    for (int i = 0; i < 8; ++i)
        if (extension == kExtensions[i])
            return i;
    return -1;
}

void Write(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes Screensaver(const std::vector<vorlandite::testing::SamplePicture>& samples, std::size_t first) {
    using namespace vorlandite::payload;
    PayloadDraft draft;
    draft.header.Seconds = 5;
    draft.header.GradientStyle = int(first % 8) + 1;
    for (std::size_t i = first; i < samples.size() && draft.images.size() < 3; i += 7) {
        DraftItem<TKelImageInfo> item;
        item.record.Ext = "." + samples[i].extension;
        item.record.Stretch = int(i % 7) - 1;
        item.record.Text = "Item";
        item.record.TextSize = 9;
        item.compressed = i % 2;
        item.content = Content::FromBytes(samples[i].bytes);
        draft.images.push_back(std::move(item));
    }
    MemorySink sink;
    if (!WritePayload(draft, sink))
        return {};
    return std::move(sink.Bytes());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds_itempath CORPUS_ROOT\n");
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / "itempath";
    std::filesystem::create_directories(folder);
    const auto samples = vorlandite::testing::MakeSamplePictures();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const int code = ExtensionCode(samples[i].extension);
        if (code < 0)
            continue;
        Bytes input = {uint8_t(code), uint8_t(i % 8 | (i % 9) << 4), uint8_t(i % 4 | (i % 5) << 2), uint8_t(i % 2)};
        input.insert(input.end(), samples[i].bytes.begin(), samples[i].bytes.end());
        Write(folder / samples[i].name, input);
    }
    for (std::size_t first = 0; first < 4; ++first)
        Write(folder / ("screensaver-" + std::to_string(first)), Screensaver(samples, first));
    return 0;
}

// Writes a seed corpus of generated screensaver payloads for the payload fuzzer.
// Usage: make_seeds_payload CORPUS_ROOT  (writes CORPUS_ROOT/payload/seed-N)

#include "support/RandomPayload.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds_payload CORPUS_ROOT\n");
        return 2;
    }
    std::filesystem::path folder = std::filesystem::path(argv[1]) / "payload";
    std::filesystem::create_directories(folder);
    vorlandite::testing::RandomPayloadOptions options;
    options.maxItems = 3;
    options.maxItemBytes = 200;
    options.maxStringBytes = 24;
    for (uint32_t seed = 1; seed <= 32; ++seed) {
        auto bytes = vorlandite::testing::BuildScreensaverBytes(vorlandite::testing::RandomDraft(seed, options), 16);
        std::ofstream out(folder / ("seed-" + std::to_string(seed)), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    return 0;
}

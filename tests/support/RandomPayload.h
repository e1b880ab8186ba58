#pragma once
// Seeded random payload drafts: every author field, every string byte, raw and compressed
// items of random sizes. Shared by the tests, the fuzz seed generator and the benchmarks.

#include "payload/PayloadWriter.h"

#include <cstdint>
#include <random>
#include <vector>

namespace vorlandite::testing {

struct RandomPayloadOptions {
    int maxItems = 6;
    int maxItemBytes = 4096;
    int maxStringBytes = 300;
    bool optionalSections = true;
};

payload::PayloadDraft RandomDraft(uint32_t seed, const RandomPayloadOptions& options = {});

// The draft written after `engineBytes` bytes of stand-in executable: a whole screensaver file.
std::vector<uint8_t> BuildScreensaverBytes(const payload::PayloadDraft& draft, std::size_t engineBytes = 1000);

// Bytes that compress well (so compressed items are smaller than raw ones) or not at all.
std::vector<uint8_t> RandomBytes(std::mt19937& rng, std::size_t count, bool compressible);

} // namespace vorlandite::testing

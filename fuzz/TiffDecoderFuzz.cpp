// Arbitrary bytes through the Tiff decoder (see DecoderFuzzHarness.h).

#include "DecoderFuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vorlandite::fuzz::FuzzTiff(std::span<const uint8_t>(data, size));
    return 0;
}

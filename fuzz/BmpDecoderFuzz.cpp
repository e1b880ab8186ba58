// Arbitrary bytes through the Bmp decoder (see DecoderFuzzHarness.h).

#include "DecoderFuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vorlandite::fuzz::FuzzBmp(std::span<const uint8_t>(data, size));
    return 0;
}

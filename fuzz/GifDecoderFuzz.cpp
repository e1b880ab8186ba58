// Arbitrary bytes through the GIF decoder and the frame composer (see DecoderFuzzHarness.h).

#include "DecoderFuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vorlandite::fuzz::FuzzGif(std::span<const uint8_t>(data, size));
    return 0;
}

// Arbitrary bytes through the Ico decoder (see DecoderFuzzHarness.h).

#include "DecoderFuzzHarness.h"
#include "raster/decoders/IcoDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vorlandite::fuzz::DecodeAllFrames(vorlandite::raster::CreateIcoDecoder, data, size);
    return 0;
}

// Arbitrary bytes through the Bmp decoder (see DecoderFuzzHarness.h).

#include "DecoderFuzzHarness.h"
#include "raster/decoders/BmpDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vorlandite::fuzz::DecodeAllFrames(vorlandite::raster::CreateBmpDecoder, data, size);
    return 0;
}

// Arbitrary bytes through the Png decoder (see DecoderFuzzHarness.h).

#include "DecoderFuzzHarness.h"
#include "raster/decoders/PngDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vorlandite::fuzz::DecodeAllFrames(vorlandite::raster::CreatePngDecoder, data, size);
    return 0;
}

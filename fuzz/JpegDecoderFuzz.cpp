// Arbitrary bytes through the Jpeg decoder (see DecoderFuzzHarness.h).

#include "DecoderFuzzHarness.h"
#include "raster/decoders/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vorlandite::fuzz::DecodeAllFrames(vorlandite::raster::CreateJpegDecoder, data, size);
    return 0;
}

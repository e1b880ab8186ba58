// Arbitrary bytes through the Tiff decoder (see DecoderFuzzHarness.h).

#include "DecoderFuzzHarness.h"
#include "raster/decoders/TiffDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vorlandite::fuzz::DecodeAllFrames(vorlandite::raster::CreateTiffDecoder, data, size);
    return 0;
}

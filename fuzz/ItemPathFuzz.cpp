// Arbitrary bytes through the show's item path (see ItemPathTarget.h): a screensaver file, or a
// picture with four control bytes, read, extracted, decoded for a small screen, composed and,
// for a GIF, animated for a few frames.

#include "ItemPathTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vorlandite::fuzz::RunItemPath(std::span<const uint8_t>(data, size));
    return 0;
}

// Feeds arbitrary text to the registry file reader. What it accepts must write out and read
// back to the same text, so a hand-edited store is never changed by being loaded and saved.

#include "platform/RegFile.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorlandite::platform;
    auto document = ParseRegFile(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!document)
        return 0;
    std::string once = SerializeRegFile(*document);
    auto again = ParseRegFile(once);
    if (!again || SerializeRegFile(*again) != once)
        std::abort();
    return 0;
}

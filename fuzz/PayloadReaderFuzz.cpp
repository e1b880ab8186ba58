// Feeds arbitrary bytes to the payload reader as a whole screensaver file, then extracts the
// small items it finds. Nothing may crash, hang, read outside the bytes or allocate from an
// unchecked size field.

#include "payload/ContainerReader.h"
#include "payload/ItemExtraction.h"
#include "payload/PayloadLayout.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string& ScratchFolder() {
    static const std::string folder = [] {
        std::string pattern = "/tmp/vorlandite-fuzz-XXXXXX";
        return std::string(::mkdtemp(pattern.data()) ? pattern : "/tmp");
    }();
    return folder;
}

template <class Record>
void ExtractSmall(vorlandite::payload::ByteSource& source, const vorlandite::payload::TKelFixedSizeInfo& header,
                  const std::vector<Record>& records) {
    constexpr int64_t kLimit = 1 << 16;
    const std::string target = ScratchFolder() + "/item";
    for (std::size_t i = 0; i < records.size() && i < 4; ++i) {
        const Record& r = records[i];
        if (r.Size > kLimit)
            continue;
        (void)vorlandite::payload::ExtractItemFrom(source, target, r.StoredSize > 0,
                                                   vorlandite::payload::ItemPosition(header, r), r.StoredSize, r.Size);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorlandite::payload;
    MemorySource source(std::span<const uint8_t>(data, size));
    auto payload = ReadWholePayload(source);
    if (!payload)
        return 0;
    ExtractSmall(source, payload->header, payload->images);
    ExtractSmall(source, payload->header, payload->melodies);
    ExtractSmall(source, payload->header, payload->masks);
    ExtractSmall(source, payload->header, payload->sounds);
    return 0;
}

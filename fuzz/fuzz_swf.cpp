// Feeds arbitrary bytes to the Flash movie reader: the header, the frame size and the root
// timeline must come out of any file without a crash, and agree with each other.

#include "formats/swf/SwfMovie.h"

#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace swf = vorlandite::swf;
    const std::span<const uint8_t> bytes(data, size);
    auto rect = swf::MovieRectOf(bytes);
    if (rect && (swf::MovieWidth(*rect) < 0 || swf::MovieHeight(*rect) < 0))
        std::abort();
    auto timeline = swf::ParseSwfTimeline(bytes);
    if (!timeline)
        return 0;
    if (timeline->firstStopFrame && (*timeline->firstStopFrame < 0 || *timeline->firstStopFrame >= timeline->frames))
        std::abort();
    // The timeline reads the same rectangle as the header reader.
    if (!rect || swf::MovieWidth(*rect) != timeline->width || swf::MovieHeight(*rect) != timeline->height)
        std::abort();
    if (const auto stop = timeline->StopTimeMs(); stop && *stop < 0)
        std::abort();
    return 0;
}

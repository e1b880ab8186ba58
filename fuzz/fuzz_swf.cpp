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
    if (timeline->FirstStopFrame && (*timeline->FirstStopFrame < 0 || *timeline->FirstStopFrame >= timeline->Frames))
        std::abort();
    // The timeline reads the same rectangle as the header reader.
    if (!rect || swf::MovieWidth(*rect) != timeline->Width || swf::MovieHeight(*rect) != timeline->Height)
        std::abort();
    if (const auto stop = timeline->StopTimeMs(); stop && *stop < 0)
        std::abort();
    return 0;
}

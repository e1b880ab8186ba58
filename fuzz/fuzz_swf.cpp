// Feeds arbitrary bytes to the Flash movie reader: the header, the frame size and the root
// timeline must come out of any file without a crash, and agree with each other.

#include "slideshow/swf/SwfMovie.h"

#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorlandite::slideshow;
    const std::span<const uint8_t> bytes(data, size);
    auto rect = MovieRectOf(bytes);
    if (rect && (MovieWidth(*rect) < 0 || MovieHeight(*rect) < 0))
        std::abort();
    auto timeline = ParseSwfTimeline(bytes);
    if (!timeline)
        return 0;
    if (timeline->FirstStopFrame && (*timeline->FirstStopFrame < 0 || *timeline->FirstStopFrame >= timeline->Frames))
        std::abort();
    // The timeline reads the same rectangle as the header reader.
    if (!rect || MovieWidth(*rect) != timeline->Width || MovieHeight(*rect) != timeline->Height)
        std::abort();
    if (const auto stop = timeline->StopTimeMs(); stop && *stop < 0)
        std::abort();
    return 0;
}

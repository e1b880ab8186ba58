#pragma once
// What the show needs to know of a Flash movie without playing it: the frame size its header
// gives (where the display panel goes), and the root timeline's pace and first stop (when a
// movie that nobody scripts will stop playing). No Qt: the fuzzer and the headless show use it.
//
// File format (SWF): "FWS" (plain) or "CWS" (zlib from byte 8 on), a version byte, the
// uncompressed length (u32 little-endian), then the frame rectangle (a bit-packed RECT), the
// frame rate (8.8 fixed point, little-endian), the frame count (u16) and the tags. Each tag has a
// short header (u16: code << 6 | length) or, for length 63, a long one (u32 length after it).

#include "base/Result.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vorlandite::swf {

// The 17 bytes after the 8-byte file header; they hold the frame rectangle for any field width.
using MovieRect = std::array<uint8_t, 17>;

// The rectangle bytes of the movie file at path. A compressed movie is inflated first, so that
// its size means something. Fails when the file is missing or too short.
Result<MovieRect> ReadMovieRect(const std::string& path);
// The same from the file's bytes in memory.
Result<MovieRect> MovieRectOf(std::span<const uint8_t> file);

// The frame size in pixels: Xmax and Ymax in twips, divided by 20, the remainder dropped.
int MovieWidth(const MovieRect& rect);
int MovieHeight(const MovieRect& rect);

struct SwfTimeline {
    int width = 0;              // pixels
    int height = 0;
    double frameRate = 0;       // frames per second, as stored (may be 0)
    int declaredFrames = 0;     // the header's frame count
    int frames = 0;             // ShowFrame tags met on the root timeline
    // The first root frame (from 0) whose own top-level actions stop the timeline; none: the
    // movie loops for ever (as far as the file tells without running its scripts).
    std::optional<int> firstStopFrame;

    // When frame `frame` is on screen, in ms from the start of playback: frame k at k / rate s.
    // A stored rate of 0 gives no pace at all; it is taken as 1 frame per second.
    int64_t FrameTimeMs(int frame) const;
    // When playback stops, in ms from its start; none: it never stops.
    std::optional<int64_t> StopTimeMs() const;
};

// Reads the header and the root timeline. Any bytes are safe: a damaged tail ends the timeline
// where the damage starts; only a file with no readable header fails.
Result<SwfTimeline> ParseSwfTimeline(std::span<const uint8_t> file);
Result<SwfTimeline> ReadSwfTimeline(const std::string& path);

} // namespace vorlandite::swf

#pragma once
// The pictures of a video file in order, for a video export that shows a video item as it plays:
// the decoder runs only as far ahead as it is asked, so following a video along the show's time
// decodes each of its frames once.

#include "base/Result.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <string>

namespace vorlandite::slideshow {

class VideoFrameReader {
public:
    // Fails when the file has no picture GStreamer can decode.
    static Result<std::unique_ptr<VideoFrameReader>> Open(const std::string& path);
    ~VideoFrameReader();
    VideoFrameReader(const VideoFrameReader&) = delete;
    VideoFrameReader& operator=(const VideoFrameReader&) = delete;

    // The picture on show at positionMs into the file: the last frame that starts at or before
    // it (after the end, the last frame). Positions never go back; null before the first frame.
    const QImage& FrameAt(int64_t positionMs);

private:
    struct Decoder;
    explicit VideoFrameReader(std::unique_ptr<Decoder> decoder);
    std::unique_ptr<Decoder> decoder_;
    QImage current_;
};

} // namespace vorlandite::slideshow

#pragma once
// Where a media player's video goes: the display panel on screen, or a headless recorder that
// composes the frames into its own pictures. Both calls come on the UI thread.

#include <QImage>
#include <QRect>

namespace vorlandite::audio {

class VideoFrameConsumer {
public:
    virtual ~VideoFrameConsumer() = default;

    // frame: the video at its decoded size (QImage::Format_RGB32); target: the rectangle, in
    // the consumer's own coordinates, that the frame is to be scaled into. An empty target
    // means the consumer's whole area.
    virtual void PresentVideoFrame(const QImage& frame, const QRect& target) = 0;

    // The player closed its file or was detached: the picture is no longer valid.
    virtual void ClearVideoFrame() = 0;
};

} // namespace vorlandite::audio

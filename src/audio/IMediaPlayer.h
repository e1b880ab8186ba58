#pragma once
// What the show asks of a media player, whatever plays the file: the GStreamer player on a real
// screen, or a player on virtual time for the headless recorder. The contract is the one every
// caller relies on:
//
//  - Open fails when nothing can play the file, and decides that without playing it;
//  - Play returns at once; a notified play completes exactly once, through the owner's event
//    loop, never from inside a player call;
//  - only a play that reached the end of the file completes Successful; Close and Rewind settle
//    a pending play as Aborted, so a caller that acts on Successful alone is never driven by
//    its own Close.
//
// Single-threaded: every call and every completion belongs to the owner's thread.

#include "audio/VideoFrameConsumer.h"
#include "base/Result.h"

#include <QRect>

#include <functional>
#include <string>

namespace vorlandite::audio {

class IMediaPlayer {
public:
    // The multimedia notification codes.
    enum class NotifyValue { Successful = 1, Superseded = 2, Aborted = 4, Failure = 8 };
    using NotifyHandler = std::function<void(NotifyValue)>;

    virtual ~IMediaPlayer() = default;

    // The file the next Open uses. It stays after Close: callers use it as the record of which
    // temporary file to delete.
    virtual const std::string& FileName() const = 0;
    virtual void SetFileName(std::string path) = 0;

    virtual Status Open() = 0;
    virtual Status Play() = 0;
    virtual void Close() = 0;
    // Back to the start, paused; a pending completion arrives as Aborted.
    virtual Status Rewind() = 0;
    virtual bool IsOpen() const = 0;

    // Whether the next command requests a completion; the setting holds for one command, after
    // which the flag is on again.
    virtual bool Notify() const = 0;
    virtual void SetNotify(bool notify) = 0;
    // The one listener of this player's completions (empty: none).
    virtual void SetNotifyHandler(NotifyHandler handler) = 0;

    // Video display: where the frames go (null: nowhere) and the rectangle in the display's
    // coordinates they are scaled into (empty: the whole display).
    virtual void SetDisplay(VideoFrameConsumer* display) = 0;
    virtual void SetDisplayRect(const QRect& rect) = 0;
    // The open video's own size at (0, 0); empty for a file without video or no open file.
    virtual QRect NaturalDisplayRect() const = 0;

    // Volume of the open file, 0 (silent) to 1000 (as recorded); every Open starts at 1000.
    virtual Status SetVolume(int volume) = 0;

    // Whether the open file has prerolled, so that its size is known. A player whose Open
    // decides before returning is ready once Open succeeds. One that prerolls in the background
    // (so that a file stuck in its source never holds the owner's thread) runs the ready
    // handler through the owner's loop when the preroll has ended well, before a Play that
    // waited for it starts; a preroll that fails completes a waiting Play as Failure instead.
    // The handler holds for the open file only: Open and Close drop it.
    virtual bool Ready() const { return IsOpen(); }
    virtual void SetReadyHandler(std::function<void()> handler) { (void)handler; }
};

} // namespace vorlandite::audio

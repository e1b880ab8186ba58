#pragma once
// A media player on the show's virtual time, for the headless recorder: it cannot wait for real
// playback, so it learns each file's length when it opens the file (the probe prerolls the file
// as the real player would, so a file nothing can play fails Open here too) and completes a
// notified play when the virtual clock reaches the file's end. Nothing is decoded while it
// "plays": a display attached to it shows the video's first frame until the file closes, unless
// it is told to follow the frames (SetFollowFrames).
//
// Completions that a call causes (Superseded, Aborted) go through the poster, never out of the
// call itself; the Successful one comes from the end timer, which is already an event of the
// owner's loop.

#include "audio/IMediaPlayer.h"
#include "slideshow/SlideTimers.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vorlandite::slideshow {

class VideoFrameReader;

class VirtualMediaPlayer final : public audio::IMediaPlayer {
public:
    // Runs a task on the owner's thread later, between the clock's events.
    using Poster = std::function<void(std::function<void()>)>;

    VirtualMediaPlayer(VirtualTimerClock& clock, Poster post);
    ~VirtualMediaPlayer() override;
    VirtualMediaPlayer(const VirtualMediaPlayer&) = delete;
    VirtualMediaPlayer& operator=(const VirtualMediaPlayer&) = delete;

    const std::string& FileName() const override { return fileName_; }
    void SetFileName(std::string path) override { fileName_ = std::move(path); }
    Status Open() override;
    Status Play() override;
    void Close() override;
    Status Rewind() override;
    bool IsOpen() const override { return open_; }
    bool Notify() const override { return notify_; }
    void SetNotify(bool notify) override { notify_ = notify; }
    void SetNotifyHandler(NotifyHandler handler) override { handler_ = std::move(handler); }
    void SetDisplay(audio::VideoFrameConsumer* display) override;
    void SetDisplayRect(const QRect& rect) override {
        displayRect_ = rect;
        PresentFirstFrame();
    }
    QRect NaturalDisplayRect() const override { return QRect(QPoint(0, 0), naturalSize_); }
    Status SetVolume(int volume) override;

    // Told when the file starts sounding (from offsetMs into it, at `volume` on SetVolume's
    // scale) and when it falls silent before its end, at the clock's time: the video exporter
    // mixes the sound from these. A volume changed while it sounds is told as a stop and a
    // start where it stands.
    using SoundListener =
        std::function<void(bool sounding, const std::string& file, int64_t offsetMs, int volume)>;
    void SetSoundListener(SoundListener listener) { soundListener_ = std::move(listener); }

    // On: an open video is decoded along as it plays, and PresentFrameNow shows its picture at
    // the clock's time (the video export); off: its first frame stays on show throughout.
    void SetFollowFrames(bool follow) { followFrames_ = follow; }
    void PresentFrameNow();

    int Volume() const { return volume_; }
    bool Playing() const { return playing_; }
    // The open file's length in virtual milliseconds (at least 1).
    int64_t DurationMs() const { return durationMs_; }

private:
    bool ConsumeNotify();
    void SettlePending(NotifyValue value);
    void Post(NotifyValue value);
    void Deliver(NotifyValue value);
    void ReachEnd();
    void Release();
    void Silence();  // playing_ := false, the listener told when it sounded
    void PresentFirstFrame();
    void OpenFrames();  // the frame reader, when frames are followed

    VirtualTimerClock& clock_;
    VirtualTimer endTimer_;
    Poster post_;
    NotifyHandler handler_;
    SoundListener soundListener_;
    std::string fileName_;
    bool open_ = false;
    bool notify_ = true;
    bool pending_ = false;  // a notified play has not completed yet
    bool playing_ = false;
    bool atEnd_ = false;
    int64_t durationMs_ = 0;
    int64_t positionMs_ = 0;   // where the file stood when it last started playing
    int64_t playStartMs_ = 0;  // the clock's time when it last started playing
    int volume_ = 1000;
    QSize naturalSize_;
    QImage firstFrame_;
    bool followFrames_ = false;
    std::unique_ptr<VideoFrameReader> frames_;  // with followFrames_, while a video is open
    qint64 presentedFrame_ = 0;                  // the cache key of the frame last presented
    audio::VideoFrameConsumer* display_ = nullptr;
    QRect displayRect_;
    // Posted completions of a player that is gone do nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace vorlandite::slideshow

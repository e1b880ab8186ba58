#pragma once
// A Flash control on the virtual clock: it draws nothing, but it knows the movie's root timeline
// and stops playing when playback reaches the first frame that stops it (frame k is on screen at
// k / frame rate seconds after Play). A movie without such a frame, or whose file cannot be
// read, plays on for ever. Stops set by the movie's scripts at run time are not seen.

#include "platform/FlashControl.h"
#include "slideshow/SlideTimers.h"
#include "formats/swf/SwfMovie.h"

#include <functional>
#include <optional>
#include <string>

namespace vorlandite::slideshow {

class VirtualFlashControl final : public platform::IFlashControl {
public:
    // onStopped runs on the clock's thread at the moment the movie stops.
    VirtualFlashControl(VirtualTimerClock& clock, std::function<void()> onStopped);

    void SetMovie(const std::string& path) override;
    std::string Movie() const override { return movie_; }
    void SetPlaying(bool playing) override;
    bool Playing() const override { return playing_; }
    void Play() override;
    void Stop() override;
    bool IsPlaying() const override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override { visible_ = visible; }
    void SetInputEnabled(bool) override {}  // no pointer reaches a movie without a screen

    bool Visible() const { return visible_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    void Stopped();

    VirtualTimerClock& clock_;
    VirtualTimer stopTimer_;
    std::function<void()> onStopped_;
    std::string movie_;
    std::optional<swf::SwfTimeline> timeline_;  // none: no movie, or one that cannot be read
    bool playing_ = false;
    bool stopped_ = false;  // the timeline reached its stop (reported)
    int64_t playedAtMs_ = 0;
    bool visible_ = false;
    int width_ = 0;
    int height_ = 0;
};

// Makes virtual controls; every control it makes reports its stop to onStopped.
class VirtualFlashFactory final : public platform::IFlashControlFactory {
public:
    VirtualFlashFactory(VirtualTimerClock& clock, std::function<void()> onStopped)
        : clock_(clock), onStopped_(std::move(onStopped)) {}
    Result<std::unique_ptr<platform::IFlashControl>> CreateFlashControl() override;
    // The last control made (null before the first; gone once the show drops it), for tests.
    VirtualFlashControl* Last() const { return last_; }

private:
    VirtualTimerClock& clock_;
    std::function<void()> onStopped_;
    VirtualFlashControl* last_ = nullptr;
};

} // namespace vorlandite::slideshow

#pragma once
// A Flash control: one movie item's hold on the show's player view (RufflePlayerView). Each
// control keeps its own movie, bounds, visibility, input setting and timeline; the view follows
// the newest control, and an older one is inert from then on (its calls reach nothing, its movie
// counts as stopped, and dropping it leaves the newer one alone).
//
// The player can say whether it is paused, not whether the movie's timeline has come to a stop,
// so IsPlaying follows the movie's root timeline instead: the movie counts as stopped once it has
// played as long as it takes to reach the first frame whose own actions stop it. Stops made by
// scripts at run time are not seen; a movie without a stopping frame loops and plays on.

#include "platform/FlashControl.h"
#include "formats/swf/FlashPlayClock.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <memory>

namespace vorlandite::platform {

class RufflePlayerView;

class RuffleFlashControl final : public IFlashControl {
public:
    // Takes the view from whichever control had it.
    explicit RuffleFlashControl(std::shared_ptr<RufflePlayerView> view);
    ~RuffleFlashControl() override;

    void SetMovie(const std::string& path) override;
    std::string Movie() const override { return movie_; }
    void SetPlaying(bool playing) override;
    bool Playing() const override { return playing_; }
    void Play() override;
    void Stop() override;
    bool IsPlaying() const override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetInputEnabled(bool enabled) override;

    // Whether this control still has the view (a newer control takes it).
    bool HasView() const;

    // A movie that has not shown its first frame this long after it was set counts as stopped,
    // so a movie the player cannot play never holds the show.
    static constexpr int64_t kStartTimeoutMs = 15000;

private:
    void Report(const QString& what);
    int64_t Now() const { return clock_.elapsed(); }

    std::shared_ptr<RufflePlayerView> view_;
    uint64_t lease_ = 0;
    std::string movie_;
    bool playing_ = false;
    bool failed_ = false;
    int64_t movieSetAtMs_ = 0;
    QElapsedTimer clock_;
    swf::FlashPlayClock timeline_;
};

} // namespace vorlandite::platform

#pragma once
// A Flash control made of a browser view running the Ruffle player, a child of the display panel.
//
// The player can say whether it is paused, not whether the movie's timeline has come to a stop,
// so IsPlaying follows the movie's root timeline instead: the movie counts as stopped once it has
// played as long as it takes to reach the first frame whose own actions stop it. Stops made by
// scripts at run time are not seen; a movie without a stopping frame loops and plays on.

#include "platform/FlashControl.h"
#include "formats/swf/FlashPlayClock.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include <cstdint>

class QWebEngineProfile;
class QWebEngineView;
class QWidget;

namespace vorlandite::platform {

class TRufflePlayerScheme;

class TRuffleFlashControl final : public IFlashControl {
public:
    TRuffleFlashControl(QWidget& panel, QWebEngineProfile& profile, TRufflePlayerScheme& scheme);
    ~TRuffleFlashControl() override;

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

    // A movie that has not shown its first frame this long after it was set counts as stopped,
    // so a movie the player cannot play never holds the show.
    static constexpr int64_t kStartTimeoutMs = 15000;

private:
    void Report(const QString& what);
    int64_t Now() const { return clock_.elapsed(); }

    QWidget& panel_;
    TRufflePlayerScheme& scheme_;
    QPointer<QWebEngineView> view_;
    std::string movie_;
    QString token_;
    bool playing_ = false;
    bool failed_ = false;
    int64_t movieSetAtMs_ = 0;
    QElapsedTimer clock_;
    swf::TFlashPlayClock timeline_;
};

} // namespace vorlandite::platform

#pragma once
// The full-screen show without a screen: the slideshow controller on surfaces in memory, driven
// by virtual timers, so that a show of many minutes runs in moments and the same seed always
// gives the same show. The `record` command, the tests and the benchmarks run shows this way.
//
// Time. Two virtual clocks meet here: the show's timers (slide timer, GIF frames) and the tick
// clock that paces the transition worker. A transition's own duration, the ticks its worker
// napped through, is added to the show's time before its completion runs, so an item's display
// time counts from the end of its transition, as on a real screen.
//
// Sound and video. Melodies, enter sounds and videos play on players of the virtual clock: each
// file is probed once when it opens and ends when the show's time reaches its length, so a
// video holds the show exactly as long as it would on screen. The display panel of a video shows
// the video's first frame on the main monitor while the video plays; no later frame is decoded,
// unless the options ask for the frames to be followed (a video export).
//
// Determinism. The worker and the show's own thread each draw from a generator of their own,
// both seeded from the seed, so the order in which the two threads happen to draw changes
// nothing. Transitions complete one at a time before the show's time moves on.
//
// Transition frames. The show's clock stands still while a transition's worker runs (it moves
// on by the transition's length when the completion runs), so the worker can tell the show's
// time of each frame it draws: the transition's start plus the ticks napped so far. A video
// export is told of each frame of the main monitor with the span it stays on screen.

#include "base/Result.h"
#include "raster/DesktopCapture.h"
#include "raster/TBitmap32.h"
#include "slideshow/SlideTimers.h"
#include "slideshow/controller/ShowDisplay.h"
#include "slideshow/controller/SlideshowController.h"
#include "transitions/RecordingPresenter.h"
#include "transitions/TransitionEngine.h"
#include "base/TickClock.h"
#include "base/OwnerThread.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorlandite::audio {
class MelodyPlayback;
class EnterSound;
}  // namespace vorlandite::audio

namespace vorlandite::slideshow {

// A melody or enter sound starting or falling silent before its end, on the show's time.
struct HeadlessSound {
    enum class Source { Melody, EnterSound };
    Source source = Source::Melody;
    int64_t timeMs = 0;
    bool starts = true;    // false: the sound of this source stops here
    std::string file;      // Starts: the sound file
    int64_t offsetMs = 0;  // Starts: where in the file it starts
    int volume = 1000;     // Starts: 0 (silent) to 1000 (as recorded), the players' linear scale
};

struct HeadlessShowOptions {
    int width = 1280;
    int height = 720;
    uint32_t seed = 1;
    int monitors = 1;  // 2: a second monitor of the same size
    // Melodies, enter sounds and videos on virtual time; off: none of them (videos are skipped).
    bool media = true;
    // The user's own playlist replaces the payload's melodies.
    bool useCustomPlaylist = false;
    std::vector<std::string> customPlaylist;
    // Flash movies on virtual controls that know each movie's timeline; off: Flash items are
    // skipped, as where no runtime is installed.
    bool flash = true;
    // The desktop the show starts on and shows as its desktop background (the main monitor's),
    // fitted to the screen as raster::CoverArea does; none: a black desktop.
    std::optional<raster::TBitmap32> desktop;
    // Told of every melody and enter sound as it starts and stops (with Media).
    std::function<void(const HeadlessSound&)> OnSound;
    // A playing video item shows the picture of its show time each time RunUntil returns
    // (decoded as it goes, with Media); off: its first frame throughout, as described above.
    bool followVideoFrames = false;
    // Told, on the transition's worker thread while the show's thread waits for it, of each
    // frame a transition draws on the main monitor: the screen then, shown on the show's time
    // from fromMs until toMs. The screen after the transition's last frame is the show's Screen.
    std::function<void(int64_t fromMs, int64_t toMs, const raster::TBitmap32& screen)> OnTransitionFrame;
};

class VirtualMediaPlayer;
class VirtualFlashFactory;

// What the show did, stamped with the show's virtual time.
struct HeadlessEvent {
    enum class Type { Item, TransitionEnd, GifFrame, Melody, VideoEnd, FlashEnd, End };
    Type type = Type::Item;
    int64_t timeMs = 0;
    // Item: the item event; TransitionEnd: the item that came in (and its monitor); VideoEnd:
    // the video item that played to its end; FlashEnd: the Flash item whose movie stopped.
    ItemShownEvent item{};
    // Item and TransitionEnd: running number of the items shown, from 0. An item is on screen
    // in full after its TransitionEnd, or at once when its mode is not Transition.
    int sequence = -1;
    int frame = 0;  // GifFrame: the frame now shown
    int melody = -1;  // Melody: the index of the melody that started, in its playlist
};

// One monitor in memory: the picture control's bitmap and the screen the transitions draw on.
class HeadlessSurface final : public IShowSurface {
public:
    HeadlessSurface(int width, int height);
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    raster::TBitmap32& PictureBitmap() override { return picture_; }
    transitions::ITransitionPresenter& Presenter() override { return presenter_; }
    void ShowFrameNow(const raster::TBitmap32& frame) override;
    void Repaint(const raster::Rect& changed) override;

    // What the monitor shows. Read it only while no transition runs.
    const raster::TBitmap32& Screen() const { return presenter_.Canvas(); }
    // Paints over the screen only (a panel above the picture control).
    void PaintOnScreen(const raster::Rect& area, raster::TColor32 colour);
    void DrawOnScreen(const raster::TBitmap32& picture, const raster::Rect& destination);
    transitions::RecordingPresenter& Recording() { return presenter_; }

private:
    int width_;
    int height_;
    raster::TBitmap32 picture_;
    transitions::RecordingPresenter presenter_;
};

class HeadlessShow {
public:
    using EventHandler = std::function<void(const HeadlessEvent&)>;

    // The content's temporary folder receives the item files while the show runs.
    HeadlessShow(ShowContent content, const HeadlessShowOptions& options, EventHandler onEvent = {});
    ~HeadlessShow();
    HeadlessShow(const HeadlessShow&) = delete;
    HeadlessShow& operator=(const HeadlessShow&) = delete;

    // The show's start: background, the first item at once, the slide timer.
    Status Start();
    // Runs the show until its time reaches timeMs (a transition under way then ends first).
    void RunUntil(int64_t timeMs);
    // The user leaves: the show finishes and its window closes (the End event).
    void Finish();

    int64_t NowMs() const { return clock_.NowMs(); }
    // Monitor 0 is the main one; monitor 1 exists with two monitors.
    const raster::TBitmap32& Screen(int monitor) const;
    int MonitorCount() const { return second_ ? 2 : 1; }
    SlideshowController& Controller() { return *controller_; }
    // The video player (null without media), for tests.
    VirtualMediaPlayer* VideoPlayer() { return videoPlayer_.get(); }
    // The Flash controls' maker (null without Flash), for tests.
    VirtualFlashFactory* Flash() { return flash_.get(); }

private:
    class Display;
    class SplitRandom;
    class ClockSyncedOwner;
    class EventSink;

    // Runs the completions of started transitions, the show's time moving on by their length.
    void DrainTransitions();
    // Passes the main monitor's transition frames on, stamped with the show's time.
    void WatchTransitionFrames(
        std::function<void(int64_t fromMs, int64_t toMs, const raster::TBitmap32& screen)> onFrame);

    // Declared so that each member outlives what uses it: the engine joins its worker, which
    // draws on the surfaces, and the controller stops the timers.
    VirtualTimerClock clock_;
    VirtualTimer slideTimer_{clock_};
    VirtualTimer gifTimer_{clock_};
    VirtualTimer flashTimer_{clock_};
    VirtualTickClock ticks_;
    int64_t ticksCounted_ = 0;
    int64_t frameStartTick_ = -1;  // worker thread: the tick of the open frame's start, -1: none
    std::unique_ptr<SplitRandom> random_;
    TaskQueue queue_;
    std::unique_ptr<ClockSyncedOwner> owner_;
    std::unique_ptr<HeadlessSurface> second_;
    std::unique_ptr<Display> display_;
    std::unique_ptr<raster::SnapshotDesktop> desktop_;
    std::unique_ptr<transitions::TransitionEngine> engine_;
    std::unique_ptr<EventSink> sink_;
    std::unique_ptr<VirtualMediaPlayer> melodyPlayer_;
    std::unique_ptr<VirtualMediaPlayer> enterSoundPlayer_;
    std::unique_ptr<VirtualMediaPlayer> videoPlayer_;
    std::unique_ptr<VirtualFlashFactory> flash_;
    std::unique_ptr<audio::MelodyPlayback> melody_;
    std::unique_ptr<audio::EnterSound> enterSound_;
    std::unique_ptr<SlideshowController> controller_;
};

} // namespace vorlandite::slideshow

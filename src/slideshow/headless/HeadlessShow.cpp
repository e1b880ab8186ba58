#include "slideshow/headless/HeadlessShow.h"

#include "audio/EnterSound.h"
#include "audio/MelodyPlayback.h"
#include "raster/BitmapDraw.h"
#include "slideshow/headless/VirtualFlashControl.h"
#include "slideshow/headless/VirtualMediaPlayer.h"

#include <QImage>

#include <thread>

namespace vorlandite::slideshow {

namespace {

raster::TBitmap32 BlackSurface(int width, int height) {
    raster::TBitmap32 surface = raster::TBitmap32::Create(width, height).value();
    surface.Clear(0xFF000000u);
    return surface;
}

}  // namespace

HeadlessSurface::HeadlessSurface(int width, int height)
    : width_(width), height_(height), picture_(BlackSurface(width, height)), presenter_(BlackSurface(width, height)) {}

void HeadlessSurface::ShowFrameNow(const raster::TBitmap32& frame) {
    presenter_.CopyNow(frame, raster::Intersect(frame.BoundsRect(), presenter_.Canvas().BoundsRect()));
}

void HeadlessSurface::PaintOnScreen(const raster::Rect& area, raster::TColor32 colour) {
    presenter_.Canvas().FillRect(area, colour);
}

void HeadlessSurface::DrawOnScreen(const raster::TBitmap32& picture, const raster::Rect& destination) {
    picture.DrawTo(presenter_.Canvas(), destination);
}

void HeadlessSurface::Repaint(const raster::Rect& changed) {
    const raster::Rect area = raster::Intersect(changed, picture_.BoundsRect());
    if (!area.IsEmpty())
        raster::CopyRect(presenter_.Canvas(), picture_, area);
}

// The main monitor, and the window that closes when the show is over.
class HeadlessShow::Display final : public IShowDisplay {
public:
    Display(int width, int height, HeadlessSurface* second) : main_(width, height), second_(second) {}
    int Width() const override { return main_.Width(); }
    int Height() const override { return main_.Height(); }
    raster::TBitmap32& PictureBitmap() override { return main_.PictureBitmap(); }
    transitions::ITransitionPresenter& Presenter() override { return main_.Presenter(); }
    void ShowFrameNow(const raster::TBitmap32& frame) override { main_.ShowFrameNow(frame); }
    void Repaint(const raster::Rect& changed) override { main_.Repaint(changed); }
    IShowSurface* SecondMonitor() override { return second_; }
    void RequestClose() override {
        if (onClose)
            onClose();
    }
    void PlaceVideoPanel(const raster::Rect& rect) override { panel_ = rect; }
    // The panel is drawn over the screen, not into the picture bitmap, so hiding it repaints
    // what lies under it.
    void ShowVideoPanel(bool visible) override {
        panelVisible_ = visible;
        if (visible)
            PaintPanel();
        else if (const raster::Rect area = raster::Intersect(panel_, main_.Screen().BoundsRect()); !area.IsEmpty())
            main_.Repaint(area);
    }
    audio::VideoFrameConsumer* VideoPanel() override { return &panelContent_; }

    const raster::TBitmap32& Screen() const { return main_.Screen(); }
    HeadlessSurface& Main() { return main_; }
    std::function<void()> onClose;

private:
    // What the video player shows on the panel: one frame, scaled to the whole panel.
    class PanelContent final : public audio::VideoFrameConsumer {
    public:
        explicit PanelContent(Display& display) : display_(display) {}
        void PresentVideoFrame(const QImage& frame, const QRect&) override {
            frame_ = raster::TBitmap32();
            const QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
            auto made = raster::TBitmap32::Create(rgb.width(), rgb.height());
            if (made) {
                frame_ = std::move(made).value();
                for (int y = 0; y < rgb.height(); ++y) {
                    const auto* row = reinterpret_cast<const raster::TColor32*>(rgb.constScanLine(y));
                    auto line = frame_.Scanline(y);
                    for (int x = 0; x < rgb.width(); ++x)
                        line[std::size_t(x)] = row[x] | 0xFF000000u;
                }
                frame_.SetStretchFilter(raster::StretchFilter::Linear);
            }
            if (display_.panelVisible_)
                display_.PaintPanel();
        }
        void ClearVideoFrame() override {
            frame_ = raster::TBitmap32();
            if (display_.panelVisible_)
                display_.PaintPanel();
        }
        const raster::TBitmap32& Frame() const { return frame_; }

    private:
        Display& display_;
        raster::TBitmap32 frame_;
    };

    // The frame scaled into the panel, black where there is none.
    void PaintPanel() {
        const raster::Rect area = raster::Intersect(panel_, main_.Screen().BoundsRect());
        if (area.IsEmpty())
            return;
        if (panelContent_.Frame().Empty())
            main_.PaintOnScreen(area, 0xFF000000u);
        else
            main_.DrawOnScreen(panelContent_.Frame(), panel_);
    }

    HeadlessSurface main_;
    HeadlessSurface* second_;
    raster::Rect panel_{};
    bool panelVisible_ = false;
    PanelContent panelContent_{*this};
};

// One generator for the show's own thread and one for the transition worker (any other
// thread), so that a run does not depend on how the two threads interleave their draws.
class HeadlessShow::SplitRandom final : public IRandomSource {
public:
    explicit SplitRandom(uint32_t seed) : show_(seed), worker_(seed ^ 0x9E3779B9u), showThread_(std::this_thread::get_id()) {}
    int Random(int n) override { return Source().Random(n); }
    void Randomize() override {}  // the seed alone decides the show

private:
    IRandomSource& Source() {
        return std::this_thread::get_id() == showThread_ ? static_cast<IRandomSource&>(show_) : worker_;
    }
    SeededRandom show_;
    SeededRandom worker_;
    std::thread::id showThread_;
};

// Completions reach the show's thread through the task queue; before one runs, the show's time
// moves on by the ticks the worker napped through.
class HeadlessShow::ClockSyncedOwner final : public IOwnerThread {
public:
    ClockSyncedOwner(HeadlessShow& show) : show_(show) {}
    void Post(std::function<void()> task) override {
        show_.queue_.Post([this, task = std::move(task)] {
            const int64_t now = show_.ticks_.TickMs();
            const int64_t elapsed = now - show_.ticksCounted_;
            show_.ticksCounted_ = now;
            if (elapsed > 0)
                show_.clock_.AdvanceBy(elapsed);
            task();
        });
    }

private:
    HeadlessShow& show_;
};

// Stamps the controller's events with the show's time and numbers the items shown. The call
// that only puts the desktop on screen is not an item shown.
class HeadlessShow::EventSink final : public IShowEventSink {
public:
    EventSink(HeadlessShow& show, EventHandler handler) : show_(show), handler_(std::move(handler)) {}

    void ItemShown(const ItemShownEvent& event) override {
        if (event.mode == ShowMode::Desktop)
            return;
        HeadlessEvent e = Stamped(HeadlessEvent::Type::Item);
        e.item = event;
        e.sequence = ++sequence_;
        lastItem_ = event;
        Emit(e);
    }
    void TransitionEnded(int) override {
        HeadlessEvent e = Stamped(HeadlessEvent::Type::TransitionEnd);
        e.item = lastItem_;
        e.sequence = sequence_;
        Emit(e);
    }
    void GifFrame(int index, int frameIndex, const raster::Rect&) override {
        HeadlessEvent e = Stamped(HeadlessEvent::Type::GifFrame);
        e.item = lastItem_;
        e.item.index = index;
        e.sequence = sequence_;
        e.frame = frameIndex;
        Emit(e);
    }
    void VideoEnded(int index) override {
        HeadlessEvent e = Stamped(HeadlessEvent::Type::VideoEnd);
        e.item = lastItem_;
        e.item.index = index;
        e.sequence = sequence_;
        Emit(e);
    }
    void FlashEnded() {
        HeadlessEvent e = Stamped(HeadlessEvent::Type::FlashEnd);
        e.item = lastItem_;
        e.sequence = sequence_;
        Emit(e);
    }
    void MelodyStarted(int index) {
        HeadlessEvent e = Stamped(HeadlessEvent::Type::Melody);
        e.melody = index;
        e.sequence = sequence_;
        Emit(e);
    }
    void Ended() override { Emit(Stamped(HeadlessEvent::Type::End)); }

private:
    HeadlessEvent Stamped(HeadlessEvent::Type type) const {
        HeadlessEvent e;
        e.type = type;
        e.timeMs = show_.NowMs();
        return e;
    }
    void Emit(const HeadlessEvent& e) {
        if (handler_)
            handler_(e);
    }

    HeadlessShow& show_;
    EventHandler handler_;
    int sequence_ = -1;
    ItemShownEvent lastItem_{};
};

HeadlessShow::HeadlessShow(ShowContent content, const HeadlessShowOptions& options, EventHandler onEvent)
    : random_(std::make_unique<SplitRandom>(options.seed)), owner_(std::make_unique<ClockSyncedOwner>(*this)) {
    if (options.monitors >= 2)
        second_ = std::make_unique<HeadlessSurface>(options.width, options.height);
    display_ = std::make_unique<Display>(options.width, options.height, second_.get());
    // No screen to grab: the desktop is the caller's picture, or black.
    desktop_ = std::make_unique<raster::SnapshotDesktop>(
        options.desktop ? *options.desktop : BlackSurface(options.width, options.height), options.width, options.height);
    engine_ = std::make_unique<transitions::TransitionEngine>(ticks_, *random_, *owner_);
    sink_ = std::make_unique<EventSink>(*this, std::move(onEvent));
    ShowEnvironment env{*display_, slideTimer_, gifTimer_, *engine_, *random_};
    env.events = sink_.get();
    env.desktop = desktop_.get();
    if (options.media) {
        const auto post = [this](std::function<void()> task) { queue_.Post(std::move(task)); };
        melodyPlayer_ = std::make_unique<VirtualMediaPlayer>(clock_, post);
        enterSoundPlayer_ = std::make_unique<VirtualMediaPlayer>(clock_, post);
        videoPlayer_ = std::make_unique<VirtualMediaPlayer>(clock_, post);
        videoPlayer_->SetFollowFrames(options.followVideoFrames);
        if (options.OnSound) {
            const auto listen = [this, onSound = options.OnSound](HeadlessSound::Source source) {
                return [this, onSound, source](bool sounding, const std::string& file, int64_t offsetMs, int volume) {
                    onSound(HeadlessSound{source, clock_.NowMs(), sounding, sounding ? file : std::string(), offsetMs,
                                           volume});
                };
            };
            melodyPlayer_->SetSoundListener(listen(HeadlessSound::Source::Melody));
            enterSoundPlayer_->SetSoundListener(listen(HeadlessSound::Source::EnterSound));
        }
        const payload::Payload& payload = content.payload;
        audio::MelodySources music{payload.header,        payload.melodies,          content.screensaverPath,
                                   content.tempFolder,    options.useCustomPlaylist, options.customPlaylist};
        melody_ = std::make_unique<audio::MelodyPlayback>(std::move(music), *random_, *melodyPlayer_);
        melody_->SetStartedListener([this](int index, const std::string&) { sink_->MelodyStarted(index); });
        audio::EnterSoundSources sounds{payload.header, payload.sounds, content.screensaverPath, content.tempFolder};
        enterSound_ = std::make_unique<audio::EnterSound>(std::move(sounds), *enterSoundPlayer_);
        env.melody = melody_.get();
        env.enterSound = enterSound_.get();
        env.videoPlayer = videoPlayer_.get();
    }
    if (options.flash) {
        flash_ = std::make_unique<VirtualFlashFactory>(clock_, [this] { sink_->FlashEnded(); });
        env.flash = flash_.get();
        env.flashTimer = &flashTimer_;
    }
    if (options.OnTransitionFrame)
        WatchTransitionFrames(options.OnTransitionFrame);
    controller_ = std::make_unique<SlideshowController>(env, std::move(content));
    display_->onClose = [this] { controller_->FormClose(); };
}

HeadlessShow::~HeadlessShow() {
    // The controller goes first: a completion still queued must find nothing to call.
    controller_.reset();
    enterSound_.reset();
    melody_.reset();
}

Status HeadlessShow::Start() {
    Status started = controller_->Start();
    DrainTransitions();
    return started;
}

void HeadlessShow::DrainTransitions() {
    // The completions run here, one by one; each may start nothing new (the slide timer starts
    // the next transition), so this ends.
    transitions::RunUntilIdle(*engine_, queue_);
    queue_.RunPending();
}

void HeadlessShow::WatchTransitionFrames(
    std::function<void(int64_t fromMs, int64_t toMs, const raster::TBitmap32& screen)> onFrame) {
    transitions::RecordingPresenter& presenter = display_->Main().Recording();
    // The presenter cuts a frame when the next one starts (or the effect ends), so the span of
    // a frame runs from its own start to the tick of that cut. The closing full copy of a
    // transition is cut only at the next transition's first frame: no frame is open then, and
    // it is left out (it is the screen the show already had).
    presenter.SetFrameStartHook([this](int) { frameStartTick_ = ticks_.TickMs(); });
    presenter.SetFrameSink([this, onFrame = std::move(onFrame)](int, const raster::TBitmap32& canvas) {
        if (frameStartTick_ < 0)
            return;
        // The show's clock and the counted ticks hold still until the completion runs.
        const int64_t from = clock_.NowMs() + (frameStartTick_ - ticksCounted_);
        const int64_t to = clock_.NowMs() + (ticks_.TickMs() - ticksCounted_);
        frameStartTick_ = -1;
        if (to > from)
            onFrame(from, to, canvas);
    });
}

void HeadlessShow::RunUntil(int64_t timeMs) {
    while (!controller_->Closed()) {
        const auto due = clock_.NextDueMs();
        if (!due || *due > timeMs)
            break;
        clock_.RunNext();
        DrainTransitions();
    }
    if (clock_.NowMs() < timeMs)
        clock_.AdvanceTo(timeMs);
    if (videoPlayer_ && !controller_->Closed())
        videoPlayer_->PresentFrameNow();
}

void HeadlessShow::Finish() {
    DrainTransitions();
    controller_->FinishScreenSaver(true);
    DrainTransitions();
}

const raster::TBitmap32& HeadlessShow::Screen(int monitor) const {
    return monitor == 1 && second_ ? second_->Screen() : display_->Screen();
}

} // namespace vorlandite::slideshow

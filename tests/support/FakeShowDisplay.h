#pragma once
// The show's window in memory, for the tests of the show's controller: the transitions draw into
// a recording presenter, and what the show asks of the window (a frame at once, repaints, the
// display panel, closing) is kept for the test to look at, and written in order to a log when
// the test gives one.

#include "slideshow/controller/ShowDisplay.h"
#include "transitions/RecordingPresenter.h"

#include <QImage>
#include <QRect>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vorlandite::testing {

using DisplayLog = std::vector<std::string>;

// One monitor's picture control. The presenter's canvas is the screen: a frame shown at once
// lands there, and a repaint puts the picture bitmap there (the only way a GIF frame reaches a
// screen).
template <class Surface>
class FakeSurfaceOf : public Surface {
public:
    FakeSurfaceOf(int width, int height, DisplayLog* log)
        : presenter(Black(width, height)), width_(width), height_(height), log_(log) {}

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    raster::TBitmap32& PictureBitmap() override { return picture; }
    transitions::ITransitionPresenter& Presenter() override { return presenter; }
    void ShowFrameNow(const raster::TBitmap32& frame) override {
        presenter.Canvas() = frame;
        Log("frame");
    }
    void Repaint(const raster::Rect&) override {
        ++repaints;
        presenter.Canvas() = picture;
    }

    raster::TBitmap32 picture;
    transitions::RecordingPresenter presenter;
    int repaints = 0;

protected:
    void Log(std::string entry) {
        if (log_)
            log_->push_back(std::move(entry));
    }

private:
    static raster::TBitmap32 Black(int width, int height) {
        raster::TBitmap32 black = raster::TBitmap32::Create(width, height).value();
        black.Clear(0xFF000000u);
        return black;
    }

    int width_;
    int height_;
    DisplayLog* log_;
};

// A second monitor's picture control.
class FakeShowSurface final : public FakeSurfaceOf<slideshow::IShowSurface> {
public:
    FakeShowSurface(int width, int height, DisplayLog* log = nullptr) : FakeSurfaceOf(width, height, log) {}
};

// Where the video player draws: the frames and clears are counted, not kept.
struct FakeVideoPanel final : audio::VideoFrameConsumer {
    void PresentVideoFrame(const QImage&, const QRect&) override { ++frames; }
    void ClearVideoFrame() override { ++clears; }
    int frames = 0;
    int clears = 0;
};

// The main window: its monitor's picture control, the display panel and the close request.
class FakeShowDisplay final : public FakeSurfaceOf<slideshow::IShowDisplay> {
public:
    FakeShowDisplay(int width, int height, DisplayLog* log = nullptr) : FakeSurfaceOf(width, height, log) {}

    void RequestClose() override {
        ++closeRequests;
        if (onClose)
            onClose();
    }
    slideshow::IShowSurface* SecondMonitor() override { return second; }
    void PlaceVideoPanel(const raster::Rect& rect) override {
        panel = rect;
        Log("place panel");
    }
    void ShowVideoPanel(bool visible) override {
        panelVisible = visible;
        Log(visible ? "show panel" : "hide panel");
    }
    audio::VideoFrameConsumer* VideoPanel() override { return &videoPanel; }

    // What the window does when asked to close; the tests run the controller's FormClose, as the
    // real window's close event does.
    std::function<void()> onClose;
    int closeRequests = 0;
    slideshow::IShowSurface* second = nullptr;  // null: one monitor
    raster::Rect panel{};
    bool panelVisible = false;
    FakeVideoPanel videoPanel;
};

} // namespace vorlandite::testing

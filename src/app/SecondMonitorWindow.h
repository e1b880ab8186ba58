#pragma once
// The plain borderless window on the second monitor of a multi-monitor show: its own picture
// bitmap and its own screen presenter, so the controller can bring items in on it as on the main
// window. It never takes the focus (that would deactivate the show window, which is exit input)
// and never keeps the application alive on its own.

#include "slideshow/controller/ShowDisplay.h"
#include "transitions/ScreenPresenter.h"

#include <QWidget>

#include <memory>

namespace vorlandite::app {

class SecondMonitorWindow final : public QWidget, public slideshow::IShowSurface {
public:
    // geometry: the monitor's, in desktop coordinates.
    SecondMonitorWindow(const QRect& geometry, bool bypassWindowManager);
    ~SecondMonitorWindow() override;

    int Width() const override { return screen_.Width(); }
    int Height() const override { return screen_.Height(); }
    raster::TBitmap32& PictureBitmap() override { return picture_; }
    transitions::ITransitionPresenter& Presenter() override { return *presenter_; }
    void ShowFrameNow(const raster::TBitmap32& frame) override;
    void Repaint(const raster::Rect& changed) override;

    const raster::TBitmap32& Screen() const { return screen_; }
    // A show that asks for a password refuses close requests from outside (the window manager's).
    void RefuseOutsideClose(bool refuse) { refuseOutsideClose_ = refuse; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    raster::TBitmap32 screen_;   // what the window shows; transitions draw here
    raster::TBitmap32 picture_;  // the current frame, complete
    std::unique_ptr<transitions::ScreenPresenter> presenter_;
    bool refuseOutsideClose_ = false;
};

} // namespace vorlandite::app

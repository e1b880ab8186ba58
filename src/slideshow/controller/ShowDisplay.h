#pragma once
// What the slideshow controller needs of the world around it, as small interfaces: the window it
// shows on, the password check of the screensaver host and a listener for what happens on
// screen. The main window implements them for the real show; the headless recorder and the
// tests implement them in memory.

#include "audio/VideoFrameConsumer.h"
#include "raster/Geometry.h"
#include "raster/TBitmap32.h"
#include "slideshow/FrameComposer.h"
#include "transitions/TransitionPresenter.h"

#include <string>

namespace vorlandite::slideshow {

// One monitor's picture control: the surface the controller composes onto and the canvas the
// transitions draw on.
class IShowSurface {
public:
    virtual ~IShowSurface() = default;
    // The client area's size.
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // The picture control's own bitmap: it receives each new frame before the transition draws
    // it (so that a later repaint shows the new picture), and the GIF frames go there.
    virtual raster::TBitmap32& PictureBitmap() = 0;
    // The on-screen canvas transitions draw on.
    virtual transitions::ITransitionPresenter& Presenter() = 0;
    // The whole frame on screen at once, without a transition.
    virtual void ShowFrameNow(const raster::TBitmap32& frame) = 0;
    // The part of the picture bitmap that changed (a GIF frame) must be repainted.
    virtual void Repaint(const raster::Rect& changed) = 0;
};

// The main window's picture area (every frame is composed at its size), and the show's window as
// a whole.
class IShowDisplay : public IShowSurface {
public:
    // The show is over: close the main window (which then runs FormClose).
    virtual void RequestClose() = 0;
    // The second monitor's picture control while the show spans two or more monitors; null with
    // one monitor. Picture items alternate between the two, the first going to the main monitor.
    virtual IShowSurface* SecondMonitor() { return nullptr; }

    // The display panel of video items, a child of the main window over its picture. Placed
    // (in the window's coordinates; it may reach past the edges and is clipped) before it is
    // shown; it takes no input of its own, so input reaches the show. A display without a panel
    // plays videos unseen.
    virtual void PlaceVideoPanel(const raster::Rect& /*rect*/) {}
    virtual void ShowVideoPanel(bool /*visible*/) {}
    // Where the video player draws; null: nowhere.
    virtual audio::VideoFrameConsumer* VideoPanel() { return nullptr; }
};

// The screensaver host's password question; false when the user did not give the password.
class IPasswordCheck {
public:
    virtual ~IPasswordCheck() = default;
    virtual bool VerifyPassword() = 0;
};

// How an item came onto the screen.
enum class ShowMode {
    AtOnce,      // copied at once (first item, or no effect)
    Transition,  // through a transition effect
    Desktop,     // the desktop snapshot the show starts on; the item itself follows
};

struct ItemShownEvent {
    int index = -1;
    payload::ItemKind kind = payload::ItemKind::Picture;
    ShowMode mode = ShowMode::AtOnce;
    int placementMode = 0; // the size-and-position mode the item was placed by
    raster::Rect rect{};  // where the picture was placed on the frame; a video's display panel
    int effect = 0;        // the effect drawn from the effect set (0: none)
    int steps = 0;
    int monitor = 0;       // 0: the main monitor
};

// Told of what the show does, in the order it happens (the recorder writes these as events).
class IShowEventSink {
public:
    virtual ~IShowEventSink() = default;
    virtual void ItemShown(const ItemShownEvent& event) = 0;
    // A transition has ended (its completion ran); index is the item it brought in.
    virtual void TransitionEnded(int index) = 0;
    virtual void GifFrame(int index, int frameIndex, const raster::Rect& changed) = 0;
    // Video item index played to its end (a single video then starts again).
    virtual void VideoEnded(int /*index*/) {}
    // The main window closes.
    virtual void Ended() = 0;
};

} // namespace vorlandite::slideshow

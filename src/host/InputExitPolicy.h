#pragma once
// The show's exit policy: which input ends the full-screen show, according to the user's exit
// settings, and what the F1 and F2 keys do instead. Events in, decision out; the window that
// feeds it translates the toolkit's input into InputMessage and carries out the decision
// (FinishScreenSaver, cursor, wallpaper, exit link).
//
// Every message is judged on its own: the only memory is the cursor position recorded when the
// show window appeared, so an accidental nudge of the mouse or a trembling desk does not end the
// show.

#include <string>

namespace vorlandite::host {

// Virtual key codes the policy knows by number; the toolkit mapping translates its keys to these.
inline constexpr int kVirtualKeyEscape = 27;
inline constexpr int kVirtualKeyF1 = 112;
inline constexpr int kVirtualKeyF2 = 113;

// The mouse counts as moved only beyond this many pixels from where it was at the show's start,
// horizontally or vertically.
inline constexpr int kMouseMoveTolerance = 5;

enum class InputKind {
    MouseMove,
    KeyDown,
    KeyUp,
    SysKeyDown,  // key down with Alt held
    SysKeyUp,    // key up with Alt held
    Activate,    // the window is activated or deactivated
    ActivateApp, // another application's window takes (or gives back) the focus
    NcActivate,  // the window frame's active state changes
    LeftButtonDown,
    RightButtonDown,
    MiddleButtonDown,
    // Kinds that never end the show; named so that the mapping can say what it saw.
    ButtonUp,
    DoubleClick,
    Wheel,
    Other,
};

struct InputPoint {
    int x = 0;
    int y = 0;
};

struct InputMessage {
    InputKind kind = InputKind::Other;
    // Mouse moves: the pointer position the message carries, in the show window's coordinates
    // (the window covers the screen from its origin, so these are screen coordinates too).
    InputPoint position;
    // Key messages: the virtual key code.
    int virtualKey = 0;
};

// The platform's own cursor position in screen coordinates. With two monitors the show window
// does not cover every screen, so the message position alone cannot tell how far the mouse went.
class ICursorPosition {
public:
    virtual ~ICursorPosition() = default;
    virtual InputPoint CursorPos() = 0;
};

// What the main window keeps for the filter; it changes these as the show goes on.
struct InputExitState {
    bool Suspended = false;  // a password dialog is open: its keystrokes are not exit input
    InputPoint CursorAtShow; // screen coordinates, recorded when the show window appeared
    bool MultiMonitor = false;
    bool ExitMouseMove = true;
    bool ExitMouseButton = true;
    bool ExitKeyboard = true;
    bool ExitESC = true;
    std::string F1Link; // empty: F1 ends the show like any other key
};

struct ExitDecision {
    bool exit = false;       // FinishScreenSaver(true): ask for the password, then end the show
    bool showCursor = false; // the mouse moved but moving does not end the show: let it be seen
    bool setWallpaper = false;             // F2: the current picture becomes the wallpaper
    bool replaceExitLinkWithF1Link = false; // F1: open F1Link instead of ExitLink at the end
};

class InputExitPolicy {
public:
    // cursor: asked only for mouse moves while MultiMonitor is set; must outlive the policy.
    InputExitPolicy(ICursorPosition& cursor, InputExitState state = {});

    InputExitState& State() { return state_; }
    const InputExitState& State() const { return state_; }

    // The verdict for one message. A message is never consumed: it goes on to its normal
    // processing whatever the verdict.
    ExitDecision Decide(const InputMessage& message) const;

private:
    bool MouseHasMoved(InputPoint position) const;

    ICursorPosition& cursor_;
    InputExitState state_;
};

} // namespace vorlandite::host

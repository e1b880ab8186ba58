#include "host/InputExitPolicy.h"

#include <cstdint>
#include <cstdlib>
#include <utility>

namespace vorlandite::host {

InputExitPolicy::InputExitPolicy(ICursorPosition& cursor, InputExitState state)
    : cursor_(cursor), state_(std::move(state)) {}

bool InputExitPolicy::MouseHasMoved(InputPoint position) const {
    // 64-bit differences: far-apart coordinates must not overflow into "not moved".
    const int64_t dx = std::llabs(int64_t(position.x) - state_.CursorAtShow.x);
    const int64_t dy = std::llabs(int64_t(position.y) - state_.CursorAtShow.y);
    return dx > kMouseMoveTolerance || dy > kMouseMoveTolerance;
}

ExitDecision InputExitPolicy::Decide(const InputMessage& message) const {
    ExitDecision decision;
    if (state_.Suspended)
        return decision;

    switch (message.kind) {
    case InputKind::MouseMove: {
        const InputPoint position = state_.MultiMonitor ? cursor_.CursorPos() : message.position;
        if (MouseHasMoved(position)) {
            if (state_.ExitMouseMove)
                decision.exit = true;
            else
                decision.showCursor = true;
        }
        break;
    }
    case InputKind::KeyDown:
    case InputKind::KeyUp:
    case InputKind::SysKeyDown:
    case InputKind::SysKeyUp:
        decision.exit = state_.ExitKeyboard;
        break;
    case InputKind::Activate:
    case InputKind::ActivateApp:
    case InputKind::NcActivate:
    case InputKind::LeftButtonDown:
    case InputKind::RightButtonDown:
    case InputKind::MiddleButtonDown:
        decision.exit = state_.ExitMouseButton;
        break;
    case InputKind::ButtonUp:
    case InputKind::DoubleClick:
    case InputKind::Wheel:
    case InputKind::Other:
        break;
    }

    // Only a plain key down counts for Escape, F1 and F2: with Alt held they are ordinary keys.
    const bool plainKeyDown = message.kind == InputKind::KeyDown;
    if (!decision.exit && state_.ExitESC && plainKeyDown && message.virtualKey == kVirtualKeyEscape)
        decision.exit = true;

    if (decision.exit && plainKeyDown && message.virtualKey == kVirtualKeyF1 && !state_.F1Link.empty())
        decision.replaceExitLinkWithF1Link = true;

    // F2 keeps the show going; its key-up, a separate message, may still end it.
    if (decision.exit && plainKeyDown && message.virtualKey == kVirtualKeyF2) {
        decision.setWallpaper = true;
        decision.exit = false;
    }
    return decision;
}

} // namespace vorlandite::host

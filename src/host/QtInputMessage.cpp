#include "host/QtInputMessage.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

namespace vorlandite::host {

int VirtualKeyOf(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;  // Qt's codes are the upper-case ASCII codes here
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return kVirtualKeyF1 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Escape: return kVirtualKeyEscape;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Print: return 44;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Meta: return 91;
    case Qt::Key_Menu: return 93;
    case Qt::Key_NumLock: return 144;
    case Qt::Key_ScrollLock: return 145;
    default: return 0;
    }
}

// The application-wide filter also sees the browser engine's objects (the Flash player), which
// are built without type information; the sanitizer's type check cannot tell what they are.
#if defined(__GNUC__) || defined(__clang__)
__attribute__((no_sanitize("vptr")))
#endif
std::optional<InputMessage> MapQtEvent(const QObject* receiver, const QEvent* event, const QObject* showWindow) {
    if (!receiver || !event)
        return std::nullopt;
    const bool toPlatformWindow = receiver->isWindowType();
    InputMessage message;
    switch (event->type()) {
    case QEvent::MouseMove: {
        if (!toPlatformWindow)
            return std::nullopt;
        const QPoint global = static_cast<const QMouseEvent*>(event)->globalPosition().toPoint();
        message.kind = InputKind::MouseMove;
        message.position = {global.x(), global.y()};
        return message;
    }
    case QEvent::MouseButtonPress: {
        if (!toPlatformWindow)
            return std::nullopt;
        switch (static_cast<const QMouseEvent*>(event)->button()) {
        case Qt::LeftButton: message.kind = InputKind::LeftButtonDown; break;
        case Qt::RightButton: message.kind = InputKind::RightButtonDown; break;
        case Qt::MiddleButton: message.kind = InputKind::MiddleButtonDown; break;
        default: message.kind = InputKind::Other; break;  // extra buttons: nothing on the original platform
        }
        return message;
    }
    case QEvent::MouseButtonRelease:
        if (!toPlatformWindow)
            return std::nullopt;
        message.kind = InputKind::ButtonUp;
        return message;
    case QEvent::MouseButtonDblClick:
        if (!toPlatformWindow)
            return std::nullopt;
        message.kind = InputKind::DoubleClick;
        return message;
    case QEvent::Wheel:
        if (!toPlatformWindow)
            return std::nullopt;
        message.kind = InputKind::Wheel;
        return message;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        if (!toPlatformWindow)
            return std::nullopt;
        const auto* key = static_cast<const QKeyEvent*>(event);
        const bool alt = key->modifiers().testFlag(Qt::AltModifier);
        if (event->type() == QEvent::KeyPress)
            message.kind = alt ? InputKind::SysKeyDown : InputKind::KeyDown;
        else
            message.kind = alt ? InputKind::SysKeyUp : InputKind::KeyUp;
        message.virtualKey = VirtualKeyOf(key->key());
        return message;
    }
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        if (receiver != showWindow)
            return std::nullopt;
        message.kind = InputKind::Activate;
        return message;
    case QEvent::ApplicationStateChange:
        if (receiver != QCoreApplication::instance())
            return std::nullopt;
        message.kind = InputKind::ActivateApp;
        return message;
    default:
        return std::nullopt;
    }
}

} // namespace vorlandite::host

#pragma once
// Qt's events as the input messages the exit policy judges. The show's filter sees every event
// of the application, and most of them twice (once for the platform window, once for the
// widget); only one delivery of each input becomes a message:
// - mouse, key and wheel events: the delivery to the platform window (QWindow), where the
//   position is that of the whole input, not of a child widget;
// - WindowActivate/WindowDeactivate: the delivery to `showWindow` itself;
// - ApplicationStateChange: the one delivery to the application.
// Everything else yields nothing.

#include "host/InputExitPolicy.h"

#include <Qt>

#include <optional>

class QEvent;
class QObject;

namespace vorlandite::host {

// Virtual key code of a Qt key: letters and digits their upper-case ASCII code, Escape 27,
// F1..F24 112..135, the usual editing, cursor and modifier keys their customary codes; 0 for a
// key without one (it still counts as a key for the exit rules).
int VirtualKeyOf(int qtKey);

std::optional<InputMessage> MapQtEvent(const QObject* receiver, const QEvent* event, const QObject* showWindow);

} // namespace vorlandite::host

#pragma once
// SIGTERM, SIGINT and SIGHUP as events on the UI thread. A screensaver host ends its saver with
// SIGTERM, a terminal with SIGINT or SIGHUP; each must end the program cleanly (temporary files
// removed, the X server's screensaver settings given back), which the default action, death on
// the spot, does not. The handler only writes the signal number into a pipe; a socket notifier
// reads it on the UI thread, where the program can end in order.

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace vorlandite::platform {

class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    // Catches the three signals from now on, before anything else is set up: a signal that
    // comes while the program starts waits until the object below is there to take it. Without
    // a call, the constructor catches them itself.
    static void CatchEarly();

    // `onSignal` gets each signal's number on the UI thread, also those caught early. One
    // instance at a time. Needs the application object.
    explicit TerminationSignals(std::function<void(int)> onSignal, QObject* parent = nullptr);
    // Gives the signals their default action back.
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the pipe could not be made: the signals keep their default action.
    bool Active() const { return notifier_ != nullptr; }

private:
    void ReadPending();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace vorlandite::platform

#pragma once
// While a show that asks for a password runs, it holds the screen: the keyboard and the pointer
// are grabbed for the show window (so window-manager shortcuts and typing reach nothing else),
// the grabs are renewed every 100 ms (taken again when lost, retried until they hold at the
// start, while the show already runs), and the show's windows are brought back up when
// minimised and raised again when something covers them — the password dialog, when it is up,
// stays above them. Close requests from outside are for the windows to refuse while Holding().
// A show without a password is not held: it keeps the desktop's ordinary behaviour.

#include "platform/InputGrab.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <vector>

class QTimer;

namespace vorlandite::host {

class ScreenHold final : public QObject {
public:
    static constexpr int kRenewMs = 100;

    // `grab`: null where the platform has no grabs (windows are still kept up); must outlive
    // the hold.
    ScreenHold(QWidget& show, platform::InputGrab* grab);
    ~ScreenHold() override;

    // A further window of the show (the second monitor's), kept up like the show window.
    void AddWindow(QWidget& window);
    void Start();
    // Lets the input go; the show is ending.
    void Stop();

    bool Holding() const { return holding_; }
    // The last renewal held both grabs.
    bool Grabbed() const { return grabbed_; }
    // One renewal (the timer's work), for the first one at once and for tests.
    void Renew();

private:
    QWidget& show_;
    platform::InputGrab* grab_;
    std::vector<QPointer<QWidget>> others_;
    QTimer* timer_ = nullptr;
    bool holding_ = false;
    bool grabbed_ = false;
};

} // namespace vorlandite::host

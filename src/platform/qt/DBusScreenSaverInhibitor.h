#pragma once
// Holds off the session's screensaver and power saving through the freedesktop.org interface
// that desktops offer on the session bus (org.freedesktop.ScreenSaver: Inhibit gives a cookie,
// UnInhibit with that cookie lets go). A desktop whose screensaver does not watch the X server's
// idle time (GNOME, KDE, Xfce) needs this besides the X11 suspension.
//
// No session bus, or nobody offering the service on it: silently nothing. The bus is asked on a
// thread of its own, and Suspend waits for the answer at most the timeout: connecting to a bus
// that does not answer can take the D-Bus library's own 25 s, which the show's start must not.
// An answer that comes later still counts, and one that comes after Restore is handed back at
// once. The inhibition belongs to our bus connection, kept until Restore; desktops drop it when a
// connection goes, so a show that dies does not keep the screensaver off.

#include "platform/ScreenSaverInhibitor.h"

#include <chrono>
#include <memory>
#include <string>

namespace vorlandite::platform {

class DBusScreenSaverInhibitor final : public ScreenSaverInhibitor {
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{500};

    // `application` and `reason` (UTF-8) are what the desktop may show for the inhibition.
    // `busAddress` empty: the session bus ($DBUS_SESSION_BUS_ADDRESS, or the user's
    // $XDG_RUNTIME_DIR/bus), looked up at Suspend; a bus is never started for us.
    DBusScreenSaverInhibitor(std::string application, std::string reason, std::string busAddress = {},
                             std::chrono::milliseconds timeout = kDefaultTimeout);
    ~DBusScreenSaverInhibitor() override;
    DBusScreenSaverInhibitor(const DBusScreenSaverInhibitor&) = delete;
    DBusScreenSaverInhibitor& operator=(const DBusScreenSaverInhibitor&) = delete;

    void Suspend() override;
    void Restore() override;

    // Whether the session holds the inhibition for us now (for logs and tests).
    bool Inhibiting() const;
    // False while an answer of the bus is still awaited, also one Restore no longer waits for.
    bool Settled() const;

    struct Request;

private:
    std::string application_;
    std::string reason_;
    std::string busAddress_;
    std::chrono::milliseconds timeout_;
    std::shared_ptr<Request> request_;  // while suspended
    std::shared_ptr<Request> last_;     // the latest, kept for Settled
};

} // namespace vorlandite::platform

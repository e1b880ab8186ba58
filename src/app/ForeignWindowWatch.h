#pragma once
// Watches a window this program does not own: a host's window the show draws in, or the desktop's
// preview window the preview is a child of. X11 does not tell a foreign child's toolkit when such
// a window goes away or changes size, so look now and then.

#include <QObject>
#include <QSize>
#include <QTimer>

#include <functional>
#include <optional>

namespace vorlandite::app {

class ForeignWindowWatch final : public QObject {
public:
    // The window's size now; nullopt once it no longer exists.
    using Probe = std::function<std::optional<QSize>()>;

    // Looks every periodMs: `gone` once the window has disappeared (the watch then stops),
    // `alive` with its size at every other look.
    ForeignWindowWatch(QObject* parent, Probe probe, int periodMs, std::function<void()> gone,
                       std::function<void(QSize)> alive = {});

    void Stop() { timer_.stop(); }

private:
    void Look();

    Probe probe_;
    std::function<void()> gone_;
    std::function<void(QSize)> alive_;
    QTimer timer_;
};

} // namespace vorlandite::app

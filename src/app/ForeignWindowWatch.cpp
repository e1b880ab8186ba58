#include "app/ForeignWindowWatch.h"

#include <utility>

namespace vorlandite::app {

ForeignWindowWatch::ForeignWindowWatch(QObject* parent, Probe probe, int periodMs, std::function<void()> gone,
                                       std::function<void(QSize)> alive)
    : QObject(parent), probe_(std::move(probe)), gone_(std::move(gone)), alive_(std::move(alive)) {
    connect(&timer_, &QTimer::timeout, this, [this] { Look(); });
    timer_.start(periodMs);
}

void ForeignWindowWatch::Look() {
    const std::optional<QSize> size = probe_();
    if (!size) {
        timer_.stop();
        gone_();
        return;
    }
    if (alive_)
        alive_(*size);
}

} // namespace vorlandite::app

#include "platform/qt/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace vorlandite::platform {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// Written by the handler, so plain ints the handler can read without a lock.
int gPipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int signal) {
    const int saved = errno;
    const char code = char(signal);
    // A full pipe already holds a signal waiting to be read: losing this one changes nothing.
    [[maybe_unused]] const ssize_t written = ::write(gPipe[1], &code, 1);
    errno = saved;
}

} // namespace

void TerminationSignals::CatchEarly() {
    if (gPipe[0] >= 0)
        return;
    if (::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        gPipe[0] = gPipe[1] = -1;
        return;
    }
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    CatchEarly();
    if (gPipe[0] < 0)
        return;
    notifier_ = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadPending(); });
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_)
        return;
    for (int signal : kSignals)
        std::signal(signal, SIG_DFL);
    delete notifier_;
    notifier_ = nullptr;
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
}

void TerminationSignals::ReadPending() {
    char codes[16];
    for (;;) {
        const ssize_t got = ::read(gPipe[0], codes, sizeof codes);
        if (got <= 0)
            return;
        for (ssize_t i = 0; i < got; ++i)
            if (onSignal_)
                onSignal_(int(static_cast<unsigned char>(codes[i])));
    }
}

} // namespace vorlandite::platform

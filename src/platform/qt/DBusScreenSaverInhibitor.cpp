#include "platform/qt/DBusScreenSaverInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

#include <sys/stat.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

namespace vorlandite::platform {

// One Suspend's question to the bus, shared by the asking thread and the inhibitor. Whichever of
// the two comes second (the answer, or Restore) lets go of the cookie and the connection.
struct DBusScreenSaverInhibitor::Request {
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;      // the asking thread has its answer
    bool released = false;  // Restore has come
    bool finished = false;  // the asking thread has nothing left to do
    QString connectionName;
    QString objectPath;  // where the service answered
    std::optional<uint32_t> cookie;
};

namespace {

constexpr char kService[] = "org.freedesktop.ScreenSaver";
// The object the freedesktop.org interface names first; some desktops answer only on the older
// path.
constexpr const char* kObjectPaths[] = {"/org/freedesktop/ScreenSaver", "/ScreenSaver"};

// Characters a D-Bus address value may hold as they are; all others are written %XX.
bool PlainInAddress(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '_' ||
           c == '/' || c == '.' || c == '\\' || c == '*';
}

QString UnixSocketAddress(const std::string& path) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string address = "unix:path=";
    for (unsigned char c : path) {
        if (PlainInAddress(c)) {
            address += char(c);
        } else {
            address += '%';
            address += kHex[c >> 4];
            address += kHex[c & 15];
        }
    }
    return QString::fromStdString(address);
}

// The session bus, when the session has one. Left to itself the D-Bus library would "autolaunch"
// a bus of its own under X11, which is not the session's and would outlive us.
std::optional<QString> SessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return QString::fromLocal8Bit(address);
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        const std::string path = std::string(runtime) + "/bus";
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode))
            return UnixSocketAddress(path);
    }
    return std::nullopt;
}

// The one answer that means "this service has no such object here; try the other path".
bool NoSuchObject(const QDBusMessage& reply) {
    const QString error = reply.errorName();
    return error == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
           error == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
           error == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface");
}

// Connects and asks at each known object path; the cookie and its path, or nothing.
std::optional<uint32_t> Inhibit(const QString& address, const QString& connectionName, const QString& application,
                                const QString& reason, int timeoutMs, QString& objectPath) {
    const QDBusConnection bus = QDBusConnection::connectToBus(address, connectionName);
    if (!bus.isConnected())
        return std::nullopt;
    for (const char* path : kObjectPaths) {
        QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(path),
                                                           QLatin1String(kService), QStringLiteral("Inhibit"));
        call << application << reason;
        const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage && reply.signature() == QLatin1String("u")) {
            objectPath = QLatin1String(path);
            return reply.arguments().at(0).toUInt();
        }
        // No service, a timeout or a refusal: asking elsewhere would only cost more time.
        if (!NoSuchObject(reply))
            break;
    }
    return std::nullopt;
}

// Hands the cookie back and closes the connection. Only once no QDBusConnection handle on it is
// left: the D-Bus library aborts the process when the last reference to a connection goes while
// it is still open.
void LetGo(const DBusScreenSaverInhibitor::Request& request, int timeoutMs) {
    if (request.cookie) {
        const QDBusConnection bus(request.connectionName);
        QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(kService), request.objectPath,
                                                           QLatin1String(kService), QStringLiteral("UnInhibit"));
        call << uint(*request.cookie);
        // Waited for, so that the call has left before the connection closes; the answer itself
        // changes nothing.
        (void)bus.call(call, QDBus::Block, timeoutMs);
    }
    QDBusConnection::disconnectFromBus(request.connectionName);
}

std::atomic<int> connectionCount{0};

} // namespace

DBusScreenSaverInhibitor::DBusScreenSaverInhibitor(std::string application, std::string reason, std::string busAddress,
                                                   std::chrono::milliseconds timeout)
    : application_(std::move(application)), reason_(std::move(reason)), busAddress_(std::move(busAddress)),
      timeout_(timeout) {}

DBusScreenSaverInhibitor::~DBusScreenSaverInhibitor() { Restore(); }

void DBusScreenSaverInhibitor::Suspend() {
    if (request_)
        return;
    request_ = std::make_shared<Request>();
    last_ = request_;
    const std::optional<QString> address =
        busAddress_.empty() ? SessionBusAddress() : std::optional<QString>(QString::fromStdString(busAddress_));
    if (!address) {
        request_->done = request_->finished = true;
        return;
    }
    // Qt drops a connection whose registration with the bus failed (a refusing or stalled bus)
    // without closing it, which the D-Bus library treats as a fatal error of the program and
    // aborts on. For us it is only a session without a screensaver to hold off: a warning. A
    // setting the user made is kept.
    ::setenv("DBUS_FATAL_WARNINGS", "0", 0);
    // A connection of our own: the inhibition lives exactly as long as it does.
    request_->connectionName = QStringLiteral("vorlandite-screensaver-inhibitor-%1").arg(++connectionCount);
    const int timeoutMs = int(timeout_.count());
    std::thread([request = request_, address = *address, application = QString::fromStdString(application_),
                 reason = QString::fromStdString(reason_), timeoutMs] {
        QString path;
        const std::optional<uint32_t> cookie =
            Inhibit(address, request->connectionName, application, reason, timeoutMs, path);
        bool restored = false;
        {
            std::lock_guard lock(request->mutex);
            request->cookie = cookie;
            request->objectPath = path;
            request->done = true;
            restored = request->released;
        }
        request->answered.notify_all();
        if (restored)
            LetGo(*request, timeoutMs);  // Restore did not wait for us: nobody else will
        std::lock_guard lock(request->mutex);
        request->finished = true;
    }).detach();
    std::unique_lock lock(request_->mutex);
    request_->answered.wait_for(lock, timeout_, [this] { return request_->done; });
}

void DBusScreenSaverInhibitor::Restore() {
    if (!request_)
        return;
    const std::shared_ptr<Request> request = std::move(request_);
    bool answered = false;
    {
        std::lock_guard lock(request->mutex);
        request->released = true;
        answered = request->done;
    }
    if (answered && !request->connectionName.isEmpty())
        LetGo(*request, int(timeout_.count()));
}

bool DBusScreenSaverInhibitor::Inhibiting() const {
    if (!request_)
        return false;
    std::lock_guard lock(request_->mutex);
    return request_->cookie.has_value();
}

bool DBusScreenSaverInhibitor::Settled() const {
    if (!last_)
        return true;
    std::lock_guard lock(last_->mutex);
    return last_->finished;
}

} // namespace vorlandite::platform

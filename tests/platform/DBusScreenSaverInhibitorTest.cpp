// Holding off the session's screensaver over D-Bus, against a private bus started here and a
// stand-in for the desktop's org.freedesktop.ScreenSaver service that notes every call; and the
// combined inhibitor that hands one call to several.

#include "platform/CombinedScreenSaverInhibitor.h"
#include "platform/qt/DBusScreenSaverInhibitor.h"
#include "support/QtApplication.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QThread>

#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <mutex>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vorlandite::platform {
namespace {

using namespace std::chrono_literals;
using testing::ScopedEnv;

// A message bus of our own, with no services to activate: nothing of the machine's session can
// answer in place of the stand-in. A hostile one lets nothing reach its clients, not even the
// answer to their registration.
class PrivateBus {
public:
    explicit PrivateBus(bool hostile = false) {
        std::ofstream(folder_.File("bus.conf"))
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>\n"
               "<policy context=\"default\"><allow send_destination=\"*\"/><allow own=\"*\"/>"
            << (hostile ? "" : "<allow receive_sender=\"*\"/>")
            << "</policy></busconfig>\n";
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        const std::string config = "--config-file=" + folder_.File("bus.conf");
        const std::string print = "--print-address=" + std::to_string(fds[1]);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // a test that dies takes its bus along
            ::close(fds[0]);
            const int devnull = ::open("/dev/null", O_RDWR);
            ::dup2(devnull, 0);
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
            ::execlp("dbus-daemon", "dbus-daemon", config.c_str(), "--nofork", "--nopidfile", print.c_str(),
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        // The address comes as one line once the bus listens; end of file means it never will.
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n')
            address_ += c;
        ::close(fds[0]);
    }
    ~PrivateBus() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const std::string& Address() const { return address_; }

private:
    testing::TempDir folder_;
    pid_t pid_ = -1;
    std::string address_;
};

struct Call {
    std::string method;
    std::string application;
    std::string reason;
    uint32_t cookie = 0;
    bool operator==(const Call&) const = default;
};

void PrintTo(const Call& call, std::ostream* out) {
    *out << call.method << "(" << call.application << ", " << call.reason << ", " << call.cookie << ")";
}

// The desktop's side. It answers on a thread of its own, as another process would: the
// inhibitor waits for the answer on the test's thread.
class FakeScreenSaver : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    // Stall: answers only once released, which the test does after the inhibitor has given up.
    enum class Behaviour { Answer, Refuse, Stall };
    explicit FakeScreenSaver(Behaviour behaviour) : behaviour_(behaviour) {}

    std::vector<Call> Calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        wake_.notify_all();
    }

public slots:
    uint Inhibit(const QString& application, const QString& reason) {
        const uint32_t cookie = nextCookie_++;
        {
            std::lock_guard lock(mutex_);
            calls_.push_back({"Inhibit", application.toStdString(), reason.toStdString(), cookie});
        }
        if (behaviour_ == Behaviour::Refuse)
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("not now"));
        if (behaviour_ == Behaviour::Stall) {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return released_; });
        }
        return cookie;
    }
    void UnInhibit(uint cookie) {
        std::lock_guard lock(mutex_);
        calls_.push_back({"UnInhibit", "", "", cookie});
    }

private:
    Behaviour behaviour_;
    uint32_t nextCookie_ = 41;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool released_ = false;
    std::vector<Call> calls_;
};

// The stand-in on the bus under the service's name, at one object path.
class FakeService {
public:
    FakeService(const std::string& address, const char* path, FakeScreenSaver::Behaviour behaviour)
        : path_(QLatin1String(path)), object_(behaviour), name_(Name()) {
        thread_.start();
        object_.moveToThread(&thread_);
        QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(address), name_);
        registered_ = connection.registerObject(path_, &object_, QDBusConnection::ExportAllSlots) &&
                      connection.registerService(QStringLiteral("org.freedesktop.ScreenSaver"));
    }
    ~FakeService() {
        object_.Release();
        QDBusConnection(name_).unregisterObject(path_);
        QDBusConnection::disconnectFromBus(name_);
        thread_.quit();
        thread_.wait();
    }
    bool Registered() const { return registered_; }
    std::vector<Call> Calls() const { return object_.Calls(); }
    void Release() { object_.Release(); }

private:
    static QString Name() {
        static int count = 0;
        return QStringLiteral("fake-screensaver-%1").arg(++count);
    }
    QString path_;
    QThread thread_;
    FakeScreenSaver object_;
    QString name_;  // of the connection; no handle is kept, so that it can be closed
    bool registered_ = false;
};

constexpr char kApplication[] = "Café Slides";
constexpr char kReason[] = "A slideshow is running";
// Suspend returns as soon as the answer is in; a busy machine may take its time to give it.
constexpr auto kPatience = 10s;
// For the cases where the answer must not be waited for.
constexpr auto kShortPatience = 300ms;

// Whether the inhibitor's asking thread ends within a generous bound.
bool Settles(const DBusScreenSaverInhibitor& inhibitor) {
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!inhibitor.Settled()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

class DBusInhibitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::EnsureQtApplication<QCoreApplication>();
        if (bus_.Address().empty())
            GTEST_SKIP() << "no dbus-daemon to start a private bus";
    }
    PrivateBus bus_;
};

Call InhibitCall(uint32_t cookie) { return {"Inhibit", kApplication, kReason, cookie}; }
Call UnInhibitCall(uint32_t cookie) { return {"UnInhibit", "", "", cookie}; }

TEST_F(DBusInhibitorTest, InhibitsOnceAndHandsTheCookieBackOnce) {
    for (const char* path : {"/org/freedesktop/ScreenSaver", "/ScreenSaver"}) {
        SCOPED_TRACE(path);
        FakeService service(bus_.Address(), path, FakeScreenSaver::Behaviour::Answer);
        ASSERT_TRUE(service.Registered());
        {
            DBusScreenSaverInhibitor inhibitor(kApplication, kReason, bus_.Address(), kPatience);
            inhibitor.Restore();  // nothing suspended yet
            inhibitor.Suspend();
            inhibitor.Suspend();
            EXPECT_TRUE(inhibitor.Inhibiting());
            EXPECT_EQ(service.Calls(), std::vector<Call>{InhibitCall(41)});
            inhibitor.Restore();
            inhibitor.Restore();
            EXPECT_FALSE(inhibitor.Inhibiting());
            // A second show in the same run inhibits anew.
            inhibitor.Suspend();
        }  // and the object going lets go
        EXPECT_EQ(service.Calls(),
                  (std::vector<Call>{InhibitCall(41), UnInhibitCall(41), InhibitCall(42), UnInhibitCall(42)}));
    }
}

TEST_F(DBusInhibitorTest, NoServiceOrARefusalLeaveNothingToUndo) {
    {
        DBusScreenSaverInhibitor inhibitor(kApplication, kReason, bus_.Address(), kPatience);
        inhibitor.Suspend();
        EXPECT_FALSE(inhibitor.Inhibiting());
        inhibitor.Restore();
    }
    FakeService service(bus_.Address(), "/org/freedesktop/ScreenSaver", FakeScreenSaver::Behaviour::Refuse);
    ASSERT_TRUE(service.Registered());
    DBusScreenSaverInhibitor inhibitor(kApplication, kReason, bus_.Address(), kPatience);
    inhibitor.Suspend();
    EXPECT_FALSE(inhibitor.Inhibiting());
    inhibitor.Restore();
    // Asked once (a refusal is not asked again at the other path), never undone.
    EXPECT_EQ(service.Calls(), std::vector<Call>{InhibitCall(41)});
}

TEST_F(DBusInhibitorTest, ShowStartsWithoutTheAnswerOfASlowServiceAndItsLateCookieGoesBack) {
    FakeService service(bus_.Address(), "/org/freedesktop/ScreenSaver", FakeScreenSaver::Behaviour::Stall);
    ASSERT_TRUE(service.Registered());
    DBusScreenSaverInhibitor inhibitor(kApplication, kReason, bus_.Address(), kShortPatience);
    inhibitor.Suspend();  // returns with no answer: the service holds on to the call
    EXPECT_FALSE(inhibitor.Inhibiting());
    inhibitor.Restore();
    service.Release();
    ASSERT_TRUE(Settles(inhibitor));
    // Whether the answer still came in time for the asking thread or not, nothing stays held.
    const auto calls = service.Calls();
    if (calls.size() == 1)
        EXPECT_EQ(calls[0], InhibitCall(41));
    else
        EXPECT_EQ(calls, (std::vector<Call>{InhibitCall(41), UnInhibitCall(41)}));
}

TEST_F(DBusInhibitorTest, TheSessionBusComesFromTheEnvironmentAndIsNeverStartedForUs) {
    FakeService service(bus_.Address(), "/org/freedesktop/ScreenSaver", FakeScreenSaver::Behaviour::Answer);
    ASSERT_TRUE(service.Registered());
    testing::TempDir runtime;  // no "bus" socket in it
    ScopedEnv runtimeDir("XDG_RUNTIME_DIR", runtime.Path().c_str());
    {
        ScopedEnv session("DBUS_SESSION_BUS_ADDRESS", bus_.Address().c_str());
        DBusScreenSaverInhibitor inhibitor(kApplication, kReason, {}, kPatience);
        inhibitor.Suspend();
        EXPECT_TRUE(inhibitor.Inhibiting());
    }
    for (const char* address : {"", "unix:path=/nonexistent/bus", "not an address"}) {
        ScopedEnv session("DBUS_SESSION_BUS_ADDRESS", address);
        DBusScreenSaverInhibitor inhibitor(kApplication, kReason, {}, kShortPatience);
        inhibitor.Suspend();
        EXPECT_FALSE(inhibitor.Inhibiting()) << address;
        inhibitor.Restore();
        EXPECT_TRUE(Settles(inhibitor)) << address;
    }
    EXPECT_EQ(service.Calls(), (std::vector<Call>{InhibitCall(41), UnInhibitCall(41)}));
}

// A bus that never lets the answer to our registration through: the D-Bus library waits 25 s
// for it; the show does not, and the failed connection costs no crash when it finally ends.
TEST_F(DBusInhibitorTest, BusThatNeverAnswersNeitherHoldsUpTheShowNorEndsTheProgram) {
    auto hostile = std::make_unique<PrivateBus>(true);
    ASSERT_FALSE(hostile->Address().empty());
    DBusScreenSaverInhibitor inhibitor(kApplication, kReason, hostile->Address(), kShortPatience);
    inhibitor.Suspend();
    EXPECT_FALSE(inhibitor.Inhibiting());
    EXPECT_FALSE(inhibitor.Settled());
    inhibitor.Restore();
    hostile.reset();  // the bus goes away: the registration fails now
    EXPECT_TRUE(Settles(inhibitor));
}

// Notes its calls in a shared log.
class LoggingInhibitor final : public ScreenSaverInhibitor {
public:
    LoggingInhibitor(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
    void Suspend() override { log_.push_back("suspend " + name_); }
    void Restore() override { log_.push_back("restore " + name_); }

private:
    std::string name_;
    std::vector<std::string>& log_;
};

TEST(CombinedInhibitorTest, SuspendsInOrderRestoresInReverseAndSkipsNulls) {
    std::vector<std::string> log;
    LoggingInhibitor x11("x11", log), session("session", log);
    CombinedScreenSaverInhibitor both({&x11, nullptr, &session});
    both.Suspend();
    both.Restore();
    EXPECT_EQ(log, (std::vector<std::string>{"suspend x11", "suspend session", "restore session", "restore x11"}));
    CombinedScreenSaverInhibitor none({nullptr});
    none.Suspend();
    none.Restore();
}

} // namespace
} // namespace vorlandite::platform

#include "DBusScreenSaverInhibitorTest.moc"

// The Flash player kept inside its own scheme: which URLs its pages may request, and a page in a
// real browser profile that tries to reach a server this test runs.

#include "platform/flash/RufflePlayerScheme.h"
#include "platform/flash/RuffleRequestInterceptor.h"
#include "support/QtApplication.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <filesystem>
#include <fstream>
#include <memory>

#include <unistd.h>

namespace vorlandite::platform {
namespace {

struct RequestCase {
    const char* url;
    bool allowed;
};

class PlayerRequestPolicyTest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(PlayerRequestPolicyTest, OnlyThePlayersOwnSchemeAndHostPass) {
    EXPECT_EQ(IsPlayerRequestAllowed(QUrl(QString::fromUtf8(GetParam().url))), GetParam().allowed) << GetParam().url;
}

INSTANTIATE_TEST_SUITE_P(
    Urls, PlayerRequestPolicyTest,
    ::testing::Values(
        // The player's page, its files and a movie.
        RequestCase{"vorlandite-flash://player/player.html?movie=00ff", true},
        RequestCase{"vorlandite-flash://player/ruffle/ruffle.js", true},
        RequestCase{"vorlandite-flash://player/movie/0123456789abcdef0123456789abcdef", true},
        RequestCase{"VORLANDITE-FLASH://PLAYER/ruffle/core.wasm", true},  // QUrl lowers both
        // The network, in every form a page can name it.
        RequestCase{"http://127.0.0.1:8080/", false}, RequestCase{"https://example.com/movie.swf", false},
        RequestCase{"ws://127.0.0.1/socket", false}, RequestCase{"wss://example.com/", false},
        RequestCase{"ftp://example.com/", false}, RequestCase{"//example.com/relative", false},
        // The disk and the browser's own pages.
        RequestCase{"file:///etc/passwd", false}, RequestCase{"file:///tmp/movie.swf", false},
        RequestCase{"qrc:/vorlandite-flash/player.html", false}, RequestCase{"chrome://settings", false},
        RequestCase{"data:text/html,<b>x</b>", false}, RequestCase{"javascript:alert(1)", false},
        // Look-alikes of the player's address.
        RequestCase{"vorlandite-flash://other/player.html", false},
        RequestCase{"vorlandite-flash://player.evil/player.html", false},
        RequestCase{"vorlandite-flash://user@player/player.html", false},
        RequestCase{"vorlandite-flash://player:81/player.html", false},
        RequestCase{"vorlandite-flash-x://player/player.html", false},
        RequestCase{"http://player/player.html", false},
        // Nothing at all.
        RequestCase{"", false}, RequestCase{"not a url at all", false}));

TEST(PlayerMovieTokens, AreLongRandomHexAndNeverRepeat) {
    RegisterRuffleScheme();  // before the first browser class, whichever test comes first
    RufflePlayerScheme scheme(QString(), nullptr);
    QSet<QString> seen;
    for (int i = 0; i < 200; ++i) {
        const QString token = scheme.AddMovie(QStringLiteral("/tmp/movie.swf"));
        ASSERT_EQ(token.size(), 32) << qPrintable(token);
        for (const QChar c : token)
            ASSERT_TRUE((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')))
                << qPrintable(token);
        EXPECT_FALSE(seen.contains(token)) << qPrintable(token);
        seen.insert(token);
    }
}

// A local server that counts the connections it gets and answers each with an empty page, so
// that a request that does get through also settles.
class CountingServer {
public:
    CountingServer() {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                ++connections_;
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    socket->write("HTTP/1.0 200 OK\r\nContent-Length: 0\r\nAccess-Control-Allow-Origin: *\r\n\r\n");
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    quint16 Port() const { return server_.serverPort(); }
    int Connections() const { return connections_; }

private:
    QTcpServer server_;
    int connections_ = 0;
};

// Served from the player's own scheme (as a file of the runtime folder): tries the server by
// fetch() (the browser's own, which the player page replaces for its scheme), XMLHttpRequest, an
// image, a sub-frame and a WebSocket, and says "probe:done" once every attempt has settled.
constexpr char kProbePage[] = R"(<!DOCTYPE html><html><body><script>
"use strict";
const port = new URLSearchParams(location.search).get("port");
const base = "http://127.0.0.1:" + port;
const settle = (start) => new Promise((resolve) => { start(resolve); setTimeout(resolve, 10000); });
Promise.allSettled([
  fetch(base + "/fetch", { mode: "no-cors" }),
  settle((done) => { const r = new XMLHttpRequest(); r.onloadend = done; r.open("GET", base + "/xhr"); r.send(); }),
  settle((done) => { const i = new Image(); i.onload = i.onerror = done; i.src = base + "/image"; }),
  settle((done) => { const f = document.createElement("iframe"); f.onload = f.onerror = done;
                     f.src = base + "/frame"; document.body.appendChild(f); }),
  settle((done) => { const s = new WebSocket("ws://127.0.0.1:" + port + "/socket"); s.onopen = s.onerror = s.onclose = done; }),
]).then(() => console.log("probe:done"));
</script></body></html>)";

class ProbePage final : public QWebEnginePage {
public:
    ProbePage(QWebEngineProfile& profile, QEventLoop& loop) : QWebEnginePage(&profile), loop_(loop) {}
    bool Done() const { return done_; }

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int, const QString&) override {
        if (message == QLatin1String("probe:done")) {
            done_ = true;
            loop_.quit();
        }
    }

private:
    QEventLoop& loop_;
    bool done_ = false;
};

class FlashContainmentTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --no-first-run");
        if (geteuid() == 0)
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");  // the browser will not sandbox root
        RegisterRuffleScheme();
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        vorlandite::testing::EnsureQtApplication<QApplication>();
    }

    // Loads the probe in a fresh off-the-record profile serving the player's scheme, with or
    // without the interceptor; returns the connections the server got.
    int ConnectionsFromProbe(bool intercept) {
        std::filesystem::create_directories(dir_.Path() / "ruffle");
        std::ofstream(dir_.Path() / "ruffle" / "probe.html") << kProbePage;
        CountingServer server;
        EXPECT_NE(server.Port(), 0);
        int connections = 0;
        {
            QWebEngineProfile profile;
            auto* scheme = new RufflePlayerScheme(QString::fromStdString(dir_.Path().string()), &profile);
            profile.installUrlSchemeHandler(kRuffleScheme, scheme);
            if (intercept)
                profile.setUrlRequestInterceptor(new RuffleRequestInterceptor(&profile));
            QEventLoop loop;
            auto page = std::make_unique<ProbePage>(profile, loop);
            page->load(QUrl(QStringLiteral("vorlandite-flash://player/ruffle/probe.html?port=%1").arg(server.Port())));
            // Only a bound against a hang; the page says when it is done.
            QTimer::singleShot(60000, &loop, &QEventLoop::quit);
            loop.exec();
            EXPECT_TRUE(page->Done()) << "the probe page never finished";
            // Connections made while the page settled are in the queue by now.
            QCoreApplication::processEvents();
            connections = server.Connections();
            page.reset();
        }
        return connections;
    }

    testing::TempDir dir_;
};

TEST_F(FlashContainmentTest, APlayerPageReachesNoServerOutsideItsScheme) {
    EXPECT_EQ(ConnectionsFromProbe(true), 0);
}

// The probe itself: without the interceptor the same page does reach the server, so the test
// above fails when the interceptor is not there.
TEST_F(FlashContainmentTest, WithoutTheInterceptorTheProbeReachesTheServer) {
    EXPECT_GT(ConnectionsFromProbe(false), 0);
}

} // namespace
} // namespace vorlandite::platform

#include "platform/flash/RufflePlayerScheme.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace vorlandite::platform {
namespace {

QByteArray ContentType(const QString& path) {
    if (path.endsWith(QStringLiteral(".html")))
        return "text/html";
    if (path.endsWith(QStringLiteral(".js")))
        return "text/javascript";
    if (path.endsWith(QStringLiteral(".wasm")))
        return "application/wasm";  // the player compiles it while it streams in
    return "application/octet-stream";
}

// A file the page may ask for: a plain name inside ruffle/, nothing above it.
bool IsPlayerFile(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.startsWith(QLatin1Char('.'));
}

} // namespace

void RegisterRuffleScheme() {
    static const bool registered = [] {
        QWebEngineUrlScheme scheme(kRuffleScheme);
        scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
        // Secure, so the player's page is a secure context as it would be on https; CORS-enabled, so the page's requests to its own scheme are allowed at all. No local
        // access: the pages reach files only through the handler below.
        scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
        QWebEngineUrlScheme::registerScheme(scheme);
        return true;
    }();
    (void)registered;
}

RufflePlayerScheme::RufflePlayerScheme(QString runtimeDir, QObject* parent)
    : QWebEngineUrlSchemeHandler(parent), runtimeDir_(std::move(runtimeDir)) {}

QString RufflePlayerScheme::AddMovie(const QString& path) {
    QString token;
    do {
        quint32 bits[4];
        QRandomGenerator::system()->fillRange(bits);  // the system's CSPRNG
        token.clear();
        for (const quint32 word : bits)
            token += QStringLiteral("%1").arg(word, 8, 16, QLatin1Char('0'));
    } while (movies_.contains(token));
    movies_.insert(token, path);
    return token;
}

void RufflePlayerScheme::RemoveMovie(const QString& token) { movies_.remove(token); }

void RufflePlayerScheme::requestStarted(QWebEngineUrlRequestJob* job) {
    const QUrl url = job->requestUrl();
    if (job->requestMethod() != "GET" || url.host() != QLatin1String(kRufflePlayerHost)) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    const QString path = url.path();
    QString file;
    if (path == QStringLiteral("/player.html")) {
        file = QStringLiteral(":/vorlandite-flash/player.html");
    } else if (path.startsWith(QStringLiteral("/ruffle/")) && IsPlayerFile(path.mid(8))) {
        file = QDir(runtimeDir_).filePath(QStringLiteral("ruffle/") + path.mid(8));
    } else if (path.startsWith(QStringLiteral("/movie/"))) {
        file = movies_.value(QUrl::fromPercentEncoding(path.mid(7).toUtf8()));
    }
    auto* device = new QFile(file, job);  // the job owns it and closes it when done
    if (file.isEmpty() || !device->open(QIODevice::ReadOnly)) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    job->reply(path.startsWith(QStringLiteral("/movie/")) ? QByteArray("application/x-shockwave-flash")
                                                          : ContentType(path),
               device);
}

} // namespace vorlandite::platform

#pragma once
// Keeps the Flash player's pages inside their own scheme. The player's "no networking" setting
// covers only what the player itself asks for; a movie's scripts, the page and anything the
// browser engine loads on their behalf pass through here, so nothing reaches the network or the
// disk except by vorlandite-flash://player/, whose handler serves only the player and the movies
// it has been given.

#include <QWebEngineUrlRequestInterceptor>

class QUrl;

namespace vorlandite::platform {

// Whether a Flash page may request the URL: only the player's own scheme and host.
bool IsPlayerRequestAllowed(const QUrl& url);

class RuffleRequestInterceptor final : public QWebEngineUrlRequestInterceptor {
public:
    explicit RuffleRequestInterceptor(QObject* parent) : QWebEngineUrlRequestInterceptor(parent) {}

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
};

} // namespace vorlandite::platform

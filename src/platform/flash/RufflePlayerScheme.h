#pragma once
// The URL scheme the Flash controls' pages come from: vorlandite-flash://player/ serves the
// player page, the player's files from the runtime folder, and each control's movie by a token.
// Nothing else on disk can be reached through it.

#include <QHash>
#include <QString>
#include <QWebEngineUrlSchemeHandler>

namespace vorlandite::platform {

inline constexpr const char* kRuffleScheme = "vorlandite-flash";
inline constexpr const char* kRufflePlayerHost = "player";

// Registers the scheme with the browser engine; once, before its first profile exists.
void RegisterRuffleScheme();

class RufflePlayerScheme final : public QWebEngineUrlSchemeHandler {
public:
    RufflePlayerScheme(QString runtimeDir, QObject* parent);

    // The movie file a token names; the token is part of the page's address. Tokens are 128
    // random bits, so one page cannot name another control's movie by counting.
    QString AddMovie(const QString& path);
    void RemoveMovie(const QString& token);

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    QString runtimeDir_;
    QHash<QString, QString> movies_;
};

} // namespace vorlandite::platform

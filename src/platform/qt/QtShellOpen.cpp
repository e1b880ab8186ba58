#include "platform/qt/QtShellOpen.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace vorlandite::platform {

void QtShellOpen::Open(const std::string& address) {
    const QString text = QString::fromStdString(address).trimmed();
    if (text.isEmpty())
        return;
    // Authors write "www.example.com" as often as a full address; fromUserInput adds the scheme
    // the shell would have guessed.
    const QUrl url = QUrl::fromUserInput(text);
    if (url.isValid())
        (void)QDesktopServices::openUrl(url);
}

} // namespace vorlandite::platform

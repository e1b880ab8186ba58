#include "platform/flash/RuffleRequestInterceptor.h"

#include "platform/flash/RufflePlayerScheme.h"

#include <QUrl>

namespace vorlandite::platform {

bool IsPlayerRequestAllowed(const QUrl& url) {
    // QUrl lowers the scheme and host of a valid URL; an invalid one is refused whatever it says.
    return url.isValid() && url.scheme() == QLatin1String(kRuffleScheme) &&
           url.host() == QLatin1String(kRufflePlayerHost) && url.userInfo().isEmpty() && url.port() == -1;
}

void RuffleRequestInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info) {
    if (!IsPlayerRequestAllowed(info.requestUrl()))
        info.block(true);
}

} // namespace vorlandite::platform

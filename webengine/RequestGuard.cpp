#include "webengine/RequestGuard.h"

#include "web/NT.h"

RequestGuard::RequestGuard(bool mobileRequests, QObject *parent)
    : QWebEngineUrlRequestInterceptor(parent), mobile(mobileRequests)
{
}

bool RequestGuard::refuses(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("file") || scheme == QLatin1String("qrc");
}

void RequestGuard::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    if (refuses(info.requestUrl())) {
        info.block(true);
        return;
    }
    if (mobile)
        info.setHttpHeader("User-Agent", NT::userAgent());
}

#pragma once

#include <QWebEngineUrlRequestInterceptor>

// Sees every request of a profile's pages: nothing local (file:, qrc:) is
// ever fetched for a remote page, and, for the mail sites, every request's
// header carries the mobile agent as web/NT stamps it on QtWebKit's requests.
// Holds no state of its own, so it may be asked from any thread.
class RequestGuard : public QWebEngineUrlRequestInterceptor
{
public:
    RequestGuard(bool mobileRequests, QObject *parent);

    // Whether a request for url is refused whatever page asks.
    static bool refuses(const QUrl &url);

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

private:
    const bool mobile;
};

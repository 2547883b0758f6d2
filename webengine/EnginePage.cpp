#include "webengine/EnginePage.h"

#include "webengine/RequestGuard.h"

#include <QWebEngineCertificateError>
#include <QWebEngineFullScreenRequest>

EnginePage::EnginePage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{
    // Notifications, location, camera, microphone, screen capture: no.
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl &origin, Feature feature) {
                setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
    connect(this, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });
}

bool EnginePage::acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame)
{
    if (RequestGuard::refuses(url))
        return false;
    // The shell's own pages come as data: addresses.
    if (isMainFrame && url.scheme() != QLatin1String("data"))
        emit mainFrameRequested(url);
    return true;
}

bool EnginePage::certificateError(const QWebEngineCertificateError &error)
{
    emit certificateRefused(error.url());
    return false;
}

QWebEnginePage *EnginePage::createWindow(WebWindowType)
{
    return makeWindow ? makeWindow() : nullptr;
}

#include "webengine/EnginePage.h"

#include "webengine/RequestGuard.h"

#include <QWebEngineCertificateError>
#include <QWebEngineFullScreenRequest>

EnginePage::EnginePage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent), dialogs(new PageDialogs(this))
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

void EnginePage::javaScriptAlert(const QUrl &securityOrigin, const QString &msg)
{
    dialogs->alert(dialogSource(securityOrigin), msg);
}

bool EnginePage::javaScriptConfirm(const QUrl &securityOrigin, const QString &msg)
{
    return dialogs->confirm(dialogSource(securityOrigin), msg);
}

bool EnginePage::javaScriptPrompt(const QUrl &securityOrigin, const QString &msg,
                                  const QString &defaultValue, QString *result)
{
    return dialogs->prompt(dialogSource(securityOrigin), msg, defaultValue, result);
}

PageDialogs::Source EnginePage::dialogSource(const QUrl &securityOrigin) const
{
    const QString pageSite = PageDialogs::siteName(url(), appName);
    const QString site = PageDialogs::siteName(securityOrigin, appName);
    // A frame of no site of its own (data, about:blank) speaks for the page.
    return {view(), site.isEmpty() ? pageSite : site, pageSite};
}

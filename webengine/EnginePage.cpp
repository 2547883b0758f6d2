#include "webengine/EnginePage.h"

#include "webengine/EngineProfiles.h"
#include "webengine/PermissionAnswers.h"
#include "webengine/RequestGuard.h"

#include <QWebEngineCertificateError>
#include <QWebEngineFullScreenRequest>
#include <QWidget>

EnginePage::EnginePage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent), dialogs(new PageDialogs(this))
{
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl &origin, Feature feature) {
                if (PermissionAnswers *answers = EngineProfiles::permissionsOf(this->profile()))
                    answers->request(this, origin, feature, appName);
                else
                    setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
    connect(this, &QWebEnginePage::fullScreenRequested, this,
            [this](QWebEngineFullScreenRequest request) {
                // Only a page the user sees fills the app's area.
                QWidget *shown = view();
                if (request.toggleOn() && !(shown && shown->isVisible())) {
                    request.reject();
                    return;
                }
                request.accept();
                emit fullScreenChanged(request.toggleOn());
            });
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

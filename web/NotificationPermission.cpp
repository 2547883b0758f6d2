#include "web/NotificationPermission.h"

#include "shell/AppView.h"
#include "shell/Messages.h"
#include "web/WebKitNotifications.h"

#include <QHash>
#include <QPointer>
#include <QWebFrame>
#include <QWebPage>
#include <QWebSecurityOrigin>

namespace
{
QHash<QString, bool> &answers()
{
    static QHash<QString, bool> all; // by "app origin"
    return all;
}
} // namespace

void NotificationPermission::answerFor(QWebPage *page)
{
    QObject::connect(
        page, &QWebPage::featurePermissionRequested, page,
        [page](QWebFrame *frame, QWebPage::Feature feature) {
            if (feature != QWebPage::Notifications) {
                page->setFeaturePermission(frame, feature, QWebPage::PermissionDeniedByUser);
                return;
            }
            const AppView *view = AppView::of(page->view());
            const QString app = view ? view->appName() : QString();
            const QWebSecurityOrigin origin = frame->securityOrigin();
            const QString site = origin.host();
            const QString key = app + QLatin1Char(' ') + origin.scheme() + QStringLiteral("://") +
                                site + QLatin1Char(':') + QString::number(origin.port());
            if (!answers().contains(key)) {
                const QString asker = app.isEmpty()    ? site
                                      : site.isEmpty() ? app
                                                       : app + QStringLiteral(": ") + site;
                QPointer<QWebFrame> alive(frame);
                const bool allowed = Messages::ask(
                    asker + QStringLiteral(" asks to show you notifications. Allow it?"),
                    QStringLiteral("Allow"), QStringLiteral("Don't allow"));
                answers().insert(key, allowed);
                if (!alive)
                    return;
            }
            const bool allowed = answers().value(key);
            if (allowed)
                WebKitNotifications::install();
            page->setFeaturePermission(frame, QWebPage::Notifications,
                                       allowed ? QWebPage::PermissionGrantedByUser
                                               : QWebPage::PermissionDeniedByUser);
        });
}

#include "web/NotificationPermission.h"

#include "shell/AppView.h"
#include "shell/Messages.h"
#include "web/PermissionFile.h"
#include "web/WebKitNotifications.h"

#include <QHash>
#include <QPointer>
#include <QUrl>
#include <QVariant>
#include <QWebFrame>
#include <QWebPage>
#include <QWebSecurityOrigin>

namespace
{
const char fileProperty[] = "vantaraPermissionFile";
const QString notifications = QStringLiteral("notifications");

QHash<QString, bool> &answers()
{
    static QHash<QString, bool> all; // by "app origin"
    return all;
}

QString siteOf(const QWebSecurityOrigin &origin)
{
    QUrl url;
    url.setScheme(origin.scheme());
    url.setHost(origin.host());
    if (origin.port() > 0)
        url.setPort(origin.port());
    return PermissionFile::originOf(url);
}

// What is known of the app's answer for the site; remember keeps one.
std::optional<bool> known(const QString &file, const QString &key, const QString &site)
{
    if (file.isEmpty() || site.isEmpty()) {
        const auto found = answers().constFind(key);
        return found == answers().cend() ? std::nullopt : std::optional<bool>(found.value());
    }
    return PermissionFile(file).answer(notifications, site);
}

void remember(const QString &file, const QString &key, const QString &site, bool allowed)
{
    if (file.isEmpty() || site.isEmpty())
        answers().insert(key, allowed);
    else
        PermissionFile(file).remember(notifications, site, allowed);
}
} // namespace

void NotificationPermission::rememberIn(QWebPage *page, const QString &file)
{
    page->setProperty(fileProperty, file);
}

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
            const QString file = page->property(fileProperty).toString();
            std::optional<bool> allowed = known(file, key, siteOf(origin));
            if (!allowed) {
                const QString asker = app.isEmpty()    ? site
                                      : site.isEmpty() ? app
                                                       : app + QStringLiteral(": ") + site;
                QPointer<QWebFrame> alive(frame);
                allowed = Messages::ask(
                    asker + QStringLiteral(" asks to show you notifications. Allow it?"),
                    QStringLiteral("Allow"), QStringLiteral("Don't allow"));
                remember(file, key, siteOf(origin), *allowed);
                if (!alive)
                    return;
            }
            if (*allowed)
                WebKitNotifications::install();
            page->setFeaturePermission(frame, QWebPage::Notifications,
                                       *allowed ? QWebPage::PermissionGrantedByUser
                                                : QWebPage::PermissionDeniedByUser);
        });
}

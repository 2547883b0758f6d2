#include "webengine/EngineNotifications.h"

#include "shell/NotificationCenter.h"

#include <QApplication>
#include <QPointer>
#include <QWebEngineNotification>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace
{
QUrl originOf(const QUrl &url)
{
    return url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment |
                        QUrl::RemoveUserInfo);
}

// The view of profile that shows origin; the notification says only its site.
QWebEngineView *senderOf(const QWebEngineProfile *profile, const QUrl &origin)
{
    for (QWidget *top : QApplication::topLevelWidgets())
        for (QWebEngineView *view : top->findChildren<QWebEngineView *>())
            if (view->page() && view->page()->profile() == profile &&
                originOf(view->url()) == originOf(origin))
                return view;
    return nullptr;
}
} // namespace

void EngineNotifications::present(QWebEngineProfile *profile)
{
    QPointer<QWebEngineProfile> guarded(profile);
    profile->setNotificationPresenter(
        [guarded](std::unique_ptr<QWebEngineNotification> notification) {
            QWebEngineView *view = guarded ? senderOf(guarded, notification->origin()) : nullptr;
            NotificationCenter *center = NotificationCenter::of(view);
            if (!center)
                return;
            notification->show();
            std::shared_ptr<QWebEngineNotification> kept(notification.release());
            std::weak_ptr<QWebEngineNotification> tapped(kept);
            center->post(view, kept->title(), kept->message(), kept->icon(), kept, [tapped] {
                if (std::shared_ptr<QWebEngineNotification> n = tapped.lock())
                    n->click();
            });
        });
}

#include "shell/NotificationCenter.h"
#include "web/WebKitNotifications.h"

#include <QApplication>
#include <QImage>
#include <QPointer>
#include <QWebFrame>
#include <QWebView>

namespace
{
// The view whose page is at address; the notification names no page.
QWebView *senderOf(const QUrl &address)
{
    for (QWidget *top : QApplication::topLevelWidgets())
        for (QWebView *view : top->findChildren<QWebView *>())
            if (view->page() && view->page()->mainFrame()->url() == address &&
                NotificationCenter::of(view))
                return view;
    return nullptr;
}

void tell(const QPointer<QObject> &presenter, const char *signal)
{
    if (presenter)
        QMetaObject::invokeMethod(presenter, signal);
}
} // namespace

void WebKitNotifications::show(QObject *presenter, const QUrl &opener, const QString &title,
                               const QString &body)
{
    QWebView *view = senderOf(opener);
    NotificationCenter *center = NotificationCenter::of(view);
    QPointer<QObject> guarded(presenter);
    if (!center) {
        tell(guarded, "notificationClosed");
        return;
    }
    std::shared_ptr<void> keep(nullptr, [guarded](void *) { tell(guarded, "notificationClosed"); });
    center->post(view, title, body, QImage(), keep,
                 [guarded] { tell(guarded, "notificationClicked"); });
}

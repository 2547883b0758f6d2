#include "web/WebKitNotifications.h"

#include "shell/NotificationCenter.h"

#include <QApplication>
#include <QImage>
#include <QPointer>
#include <QWebFrame>
#include <QWebView>
#include <QtPlugin>
#include <QtWebKit/qwebkitplatformplugin.h>

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

class Presenter : public QWebNotificationPresenter
{
public:
    void showNotification(const QWebNotificationData *data) override
    {
        QWebView *view = senderOf(data->openerPageUrl());
        NotificationCenter *center = NotificationCenter::of(view);
        if (!center) {
            emit notificationClosed();
            return;
        }
        // QtWebKit keeps the notification (and this presenter) until it
        // hears that it closed: once the list lets go of it.
        QPointer<Presenter> self(this);
        std::shared_ptr<void> keep(nullptr, [self](void *) {
            if (self)
                emit self->notificationClosed();
        });
        center->post(view, data->title(), data->message(), QImage(), keep, [self] {
            if (self)
                emit self->notificationClicked();
        });
    }
};
} // namespace

class NotificationPlugin : public QObject, public QWebKitPlatformPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.WebKit.PlatformPlugin/1.9")
    Q_INTERFACES(QWebKitPlatformPlugin)

public:
    bool supportsExtension(Extension extension) const override
    {
        return extension == Notifications;
    }
    QObject *createExtension(Extension extension) const override
    {
        return extension == Notifications ? new Presenter : nullptr;
    }
};

// Made by moc for a plugin built in (QT_STATICPLUGIN).
extern const QStaticPlugin qt_static_plugin_NotificationPlugin();

void WebKitNotifications::install()
{
    static const bool installed = [] {
        qRegisterStaticPluginFunction(qt_static_plugin_NotificationPlugin());
        return true;
    }();
    Q_UNUSED(installed)
}

#include "WebKitNotifications.moc"

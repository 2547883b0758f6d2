#include "web/WebKitNotifications.h"

#include <QtPlugin>
#include <QtWebKit/qwebkitplatformplugin.h>

namespace
{
class Presenter : public QWebNotificationPresenter
{
public:
    void showNotification(const QWebNotificationData *data) override
    {
        WebKitNotifications::show(this, data->openerPageUrl(), data->title(), data->message());
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

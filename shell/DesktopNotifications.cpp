#include "shell/DesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QStringList>
#include <QVariantMap>

void DesktopNotifications::send(const QString &app, const QString &title, const QString &body)
{
    // Without a bus named, the bus library would start one of its own.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // A service that is not running is not started for us.
    call.setAutoStartService(false);
    // Services may read the body as markup: the page's text stays text.
    call << QStringLiteral("Vantara") << 0u << QString()
         << (app.isEmpty() ? title : app + QStringLiteral(": ") + title) << body.toHtmlEscaped()
         << QStringList() << QVariantMap() << -1;
    // The reply (or the error of a bus without the service) is not awaited.
    bus.asyncCall(call);
}

#include "shell/BusProperties.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

namespace
{
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
}

BusProperties::BusProperties(QDBusConnection connection, const QString &serviceName,
                             const QString &objectPath, const QString &interfaceName,
                             QObject *parent)
    : QObject(parent), bus(connection), service(serviceName), path(objectPath),
      interface(interfaceName)
{
    if (!bus.isConnected())
        return;
    auto *watcher =
        new QDBusServiceWatcher(service, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &owner) {
                if (owner.isEmpty())
                    gone();
                else
                    readAll();
            });
    bus.connect(service, path, propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    readAll();
}

void BusProperties::readAll()
{
    // A newer reading replaces one still under way: its answer may be stale.
    delete reading;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, propertiesInterface,
                                                       QStringLiteral("GetAll"));
    call << interface;
    reading = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(reading, &QDBusPendingCallWatcher::finished, this, [this] {
        const QDBusPendingReply<QVariantMap> reply = *reading;
        reading->deleteLater();
        reading = nullptr;
        if (reply.isError()) {
            gone();
            return;
        }
        values = reply.value();
        isPresent = true;
        emit changed();
    });
}

void BusProperties::gone()
{
    const bool was = isPresent;
    isPresent = false;
    values.clear();
    if (was)
        emit changed();
}

void BusProperties::propertiesChanged(const QString &changedInterface, const QVariantMap &news,
                                      const QStringList &invalidated)
{
    if (changedInterface != interface || !isPresent)
        return;
    for (auto it = news.begin(); it != news.end(); ++it)
        values.insert(it.key(), it.value());
    if (!invalidated.isEmpty())
        readAll();
    else
        emit changed();
}

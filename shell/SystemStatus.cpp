#include "shell/SystemStatus.h"

#include "shell/BusProperties.h"
#include "shell/SoundVolume.h"

#include <cmath>

SystemStatus::SystemStatus(QDBusConnection system, QDBusConnection session, QObject *parent)
    : QObject(parent),
      power(new BusProperties(system, QStringLiteral("org.freedesktop.UPower"),
                              QStringLiteral("/org/freedesktop/UPower/devices/DisplayDevice"),
                              QStringLiteral("org.freedesktop.UPower.Device"), this)),
      networkManager(new BusProperties(system, QStringLiteral("org.freedesktop.NetworkManager"),
                                       QStringLiteral("/org/freedesktop/NetworkManager"),
                                       QStringLiteral("org.freedesktop.NetworkManager"), this)),
      sound(new SoundVolume(session, this))
{
    connect(sound, &SoundVolume::changed, this, &SystemStatus::changed);
    connect(power, &BusProperties::changed, this, &SystemStatus::changed);
    connect(networkManager, &BusProperties::changed, this, &SystemStatus::changed);
}

QVariantMap SystemStatus::describe() const
{
    QVariantMap out;
    const QVariantMap b = battery(), n = network();
    if (!b.isEmpty())
        out.insert(QStringLiteral("battery"), b);
    if (!n.isEmpty())
        out.insert(QStringLiteral("network"), n);
    const QVariantMap v = sound->describe();
    if (!v.isEmpty())
        out.insert(QStringLiteral("volume"), v);
    return out;
}

QVariantMap SystemStatus::battery() const
{
    // The display device stands for the batteries together; a desktop's is
    // not present, or of no battery type (2).
    if (!power->present() || !power->value(QStringLiteral("IsPresent")).toBool() ||
        power->value(QStringLiteral("Type")).toUInt() != 2)
        return {};
    bool ok = false;
    const double percent = power->value(QStringLiteral("Percentage")).toDouble(&ok);
    if (!ok || !std::isfinite(percent))
        return {};
    // UPower's states: 1 charging, 4 fully charged, 5 pending charge.
    const uint state = power->value(QStringLiteral("State")).toUInt();
    return {{QStringLiteral("percent"), qBound(0, qRound(percent), 100)},
            {QStringLiteral("charging"), state == 1 || state == 4 || state == 5}};
}

QVariantMap SystemStatus::network() const
{
    if (!networkManager->present())
        return {};
    // NetworkManager's states: 70 global connectivity, 50 and 60 local or
    // site only, 40 connecting, below that none.
    const uint state = networkManager->value(QStringLiteral("State")).toUInt();
    const QString name = state >= 70   ? QStringLiteral("online")
                         : state >= 50 ? QStringLiteral("limited")
                         : state >= 40 ? QStringLiteral("connecting")
                                       : QStringLiteral("offline");
    const QString type = networkManager->value(QStringLiteral("PrimaryConnectionType")).toString();
    const QString kind = type == QLatin1String("802-11-wireless")  ? QStringLiteral("wifi")
                         : type == QLatin1String("802-3-ethernet") ? QStringLiteral("wired")
                         : type == QLatin1String("gsm") || type == QLatin1String("cdma")
                             ? QStringLiteral("mobile")
                             : QStringLiteral("other");
    return {{QStringLiteral("state"), name}, {QStringLiteral("kind"), kind}};
}

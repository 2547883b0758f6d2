#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

class BusProperties;
class SoundVolume;

// What the status bar shows of the machine, from the system's own services:
// the battery from UPower's display device and the network from
// NetworkManager, both on the system bus, and the volume from the sound
// server named on the session bus (SoundVolume). Each follows its service's
// signals and is left out while the service is absent.
class SystemStatus : public QObject
{
    Q_OBJECT

public:
    SystemStatus(QDBusConnection system, QDBusConnection session, QObject *parent = nullptr);

    // {battery: {percent, charging}, network: {state, kind}, volume: {percent,
    // muted}}, each only while
    // its service tells it. state is "online", "limited", "connecting" or
    // "offline"; kind "wifi", "wired", "mobile" or "other".
    QVariantMap describe() const;

signals:
    void changed();

private:
    QVariantMap battery() const;
    QVariantMap network() const;

    BusProperties *power;
    BusProperties *networkManager;
    SoundVolume *sound;
};
